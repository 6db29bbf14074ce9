"""Settings a player changes survive a restart: the Presets dialog hides the champion list and
sets the scramble count, "Цвет фона" paints the background, and on the next start both are as
left; then the picture is turned on and a file chosen through "Картинка фона", and the start
after that shows the picture, as does OK in Presets; a picture name the settings cannot keep is
refused with a message. Dialogs and the message open centred on the game's window. The game runs
from a folder with a Russian name and the picture lies in one, as Russian players keep them (the
system's ANSI code page is 1252 here, as on most non-Russian Windows). Started as a shortcut set
to maximised or minimised asks, the frame shows so, and the place stored at exit is still its
normal one. On a Japanese system (code page 932, multi-byte) a picture chosen in a Russian
folder is there again after a restart."""

import os
import subprocess
import time

from game_session import (SPLASH_SIZE, TITLE, GameSession, MapWatcher, Scenario, centre_offset, champion_block,
                          copy_game, list_rows, typeable)

SWATCH_RGB = (0, 0, 255)  # the colour dialog's pure blue basic swatch
PICTURE_RGB = (48, 192, 80)
PICTURE_FOLDER, PICTURE_FILE = "Фоновые картинки", "фон.bmp"
PICTURE_PATH_END = "\\%s\\%s" % (PICTURE_FOLDER, PICTURE_FILE)


def background_at(picture, view):
    """The background's colour in the 3D area's lower left corner, clear of cube and overlay."""
    vx, vy, vw, vh = view
    return picture.at(vx + 10, vy + vh - 10)


def near(a, b, tolerance=12):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def start_and_look(s):
    s.start_game()
    picture = s.shot("started")
    return picture, s.locate_view(picture)


def blue_swatch(s, dialog):
    """The middle of the blue basic swatch, found on the colour dialog's picture (its grid's
    spacing follows the dialog font, which the common controls' version changes)."""
    dx, dy, dw, dh = dialog
    picture = s.wait_picture(lambda p: p.count((dx, dy, dx + dw, dy + dh // 2), lambda c: c == SWATCH_RGB) > 20,
                             "no blue swatch in the colour dialog")
    blue = [(x, y) for y in range(dy, dy + dh // 2) for x in range(dx, dx + dw) if picture.at(x, y) == SWATCH_RGB]
    return sum(x for x, _ in blue) // len(blue), sum(y for _, y in blue) // len(blue)


def open_dialog(s, menu_row, title):
    rows, states = s.menu_states(2, 3)
    s.check(states[menu_row], "settings menu row %d is grey: %s" % (menu_row, states))
    s.choose(rows, menu_row)
    dialog = s.session.find_window(title, timeout=10)
    offset = centre_offset(s.session.geometry(dialog), s.frame)
    s.check(max(offset) <= 24, "\"%s\" opened %s px off the centre of the game's window" % (title, offset))
    s.session.focus(dialog)
    return dialog


def wait_closed(s, dialog, timeout=10):
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", ".*"], capture_output=True,
                               text=True).stdout.split()
        if dialog not in found:
            s.session.focus(s.window)
            return
        time.sleep(0.1)
    s.check(False, "the dialog did not close")


def make_picture(build_dir):
    """A plain green picture file in a folder of this scenario's own, as a Windows path."""
    folder = os.path.join(build_dir, "e2e-pictures", PICTURE_FOLDER)
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, PICTURE_FILE)
    subprocess.run(["convert", "-size", "64x64", "xc:rgb(%d,%d,%d)" % PICTURE_RGB, "BMP3:" + path], check=True)
    return "Z:" + os.path.abspath(path).replace("/", "\\")


NORMAL_PLACE = {"Left": 100, "Top": 50, "Width": 800, "Height": 650}


def stored_place(session):
    stored = session.stored()
    return {name: stored.get(name) for name in NORMAL_PLACE}


def window_state(window):
    return subprocess.run(["xprop", "-id", window, "WM_STATE", "_NET_WM_STATE"], capture_output=True,
                          text=True).stdout


def wait_started_minimised(s, timeout=40):
    """The frame's X window, once the game runs minimised."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = subprocess.run(["xdotool", "search", "--name", "^%s$" % TITLE], capture_output=True,
                               text=True).stdout.split()
        if found and "Iconic" in window_state(found[-1]):
            return found[-1]
        s.check(s.session.process.poll() is None, "the game ended")
        time.sleep(0.2)
    raise AssertionError("the frame did not start minimised")


def refuse_unusable_path(s):
    """A picture name with letters outside Windows-1251 is refused with a message box centred on the
    game's window."""
    dialog = open_dialog(s, 1, "Open")
    s.type_checked(dialog, "Z:\\Ωμέγα.bmp")
    s.session.key("Return")
    wait_closed(s, dialog)
    try:
        message = s.session.find_window("Картинка фона", timeout=10)
    except TimeoutError:
        s.check(False, "a picture name outside Windows-1251 was not refused")
    offset = centre_offset(s.session.geometry(message), s.frame)
    s.check(max(offset) <= 24, "the message opened %s px off the centre of the game's window" % (offset,))
    s.shot("message")
    s.session.focus(message)
    s.session.key("Return")
    wait_closed(s, message)


def choose_picture(s, path, view, dialog_title="Open"):
    """Chooses the picture at `path` through "Картинка фона" until it shows: the path is typed
    until the name field holds it (Russian letters typed on a busy machine get lost), and chosen
    again if the picture does not show."""
    for _ in range(3):
        dialog = open_dialog(s, 1, dialog_title)
        s.type_checked(dialog, path)
        s.session.key("Return")
        wait_closed(s, dialog)
        try:
            s.wait_picture(lambda now: near(background_at(now, view), PICTURE_RGB, 30), "the picture did not show",
                           timeout=10)
            return
        except AssertionError as error:
            print("%s: choosing it again" % error)
    s.check(False, "the chosen picture %s never showed" % path)


def check_stored_path(s):
    """"PathPicture" holds the chosen picture's Russian path as text."""
    stored = s.session.stored().get("PathPicture", "")
    s.check(stored.endswith(PICTURE_PATH_END), "PathPicture stored as %r" % stored[-60:])


def japanese_system(s):
    """The picture path on a system whose code page is multi-byte (932), where Windows-1251 bytes
    given to the registry's ANSI functions are lost. A prefix of its own: Wine rewrites a prefix's
    font substitutes for each new code page."""
    s.session.shutdown()
    s.session = GameSession(s.build_dir, s.session.game_dir, prefix=os.path.join(s.build_dir, "e2e-prefix-ja"),
                            locale="ja_JP.UTF-8")
    s.check(s.session.code_page() == 932, "the system's code page is %s" % s.session.code_page())
    s.session.write_settings({"ShowNameDlg": 0, "Picture": 1, "PathPicture": "no-such-picture.jpg"})
    path = make_picture(s.build_dir)
    with typeable(path):
        picture, view = start_and_look(s)
        choose_picture(s, path, view, dialog_title="開く")
        s.exit_game()
    check_stored_path(s)
    picture, view = start_and_look(s)
    picture_shown(s, picture, view, "after restart on code page 932")
    s.exit_game()


def picture_shown(s, picture, view, when):
    s.check(near(background_at(picture, view), PICTURE_RGB, 30), "%s the background is %s, the picture %s"
            % (when, background_at(picture, view), PICTURE_RGB))


def body(s):
    session = s.session
    session.game_dir = copy_game(s.build_dir, "Тессарон")
    s.step("a returning player with one champion, plain black background, the window off the screen's centre")
    session.write_settings({"ShowNameDlg": 0, "Picture": 0, "NumberRotate": 5, "ShowListChampions": 1,
                            "Left": 250, "Top": 100, "Width": 950, "Height": 726,
                            "Champions": champion_block([(75, b"Champ")])})
    picture, view = start_and_look(s)
    s.check(list_rows(picture, view) > 100, "the stored champion is not listed")

    s.step("Presets: champion list off, 9 scramble turns")
    dialog = open_dialog(s, 2, "Предварительные настройки")
    session.key("Tab", "Tab", "space")  # "Показывать список рекордсменов"
    session.key("Tab", "Tab")  # the scramble count, its text selected
    session.type("9")
    session.key("Return")
    wait_closed(s, dialog)
    picture = s.wait_picture(lambda now: list_rows(now, view) < 20, "the champion list is still drawn")

    s.step("\"Цвет фона\": a blue swatch, OK")
    dialog = open_dialog(s, 0, "Color")
    swatch = blue_swatch(s, session.geometry(dialog))
    chosen = s.shot("colour-dialog").at(*swatch)
    s.check(max(chosen) > 100 and chosen != background_at(picture, view), "odd swatch colour %s" % (chosen,))
    session.click(*swatch)
    session.key("Return")
    wait_closed(s, dialog)
    s.wait_picture(lambda now: near(background_at(now, view), chosen), "the background did not take %s" % (chosen,))

    s.step("exit and start again: list hidden, count 9, the chosen colour")
    s.exit_game()
    stored = session.stored()
    s.check(stored.get("NumberRotate") == 9, "NumberRotate stored as %s" % stored.get("NumberRotate"))
    s.check(stored.get("ShowListChampions") == 0, "ShowListChampions stored as %s" % stored.get("ShowListChampions"))
    expected = 0xFF000000 | chosen[0] << 16 | chosen[1] << 8 | chosen[2]
    s.check(stored.get("ColorBG") == expected, "ColorBG %#x, expected %#x" % (stored.get("ColorBG", 0), expected))
    # The picture path's Russian letters get keys before the game starts (see first_start_e2e).
    with typeable(make_picture(s.build_dir)):
        picture, view = start_and_look(s)
        s.check(near(background_at(picture, view), chosen), "after restart the background is %s"
                % (background_at(picture, view),))
        s.check(list_rows(picture, view) < 20, "after restart the champion list is drawn again")

        s.step("Presets: picture on")
        dialog = open_dialog(s, 2, "Предварительные настройки")
        session.key("space")  # "Показывать картинку", the first control
        session.key("Return")
        wait_closed(s, dialog)
        s.step("\"Картинка фона\": a name outside Windows-1251 is refused with a message")
        refuse_unusable_path(s)
        s.step("\"Картинка фона\": a green picture in a folder with a Russian name")
        choose_picture(s, make_picture(s.build_dir), view)

    s.step("exit and start again: the picture is back")
    s.exit_game()
    stored = session.stored()
    s.check(stored.get("Picture") == 1 and stored.get("ColorBG") == 0xFFFFFFFF,
            "Picture %s, ColorBG %#x" % (stored.get("Picture"), stored.get("ColorBG", 0)))
    check_stored_path(s)
    picture, view = start_and_look(s)
    picture_shown(s, picture, view, "after restart")

    s.step("Presets, OK with the picture on: still drawn untinted")
    dialog = open_dialog(s, 2, "Предварительные настройки")
    session.key("Return")
    wait_closed(s, dialog)
    picture_shown(s, s.wait_still(), view, "after Presets")
    s.exit_game()
    stored = session.stored()
    s.check(stored.get("ColorBG") == 0xFFFFFFFF, "ColorBG %#x after Presets" % stored.get("ColorBG", 0))

    with session.window_manager():
        s.step("a shortcut set to \"Maximised\": the frame fills the screen, the stored place stays the normal one")
        session.write_settings({"ShowNameDlg": 0, "Picture": 0, **NORMAL_PLACE})
        session.start(show="/max")
        s.wait_main_window()
        s.check(session.geometry(s.window) == (0, 0, 1024, 768), "frame at %s" % (session.geometry(s.window),))
        s.check("MAXIMIZED_HORZ" in window_state(s.window), "not maximised: %s" % window_state(s.window))
        s.exit_game()
        s.check(stored_place(session) == NORMAL_PLACE, "stored %s" % stored_place(session))

        s.step("a shortcut set to \"Minimised\": the frame starts minimised, without a splash; restored, it plays")
        with MapWatcher() as watcher:  # sees a splash however briefly it shows
            session.start(show="/min")
            window = wait_started_minimised(s)
            subprocess.run(["xdotool", "windowactivate", "--sync", window], check=False, capture_output=True)
            s.wait_main_window()
            s.check(SPLASH_SIZE not in watcher.mapped_sizes(), "a splash showed")
        x, y, width, height = session.geometry(s.window)
        s.check((width, height) == (700, 600), "restored to %s" % ((x, y, width, height),))
        picture = s.shot("restored")
        s.locate_view(picture)
        s.exit_game()
        s.check(stored_place(session) == {"Left": x, "Top": y, "Width": x + 700, "Height": y + 600},
                "stored %s for the frame at %s" % (stored_place(session), (x, y)))

    s.step("on a Japanese system (code page 932): a picture in a Russian folder, chosen, is back after a restart")
    japanese_system(s)


if __name__ == "__main__":
    Scenario("settings_restart").run(body)
