"""A first start without settings, as a new player sees it: the New-player dialog before the
main window, the typed name in the overlay, the splash gone with the first frames, the solved
cube corner-on; a click turns a layer, "Шаг обратно" turns it back; the menu items follow
their rules; at exit all thirteen values are written, the name in slot 0. A remembered name
picked through "Имя игрока" shows in the overlay and is stored first."""

import time

from game_session import (SPLASH_SIZE, TITLE, MapWatcher, Scenario, centre_offset, differing_pixels, name_slots,
                          project, typeable, visible_windows)

SCREEN = (0, 0, 1024, 768)

# Turn target 1: the base edge's middle of its triangle, a third of the way to its apex.
TARGET_1 = (-8.05, 9.06, -6.05)
PLAYER = "Вася Ёж"  # stored as Windows-1251 bytes whatever the code page
ALL_VALUES = ["Left", "Top", "Width", "Height", "PathPicture", "NumberRotate", "ColorBG", "Picture",
              "ShowNameDlg", "ShowListChampions", "ShowNamePlayerStopWatch", "NamePlayer", "Champions"]


def face_colours(picture, view):
    """Which sticker colours show in the 3D area (counted on a coarse grid)."""
    vx, vy, vw, vh = view
    box = (vx, vy + 100, vx + vw, vy + vh)
    kinds = {
        "orange": lambda p: p[0] > 180 and 60 < p[1] < 150 and p[2] < 60,
        "green": lambda p: p[1] > 70 and p[0] < 60 and p[2] < 80,
        "white": lambda p: min(p) > 150 and max(p) - min(p) < 25,
        "red": lambda p: p[0] > 130 and p[1] < 50 and p[2] < 50,
        "blue": lambda p: p[2] > 130 and p[0] < 60 and p[1] < 120,
        "yellow": lambda p: p[0] > 180 and p[1] > 160 and p[2] < 60,
    }
    return {name: picture.count(box, test, step=3) for name, test in kinds.items()}


def body(s):
    session = s.session
    s.step("fresh start: no settings key")
    session.delete_settings()
    # The name's Russian letters get keys before the game starts: xdotool's own key, rebound for
    # each letter while Wine reads them, loses letters on a busy machine.
    with typeable(PLAYER):
        dialog = s.start_game(expect_name_dialog=True)
        shown = visible_windows()
        s.check(not any(name == TITLE for _, name, _ in shown),
                "the main window is visible while the New-player dialog asks")
        s.check(all(geo[2] < 400 for _, _, geo in shown if geo[2] < 1024),
                "only the dialog may show before the main window: %s" % shown)
        offset = centre_offset(session.geometry(dialog), SCREEN)
        s.check(max(offset) <= 24, "the New-player dialog is %s px off the screen's centre" % (offset,))

        s.step("type a Cyrillic name into the New-player dialog")
        s.type_checked(dialog, PLAYER)
    with MapWatcher() as watcher:
        session.key("Return")
        deadline = time.time() + 30
        while time.time() < deadline and not any(name == TITLE for _, name, _ in visible_windows()):
            time.sleep(0.1)
        splash_seen = SPLASH_SIZE in watcher.mapped_sizes()
    s.check(splash_seen, "no splash window between the dialog and the main window")

    s.step("main window, splash closed once frames are drawn")
    s.wait_main_window()
    start = s.shot("start")
    view = s.locate_view(start)
    s.check(not any(geo[2:] == SPLASH_SIZE for _, _, geo in visible_windows()), "the splash stayed open")

    s.step("the solved cube corner-on: three face colours")
    colours = face_colours(start, view)
    shown = [name for name, count in colours.items() if count > 150]
    s.check(len(shown) == 3, "expected three face colours, saw %s" % colours)

    s.step("overlay: player block top left, champion list top right")
    vx, vy, vw, vh = view
    name_block = start.count((vx + 15, vy + 15, vx + 200, vy + 100), lambda p: min(p) > 200)
    s.check(name_block > 300, "too few white text pixels in the player block: %d" % name_block)
    champions = start.count((vx + vw - 280, vy + 15, vx + vw - 15, vy + 60), lambda p: min(p) > 200)
    s.check(champions > 300, "too few white text pixels in the champion list header: %d" % champions)
    rows = start.count((vx + vw - 280, vy + 62, vx + vw - 15, vy + 160), lambda p: min(p) > 200)
    s.check(rows < 20, "a fresh champion list has no rows, found %d text pixels" % rows)

    s.step("edit items grey at start, \"Картинка фона\" grey with Picture 0")
    edit_rows, states = s.menu_states(1, 2)
    s.check(states == [False, False], "\"Шаг обратно\"/\"Собрать кубик\" at start: %s" % states)
    s.close_menu()
    _, states = s.menu_states(2, 3)
    s.check(states == [True, False, True], "settings menu at start (Picture 0): %s" % states)
    s.close_menu()

    s.step("a click on turn target 1 turns its layer")
    before = s.wait_still()
    target = project(TARGET_1, view)
    near_box = (target[0] - 120, target[1] - 80, target[0] + 200, target[1] + 200)
    turned = s.press_until_changed(target, before, near_box, "the picture near the target did not change")
    far = differing_pixels(before, turned, (vx + 5, vy + vh - 60, vx + 150, vy + vh - 5))
    s.check(far == 0, "the picture changed away from the cube (%d pixels)" % far)

    s.step("\"Шаг обратно\" is enabled and turns the layer back")
    edit_rows, states = s.menu_states(1, 2)
    s.check(states == [True, True], "edit items after a turn: %s" % states)
    s.choose(edit_rows, 0)
    # Waits for the picture the step back must give: a loaded machine draws the turn slowly.
    cube_box = (vx + 100, vy + 90, vx + vw - 100, vy + vh - 20)
    s.wait_picture(lambda now: differing_pixels(start, now, cube_box) < 60,
                   "the cube is not back at its start picture", cube_box)
    _, states = s.menu_states(1, 2)
    s.check(states == [False, False], "edit items with an empty history: %s" % states)
    s.close_menu()

    s.step("exit with Alt+F4: thirteen values, the name in slot 0")
    s.exit_game()
    stored = session.stored()
    missing = [name for name in ALL_VALUES if name not in stored]
    s.check(not missing, "values missing after exit: %s" % missing)
    names = stored["NamePlayer"]
    s.check(len(names) == 200, "NamePlayer holds %d bytes" % len(names))
    s.check(names[:8] == PLAYER.encode("cp1251") + b"\0", "slot 0 holds %r" % names[:20])
    s.check(names[20:27] == "Товарищ".encode("cp1251"), "the earlier name moved to slot 1: %r" % names[20:40])
    s.check((stored["Left"], stored["Top"], stored["Width"], stored["Height"]) == (162, 71, 862, 697),
            "frame rectangle %s" % [stored[k] for k in ("Left", "Top", "Width", "Height")])
    s.check(stored["Picture"] == 0 and stored["NumberRotate"] == 3 and stored["ShowNameDlg"] == 1,
            "defaults of a first start: %s" % {k: stored[k] for k in ("Picture", "NumberRotate", "ShowNameDlg")})
    champions = stored["Champions"]
    s.check(len(champions) == 140 and all(champions[28 * r:28 * r + 8] == (86399).to_bytes(8, "little")
                                          for r in range(5)), "five empty champion records")

    s.step("the overlay drew the typed name: the default name, in slot 0 again, draws another picture there")
    session.write_settings({"ShowNameDlg": 0, "NamePlayer": name_slots("Товарищ", PLAYER)})
    s.start_game()
    player_block = (vx + 15, vy + 15, vx + 200, vy + 100)
    default = s.wait_picture(lambda now: now.count(player_block, lambda p: min(p) > 200) > 300,
                             "the player block is not drawn")
    changed = differing_pixels(start, default, player_block)
    s.check(changed > 40, "the player block shows the same picture for both names (%d pixels differ)" % changed)

    s.step("\"Имя игрока\": the remembered name picked from the list, OK: the overlay shows it")
    session.key("F10")
    session.key("Down")  # "Главная" opens on its first item, "Имя игрока"
    session.key("Return")
    dialog = session.find_window("Новый игрок", timeout=20)
    session.focus(dialog)
    session.key("alt+Down")  # the list of remembered names drops down
    session.key("Down", "Return")
    held = s.edit_text(PLAYER)
    s.check(held == PLAYER, "the name picked from the list reads %r" % held)
    session.key("Return")
    s.wait_picture(lambda now: differing_pixels(start, now, player_block) < 10,
                   "the player block does not show the picked name as it showed at the first start")

    s.step("exit: the picked name is listed first, the one before it second")
    s.exit_game()
    names = session.stored()["NamePlayer"]
    s.check(names == name_slots(PLAYER, "Товарищ"), "NamePlayer starts %r" % names[:60])


if __name__ == "__main__":
    Scenario("first_start").run(body)
