"""The real game with damaged files, each in a copy of the game folder (build/fault-game-<case>):
the data file missing, cut short or replaced by garbage, the loose model missing, the background
picture missing or not an image. The game must start without any message box (these faults are
silent: the scene draws what it has, the background stays untextured), survive clicks and drags
on the place of the cube, and write all its settings at exit, keeping the picture path; a missing
picture turns the background black, a picture that is not an image leaves the colour alone.

In the test suite the faults run in three pairs of unrelated ones; FAULT_CASES=each (as
scripts/reliability.sh sets it) runs every fault alone."""

import os
import random
import shutil
import sys
import time

from soak_player import SoakFailure, SoakPlayer, check_saved_settings


def missing(path):
    os.remove(path)


def truncated(path):
    data = open(path, "rb").read()
    open(path, "wb").write(data[:len(data) // 3])


def garbage(path):
    size = os.path.getsize(path)
    open(path, "wb").write(random.Random(5).randbytes(size))


def not_an_image(path):
    open(path, "w").write("This is a text file, not a picture.\n")


FAULTS = {
    "data-missing": ("tessaron.qzb", missing),
    "data-truncated": ("tessaron.qzb", truncated),
    "data-garbage": ("tessaron.qzb", garbage),
    "model-missing": ("cube.x", missing),
    "picture-missing": ("background.jpg", missing),
    "picture-not-image": ("background.jpg", not_an_image),
}
PAIRS = (("data-missing", "picture-missing"), ("data-truncated", "model-missing"),
         ("data-garbage", "picture-not-image"))
WHITE = "dword:ffffffff"
BLACK = "dword:ff000000"


def run_case(build, faults):
    name = "+".join(faults)
    folder = os.path.join(build, "fault-game-" + name)
    shutil.rmtree(folder, ignore_errors=True)
    shutil.copytree(os.path.join(build, "game"), folder)
    for fault in faults:
        file, damage = FAULTS[fault]
        damage(os.path.join(folder, file))

    player = SoakPlayer(build, 3, os.path.join(folder, "report.txt"))
    player.session.game_dir = folder
    try:
        # The picture drawn, on a white background, so that the picture's faults matter.
        player.start({"Picture": 1, "ColorBG": 0xFFFFFFFF})
        time.sleep(2)
        player.check("start")
        for action in ("click_cube", "click_cube", "drag", "click_off_cube", "wheel", "click_cube"):
            getattr(player, action)()
            player.check(action)
        values = player.finish()
    finally:
        player.session.shutdown()
    check_saved_settings(values)
    if values["PathPicture"] != '"background.jpg"':
        raise SoakFailure("%s: the picture path was not kept: %s" % (name, values["PathPicture"]))
    expected_colour = BLACK if "picture-missing" in faults else WHITE
    if values["ColorBG"] != expected_colour:
        raise SoakFailure("%s: ColorBG saved as %s, not %s" % (name, values["ColorBG"], expected_colour))
    shutil.rmtree(folder, ignore_errors=True)
    print("faults: %s: no message, no crash, settings written" % name)


def main():
    build = os.environ["TESSARON_BUILD"]
    cases = [(f,) for f in FAULTS] if os.environ.get("FAULT_CASES") == "each" else PAIRS
    for faults in cases:
        run_case(build, faults)
    return 0


if __name__ == "__main__":
    sys.exit(main())
