"""Damaged or missing files in a scratch copy of the game folder: a corrupt data file and a
missing one still give a running game with no message box; a missing background picture
gives the black background even with the picture switched on and a colour stored."""

import os

from game_session import TITLE, Scenario, copy_game, visible_windows


def no_message_box(s):
    others = [(name, geo) for window, name, geo in visible_windows()
              if name != TITLE and geo[2] > 1 and geo[2:] != (1024, 768)]
    s.check(not others, "unexpected windows (a message box?): %s" % others)


def run_in(s, folder, settings, label):
    """Starts the game in `folder`. A menu opened from the frame proves the game past its start
    and its frame enabled (a message box would be owned by it) before no message box is checked."""
    s.session.game_dir = folder
    s.session.write_settings(settings)
    s.start_game()
    picture = s.wait_still()
    s.locate_view(picture)
    s.open_menu(1, 2)
    s.close_menu()
    no_message_box(s)
    return s.shot(label)


def body(s):
    folder = copy_game(s.build_dir, "bad-data")
    data = os.path.join(folder, "tessaron.qzb")
    base = {"ShowNameDlg": 0, "Picture": 0}

    s.step("a corrupt data file: the game starts without a message box")
    with open(data, "r+b") as damaged:
        damaged.seek(512)
        damaged.write(b"\xA5" * 4096)
    run_in(s, folder, base, "corrupt")
    s.exit_game()

    s.step("no data file at all: the game starts without a message box")
    os.remove(data)
    run_in(s, folder, base, "missing")
    s.exit_game()

    s.step("a missing background picture: black background, ColorBG forced black")
    settings = dict(base, Picture=1, PathPicture="no-such-picture.jpg", ColorBG=0xFF3060C0)
    picture = run_in(s, os.path.join(s.build_dir, "game"), settings, "no-picture")
    vx, vy, vw, vh = s.view
    corner = (vx + 5, vy + vh - 80, vx + 120, vy + vh - 5)
    black = picture.count(corner, lambda p: max(p) < 20)
    total = (corner[2] - corner[0]) * (corner[3] - corner[1])
    s.check(black > 0.95 * total, "the background is not black (%d of %d pixels)" % (black, total))
    s.exit_game()
    stored = s.session.stored()
    s.check(stored.get("ColorBG") == 0xFF000000, "ColorBG stored as %#x" % stored.get("ColorBG", 0))
    s.check(stored.get("PathPicture") == "no-such-picture.jpg", "the path was not kept: %r"
            % stored.get("PathPicture"))


if __name__ == "__main__":
    Scenario("bad_data").run(body)
