"""The shell as a returning player uses it: Z+M clears a stored champion list, the Presets
dialog filters the scramble count and turns the picture on (which enables "Картинка фона"),
the frame does not shrink below its minimum size, and the changes reach the registry at exit;
then, on a desktop with a window manager, the window behaves like the desktop's other windows."""

import subprocess
import time

from game_session import TITLE, Scenario, centre_offset, champion_block, list_rows, menu_titles, project, visible_windows


TARGET_1 = (-8.05, 9.06, -6.05)  # turn target 1, a third of the way from its triangle's base to its apex


def active_window():
    return subprocess.run(["xdotool", "getactivewindow"], capture_output=True, text=True).stdout.strip()


def open_help(s, ask):
    """Asks for the help with `ask()`: a new window with the help viewer's caption (the game's
    title) must appear; returns it."""
    before = {w[0] for w in visible_windows()}
    ask()
    shown = s.wait_until(lambda: [w[0] for w in visible_windows() if w[0] not in before and w[1] == TITLE],
                         "no help window appeared")
    s.check(any("tessaron.exe" in line.lower() for line in s.session.programs()),
            "the game is not among the prefix's programs: %s" % s.session.programs())
    subprocess.run(["xdotool", "windowraise", s.window], check=False)
    s.session.focus(s.window)
    return shown[-1]


def ended_with_game(s):
    """Nothing the game started (the help viewer, the browser it hands the pages to) outlives it."""
    s.wait_until(lambda: not s.session.programs(),
                 lambda: "still running after the game ended: %s" % s.session.programs(), timeout=30)


def body(s):
    session = s.session
    s.step("settings of a returning player with one champion, the window right of the screen's centre")
    session.write_settings({"ShowNameDlg": 0, "Picture": 0, "NumberRotate": 7, "Left": 284, "Top": 40,
                            "Width": 984, "Height": 666, "Champions": champion_block([(75, b"Champ")])})
    s.start_game()
    start = s.shot("start")
    view = s.locate_view(start)
    s.check(list_rows(start, view) > 100, "the stored champion is not listed (%d)" % list_rows(start, view))

    s.step("M alone keeps the list: a click after it turns a layer, and the list stays")
    target = project(TARGET_1, view)
    cube = (target[0] - 120, target[1] - 80, target[0] + 200, target[1] + 200)
    session.key("m")
    # The form takes the click after the key: once the turn shows, M has been handled.
    turned = s.press_until_changed(target, start, cube, "the click after M turned nothing")
    s.check(list_rows(turned, view) > 100, "M alone cleared the list")

    s.step("Z held, M pressed: the list rows vanish")
    subprocess.run(["xdotool", "keydown", "z"], check=True)
    time.sleep(0.15)
    session.key("m", hold=0.15)
    subprocess.run(["xdotool", "keyup", "z"], check=True)
    s.wait_picture(lambda now: list_rows(now, view) < 20, "the champion row is still drawn after Z+M")

    s.step("Presets: picture on, \"1a\" typed into the scramble count, which takes the digit only")
    rows, states = s.menu_states(2, 3)
    s.check(states == [True, False, True], "settings menu with Picture 0: %s" % states)
    s.choose(rows, 2)
    dialog = session.find_window("Предварительные настройки", timeout=10)
    offset = centre_offset(session.geometry(dialog), s.frame)
    s.check(max(offset) <= 24, "Presets opened %s px off the centre of the game's window" % (offset,))
    session.focus(dialog)
    session.key("space")  # "Показывать картинку", the first control, has the focus
    session.key("Tab", "Tab", "Tab", "Tab")  # to the scramble count
    s.type_checked(dialog, "1a", shows="1")  # a digits-only field
    session.key("Return")
    s.wait_until(lambda: dialog not in [w[0] for w in visible_windows()], "Presets did not close")
    session.focus(s.window)

    s.step("\"Картинка фона\" is enabled once the picture is on")
    rows, states = s.menu_states(2, 3)
    s.check(states == [True, True, True], "settings menu with Picture 1: %s" % states)
    s.close_menu()

    s.step("dragging the frame's corner cannot make it smaller than 300 x 226")
    fx, fy, fw, fh = s.frame
    width, height = fw, fh
    for _ in range(3):  # a busy machine may drop part of a drag: drag the corner again from where it is
        session.drag((fx + width - 2, fy + height - 2), (fx + 60, fy + 60))
        s.wait_until(lambda: session.geometry(s.window)[2:] != (width, height),
                     "the dragged corner did not change the frame's size")
        x, y, width, height = s.wait_steady(lambda: session.geometry(s.window))
        if width <= 320 and height <= 250:
            break
    s.check(width >= 300 and height >= 226, "the frame shrank to %d x %d" % (width, height))
    s.check(width <= 320 and height <= 250, "the frame did not shrink enough: %d x %d" % (width, height))
    subprocess.run(["xdotool", "windowsize", s.window, str(fw), str(fh)], check=True)
    s.wait_until(lambda: session.geometry(s.window)[2:] == (fw, fh), "the frame did not take its size back")
    s.wait_picture(lambda now: len(menu_titles(now, s.frame, view)) == 4, "the frame is not drawn again at its size")

    s.step("\"Пользование программой\" opens the help; the game goes on")
    rows, _ = s.menu_states(3, 2)
    help_window = open_help(s, lambda: s.choose(rows, 1))
    s.press_until_changed(target, s.wait_still(cube), cube,
                          "a click on the cube turned nothing with the help open")

    s.step("exit with the help open: count 3, picture on, five empty records, nothing left running")
    s.exit_game()
    s.check(help_window not in [w[0] for w in visible_windows()], "the help stayed open after the game ended")
    ended_with_game(s)
    stored = session.stored()
    s.check(stored.get("NumberRotate") == 3, "\"1a\" stored as %s, expected 3" % stored.get("NumberRotate"))
    s.check(stored.get("Picture") == 1, "Picture stored as %s" % stored.get("Picture"))
    s.check(stored.get("ColorBG") == 0xFFFFFFFF, "with the picture file present ColorBG is %#x"
            % stored.get("ColorBG", 0))
    s.check(stored.get("Champions") == champion_block([]), "the champion table was not cleared in the registry")

    s.step("on a desktop with a window manager, set up as the player's: its frame, focus, move, close box")
    with session.player_desktop():
        session.start()
        s.window = session.find_window(timeout=40)
        deadline = time.time() + 20
        while time.time() < deadline and active_window() != s.window:
            time.sleep(0.2)  # the window manager activates a new window as it maps it
        s.check(active_window() == s.window, "the game's window is not the active one (%s)" % active_window())
        extents = session.frame_extents(s.window)
        s.check(extents is not None and extents[2] > 10, "no title bar of the window manager: %s" % (extents,))
        (x, y), width = session.screen_position(s.window), session.geometry(s.window)[2]
        title = (x + width // 2, y - extents[2] // 2)
        session.drag(title, (title[0] - 60, title[1] + 40))
        s.wait_until(lambda: session.screen_position(s.window) != (x, y),
                     "dragging the title bar did not move the window")
        moved = s.wait_steady(lambda: session.screen_position(s.window))
        s.check(abs(moved[0] - (x - 60)) <= 2 and abs(moved[1] - (y + 40)) <= 2,
                "dragging the title bar moved the window from %s to %s" % ((x, y), moved))
        open_help(s, lambda: session.key("F1"))
        s.step("the close box with the help open: the game ends normally, nothing left running")
        session.click(moved[0] + width - extents[1] - 8, moved[1] - extents[2] // 2)  # the close box, top right
        s.check(session.wait_exit() == 0, "the close box did not end the game normally")
        ended_with_game(s)


if __name__ == "__main__":
    Scenario("shell").run(body)
