"""Training and full screen as a player uses them: "Тренировка сборки" scrambles with
"NumberRotate" + 1 turns that step back one by one to the solved cube while the edit items
follow their rules; "Во весь экран" switches to full screen, where F2 trains, F3
starts a timed attempt during which R is refused, R resets after training, and Esc returns;
Alt+Enter in the window switches to full screen again, where two clicks turn layers that
"Шаг обратно" in the window undoes. Every click in full screen must show the stickers the
tests' sticker model expects after the layer and direction it names. A window moved before the trip (with and without a window
manager) comes back with the 3D area filling the form. After a right drag and a wheel notch
a click near a face's edge, found on the picture, turns the layer under the cursor towards
that edge, and Alt+F4 ends the game with its settings written. Started again on a display
scaled to 150 %, the overlay's rows stay apart and clicks still turn the facet under the
pointer in the window and in full screen."""

import subprocess
import time

from cube_stickers import click_point, click_turn, solved_cube, turned
from game_session import (SCREEN, Scenario, differing_pixels, drag_view, face_grid, is_white_sticker, menu_by_keys,
                          project, sticker_centres, visible_windows, white_at, zoom_view)


FRAME = None  # the frame's X geometry, set once the game shows and after each move
FRAME_AT_START = None
VIEW = None  # the 3D area at the start
SCRAMBLE_SETTING = 1  # "NumberRotate": training scrambles with two turns
BACKGROUND = 0xFF183048  # dark (the full-screen test needs it), not the black of the bare screen
BACKGROUND_RGB = (0x18, 0x30, 0x48)
FULL_SCREEN_CUBE = (312, 150, 712, 700)  # where the cube lies in full screen


def full_screen(picture):
    """Full screen covers the frame's caption with the dark scene (Xvfb has no desktop that
    repaints the rest of the screen, so only the frame's place tells) and shows the key help."""
    fx, fy, fw, fh = FRAME
    # Where the caption's title ends, left of the champion list's rows at 150 %.
    caption = picture.count((fx + 200, fy + 4, fx + 400, fy + 20), lambda p: max(p) > 90, step=3)
    help_text = picture.count((15, 640, 320, 750), lambda p: min(p) > 200)
    return caption < 20 and help_text > 300


def wait_full_screen(s, label, timeout=12):
    deadline = time.time() + timeout
    while time.time() < deadline:
        time.sleep(0.5)
        picture = s.shot(label)
        if full_screen(picture):
            return picture
    raise AssertionError("no full screen within %d s" % timeout)


def cube_changed(a, b, box):
    return differing_pixels(a, b, box)


def leave_full_screen(s):
    """Esc on the full-screen popup. Wine lists the popup among other screen-sized windows of
    the game (its device windows, which take no keys), so each is given the keyboard in turn
    until Esc has brought the frame back; returns the popup's id. A window manager's own
    windows are left alone: the game gives up full screen when another window takes the focus."""
    game = set(subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "tessaron.exe"],
                              capture_output=True, text=True).stdout.split())
    screens = [w[0] for w in visible_windows() if w[2] == SCREEN and w[0] in game]
    s.check(screens, "no full-screen window")
    for window in screens:
        s.session.focus(window)
        time.sleep(0.2)
        s.session.key("Escape", hold=0.15)
        deadline = time.time() + 12  # the device is re-created on the way back
        while time.time() < deadline:
            time.sleep(0.5)
            if not full_screen(s.shot("esc")):
                s.wait_main_window()
                return window
    raise AssertionError("Esc did not return to the window")


def root_window():
    return subprocess.run(["xdotool", "search", "--maxdepth", "0", "--name", ".*"], capture_output=True,
                          text=True).stdout.split()[0]


def is_background(rgb):
    return all(abs(c - b) <= 12 for c, b in zip(rgb, BACKGROUND_RGB))


def view_at(s, frame):
    """Where the 3D area of a frame at `frame` is, from its place in the frame at the start."""
    vx, vy, vw, vh = VIEW
    fx, fy, _, _ = FRAME_AT_START
    return frame[0] + vx - fx, frame[1] + vy - fy, vw, vh


def cube_columns(picture, view):
    """The first and last column of the cube on the 3D area's middle row."""
    vx, vy, vw, vh = view
    row = vy + vh // 2
    columns = [x for x in range(vx, vx + vw) if not is_background(picture.at(x, row))]
    return (columns[0], columns[-1]) if columns else (None, None)


def trip_after_move(s, place, label):
    """Moves the frame to `place` the way a window manager does, goes to full screen and back,
    and checks the 3D area: the background in its four corners, the cube in its middle, the
    same picture as before the trip."""
    global FRAME
    subprocess.run(["xdotool", "windowmove", "--sync", s.window, str(place[0]), str(place[1])], check=False)

    def moved():
        frame = s.session.geometry(s.window)
        return abs(frame[0] - place[0]) <= 8 and abs(frame[1] - place[1]) <= 40 and frame

    s.frame = FRAME = s.wait_until(moved, "the frame did not move to %s" % (place,))
    view = view_at(s, FRAME)
    before = s.wait_still()
    s.session.focus(s.window)
    s.session.key("alt+Return", hold=0.15)
    wait_full_screen(s, label + "-full", timeout=20)
    leave_full_screen(s)
    s.check(s.session.geometry(s.window) == FRAME, "the frame moved during the trip")
    after = s.wait_still()
    vx, vy, vw, vh = view
    corners = [(vx + 2, vy + 2), (vx + vw - 3, vy + 2), (vx + 2, vy + vh - 3), (vx + vw - 3, vy + vh - 3)]
    s.check(all(is_background(after.at(x, y)) for x, y in corners),
            "corners of the 3D area %s: %s" % (view, [after.at(x, y) for x, y in corners]))
    left, right = cube_columns(after, view)
    s.check(left is not None and abs((left + right) - (2 * vx + vw - 1)) <= 8,
            "the cube spans columns %s..%s of the 3D area %s" % (left, right, view))
    moved = differing_pixels(before, after, (vx, vy, vx + vw, vy + vh), step=3)
    s.check(moved < 60, "%d places of the 3D area differ from the picture before the trip" % moved)


def resize_about(s):
    """Seven size changes, each of them a reset of the graphics device, ending at the size the
    frame had: the cube in the middle of the 3D area is still lit, its stickers bright."""
    global FRAME
    fx, fy, fw, fh = s.frame
    for size in [(fw + 12 * grow, fh + 8 * grow) for grow in range(1, 7)] + [(fw, fh)]:
        subprocess.run(["xdotool", "windowsize", s.window, str(size[0]), str(size[1])], check=False)
        s.wait_until(lambda: s.session.geometry(s.window)[2:] == size, "the frame did not take the size %s" % (size,))
    s.frame = FRAME = s.session.geometry(s.window)
    vx, vy, vw, vh = view = view_at(s, s.frame)
    middle = (vx + vw // 4, vy + vh // 4, vx + 3 * vw // 4, vy + 3 * vh // 4)
    bright = s.wait_still().count(middle, lambda p: max(p) > 120, step=3)
    s.check(bright > 500, "the cube in the 3D area %s is dark: %d bright places" % (view, bright))


def reset_from_menu(s, box):
    """"Собрать кубик" from the window's menu; the picture of the solved cube."""
    rows, states = s.menu_states(1, 2)
    s.check(states[1], "\"Собрать кубик\" is disabled")
    shown = s.shot("before-reset")
    s.choose(rows, 1)
    return s.wait_changed(shown, box, "\"Собрать кубик\" did not reset the cube")


def click_from_solved(s, box):
    """The solved cube turned once, by a click for turn 1, so that no later turn can leave it
    solved (which empties the history); the still picture after the turn."""
    solved = reset_from_menu(s, box)
    return s.press_until_changed(project(click_point(1), s.view), solved, box, "the click for turn 1 turned nothing")


def clicks_in_full_screen(s, stickers, codes, box):
    """Clicks for turns `codes` in full screen, each held until the screen shows the layer and
    direction the sticker model `stickers` expects after it."""
    for code in codes:
        stickers, _ = click_turn(s, code, stickers, SCREEN, box)


def step_backs(s, count, box):
    """"Шаг обратно" from the window's menu `count` times, each with both edit items enabled
    and each turning the cube in `box`; yields the picture after each."""
    for turn in range(count):
        rows, states = s.menu_states(1, 2)
        s.check(states == [True, True], "edit items before step back %d: %s" % (turn + 1, states))
        shown = s.shot("before-back")
        s.choose(rows, 0)
        yield s.wait_changed(shown, box, "step back %d turned nothing" % (turn + 1), least=60)


def step_back_to(s, before, box):
    """Two step backs chosen from the window's menu bring back the cube `before` shows, and
    the turn recorded before full screen is still there to undo."""
    s.check(cube_changed(before, s.wait_still(), box) > 300, "the turns made in full screen are not seen")
    *_, picture = step_backs(s, 2, box)
    moved = cube_changed(before, picture, box)
    s.check(moved < 60, "%d places of the cube differ from the picture before full screen" % moved)
    _, states = s.menu_states(1, 2)
    s.check(states == [True, True], "edit items with the window's click still to undo: %s" % states)
    s.close_menu()


def turn_in_moved_view(s, view):
    """From the solved cube: a right drag and a wheel notch move the view; the top face's
    stickers are found on the picture, and a click a third of a sticker beyond the front-most
    edge sticker must take its row (that sticker, the centre, the opposite one) over that edge:
    the row no longer white, the other six white stickers kept, and white stickers arrived
    beyond the clicked one on the side face."""
    vx, vy, vw, vh = view
    area = (vx + 4, vy + 110, vx + vw - 4, vy + vh - 4)  # below the overlay's texts
    reset_from_menu(s, area)
    drag_view(s, (90, 20), area)
    zoom_view(s, 4, area)
    moved = s.wait_still()
    white = sticker_centres(moved, area, is_white_sticker)
    s.check(len(white) == 9, "%d white stickers in the new view: %s" % (len(white), white))
    centre, edges, corners = face_grid(white)
    clicked = max(edges, key=lambda p: p[1])  # beside a side face turned towards the eye
    pull = (clicked[0] - centre[0], clicked[1] - centre[1])
    point = (int(clicked[0] + pull[0] / 3), int(clicked[1] + pull[1] / 3))
    turned = s.press_until_changed(point, moved, area, "the click at %s turned nothing" % (point,))
    opposite = max(edges, key=lambda p: (p[0] - clicked[0]) ** 2 + (p[1] - clicked[1]) ** 2)
    row = [clicked, centre, opposite]
    s.check(not any(white_at(turned, p) for p in row), "the clicked row %s still shows white" % row)
    kept = corners + [p for p in edges if p not in row]
    s.check(all(white_at(turned, p) for p in kept), "white stickers outside the clicked row moved: %s" % kept)
    length = pull[0] ** 2 + pull[1] ** 2
    arrived = [p for p in sticker_centres(turned, area, is_white_sticker)
               if min((p[0] - k[0]) ** 2 + (p[1] - k[1]) ** 2 for k in kept) > length / 9]
    along = [((p[0] - clicked[0]) * pull[0] + (p[1] - clicked[1]) * pull[1]) / length for p in arrived]
    s.check(arrived and min(along) > 0.4, "the white row did not go over the edge clicked near %s: "
            "white stickers arrived at %s, %s sticker steps beyond" % (point, arrived, along))


def text_bands(picture, box, joined=2):
    """The runs of rows in `box` that hold white text, as (top, bottom) pairs, top first; runs
    at most `joined` rows apart are one (a thin stroke of a letter can fade between them)."""
    x0, y0, x1, y1 = box
    bands = []
    for y in range(y0, y1):
        if any(min(picture.at(x, y)) > 200 for x in range(x0, x1)):
            if bands and bands[-1][1] >= y - 1 - joined:
                bands[-1] = (bands[-1][0], y)
            else:
                bands.append((y, y))
    return bands


def lit_runs(picture, band, x0, x1, gap):
    """Stretches of columns holding white text in the rows of `band`, split where at least
    `gap` columns hold none."""
    columns = [x for x in range(x0, x1) if any(min(picture.at(x, y)) > 200 for y in range(band[0], band[1] + 1))]
    runs = []
    for x in columns:
        if runs and x - runs[-1][1] < gap:
            runs[-1] = (runs[-1][0], x)
        else:
            runs.append((x, x))
    return runs


def background_area(picture, frame):
    """The 3D area as the background-coloured rectangle inside the frame, found from a column
    right of every text and a row above them. (Wine draws larger caption buttons on a scaled
    display, where the menu band is not found past them.)"""
    fx, fy, fw, fh = frame
    column, middle = fx + fw - 15, fy + fh // 2

    def extent(start, step, inside, at):
        while inside(start + step) and is_background(at(start + step)):
            start += step
        return start

    top = extent(middle, -1, lambda y: y > fy, lambda y: picture.at(column, y))
    bottom = extent(middle, 1, lambda y: y < fy + fh - 1, lambda y: picture.at(column, y))
    row = top + 3
    left = extent(column, -1, lambda x: x > fx, lambda x: picture.at(x, row))
    right = extent(column, 1, lambda x: x < fx + fw - 1, lambda x: picture.at(x, row))
    return left, top, right - left + 1, bottom - top + 1


def scaled_display(s):
    """At 150 % (144 pixels per inch, the display's setting in the prefix): the player block's
    four rows and the list's title and header are apart, texts in one row do not run together,
    and a click turns the facet under the pointer, in the window and in full screen, where the
    five key-help rows are apart too."""
    global FRAME
    session = s.session
    s.start_game()
    FRAME = s.frame
    picture = s.wait_still()
    vx, vy, vw, vh = view = s.view = background_area(picture, s.frame)
    s.check(vw > 200 and vh > 150, "no 3D area found in the frame %s: %s" % (s.frame, view))
    overlay_bottom = vy + 165  # below the player block's fourth row at 150 %
    player = text_bands(picture, (vx + 20, vy + 10, vx + 160, overlay_bottom))
    s.check(len(player) == 4 and all(b[1] - b[0] >= 12 for b in player),
            "the player block's rows at 150 %%: %s" % player)
    # The list's right-aligned column, right of the cube: its title and header, beside the
    # player block or (in a window too narrow for both) below it.
    listed = text_bands(picture, (vx + vw - 100, vy + 10, vx + vw - 25, vy + 270))
    s.check(len(listed) == 2 and all(b[1] - b[0] >= 12 for b in listed),
            "the champion list's title and header rows at 150 %%: %s" % listed)
    for band in listed:
        if any(band[0] <= p[1] and p[0] <= band[1] for p in player):
            runs = lit_runs(picture, band, vx + 10, vx + vw - 10, gap=15)
            s.check(len(runs) >= 2, "the texts of rows %s run together at 150 %%: %s" % (band, runs))
    cube_box = (vx + 100, vy + 270, vx + vw - 100, vy + vh - 20)
    s.press_until_changed(project(click_point(1), view), picture, cube_box, "the click for turn 1 turned nothing at 150 %")

    session.key("alt+Return", hold=0.15)
    wait_full_screen(s, "scaled-full", timeout=20)
    full = s.wait_still()
    help_rows = text_bands(full, (25, SCREEN[3] - 200, 200, SCREEN[3]))
    s.check(len(help_rows) == 5, "the key help's rows at 150 %%: %s" % help_rows)
    clicks_in_full_screen(s, turned(solved_cube(), 1), [10, 1], FULL_SCREEN_CUBE)
    leave_full_screen(s)
    s.exit_game()


def body(s):
    session = s.session
    # A scramble of two turns: no two different turns that are not each other's undoing leave the
    # cube solved, so the history holds both. Four random turns can (three parallel layers turn
    # the whole cube, which counts as solved), and then it empties early.
    s.step("start with a scramble length of 1 on a dark blue background")
    session.write_settings({"ShowNameDlg": 0, "Picture": 0, "NumberRotate": SCRAMBLE_SETTING, "ColorBG": BACKGROUND})
    s.start_game()
    start = s.shot("start")
    view = s.locate_view(start)
    global FRAME, FRAME_AT_START, VIEW
    FRAME = FRAME_AT_START = s.frame
    VIEW = view
    vx, vy, vw, vh = view
    cube_box = (vx + 100, vy + 90, vx + vw - 100, vy + vh - 20)

    s.step("\"Тренировка сборки\" from the keyboard menu scrambles the cube")
    menu_by_keys(s, 1)
    s.wait_changed(start, cube_box, "the cube was not scrambled")

    s.step("two step backs reach the solved cube, one does not")
    for turn, picture in enumerate(step_backs(s, 2, cube_box)):
        if turn == 0:
            s.check(cube_changed(start, picture, cube_box) > 300, "solved after only one step back")
    s.check(cube_changed(start, picture, cube_box) < 60, "not solved after two step backs")
    _, states = s.menu_states(1, 2)
    s.check(states == [False, False], "edit items with the history used up: %s" % states)
    s.close_menu()

    s.step("\"Во весь экран\" switches to full screen")
    menu_by_keys(s, 3)
    wait_full_screen(s, "menu-full")
    solved_full = s.wait_still()
    popup = [w[0] for w in visible_windows() if w[2] == SCREEN and w[0] != root_window()]
    session.focus(popup[0])
    centre = FULL_SCREEN_CUBE

    s.step("F2 trains: the cube is scrambled")
    session.key("F2")
    trained = s.wait_changed(solved_full, centre, "F2 did not scramble the cube")
    s.check(cube_changed(solved_full, trained, centre) > 500, "F2 did not scramble the cube")

    s.step("R resets the cube after training")
    session.key("r")
    reset = s.wait_changed(trained, centre, "R did not change the cube")
    s.check(cube_changed(solved_full, reset, centre) < 60, "R did not reset the cube")

    s.step("a click for turn 1 turns that layer that way in full screen too")
    clicks_in_full_screen(s, solved_cube(), [1], centre)
    clicked = s.shot("clicked")

    s.step("F3 starts a timed attempt; R is refused during it: a click after R turns the scrambled cube")
    session.key("F3")
    timed = s.wait_changed(clicked, centre, "F3 did not scramble the cube")
    s.check(cube_changed(solved_full, timed, centre) > 500, "F3 did not scramble the cube")
    session.key("r")
    # The popup takes the click after the key, so the turn shows only once R has been handled;
    # had R reset the cube, the click would have turned the solved one into the picture before F3.
    after_r = s.press_until_changed(project(click_point(1), SCREEN), timed, centre, "the click after R turned nothing")
    s.check(cube_changed(clicked, after_r, centre) > 300, "R reset the cube during a timed attempt")

    s.step("F2 ends the timed attempt, Esc returns to the window")
    session.key("F2")
    s.wait_changed(after_r, centre, "F2 did not end the timed attempt with a new scramble")
    leave_full_screen(s)

    s.step("\"Собрать кубик\" and a click for turn 1 in the window; Alt+Enter: full screen again, "
           "clicks turn the layers they name the way they name, Esc returns")
    windowed = click_from_solved(s, cube_box)
    session.key("alt+Return", hold=0.15)
    wait_full_screen(s, "alt-enter", timeout=20)
    clicks_in_full_screen(s, turned(solved_cube(), 1), [10, 1], centre)
    leave_full_screen(s)

    s.step("\"Шаг обратно\" in the window's menu undoes the two turns made in full screen")
    step_back_to(s, windowed, cube_box)

    s.step("the window moved, then full screen and back: the view fills the form where it is now")
    trip_after_move(s, (300, 90), "moved")

    s.step("with a window manager: moved, then full screen and back")
    with session.window_manager():
        session.wait_managed(s.window)
        session.focus(s.window)
        trip_after_move(s, (120, 60), "managed")
    session.focus(s.window)  # a window manager that quits leaves the X focus on the root window

    s.step("resized again and again, as a dragged corner does: the cube is still drawn lit")
    resize_about(s)

    s.step("the cube turned in view by a right drag and zoomed by the wheel: a click near a face's edge "
           "turns the layer under the cursor towards that edge")
    s.view = view_at(s, s.frame)
    turn_in_moved_view(s, s.view)

    s.step("Alt+F4 ends the game and the settings are written")
    s.exit_game()
    stored = session.stored()
    fx, fy, fw, fh = s.frame
    s.check((stored.get("Left"), stored.get("Top"), stored.get("Width"), stored.get("Height")) ==
            (fx, fy, fx + fw, fy + fh), "stored frame rectangle %s for the frame at %s" %
            ([stored.get(k) for k in ("Left", "Top", "Width", "Height")], s.frame))
    s.check((stored.get("NumberRotate"), stored.get("ColorBG"), stored.get("Picture")) == (SCRAMBLE_SETTING, BACKGROUND, 0),
            "stored settings %s" % stored)

    s.step("at 150 %: the overlay's rows apart and a click turning the facet under the pointer, in the window "
           "and in full screen")
    with session.display_scale(144):
        scaled_display(s)


if __name__ == "__main__":
    Scenario("play").run(body)
