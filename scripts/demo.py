#!/usr/bin/env python3
"""A short demonstration of the game, played the way a person would, with screenshots.

Starts the built game in a Wine prefix of its own (build/demo-prefix, so the player's settings
in build/wine-prefix are never touched), answers the New-player dialog, starts a training
scramble from the menu, turns a few layers by clicking near the cube's outer edges, steps back
until the cube is solved, shows full screen with its key help and the Presets dialog, and
closes the game normally. Screenshots go to --out (default build/demo/).

With --docs DIR it also writes the small, cropped and quantised pictures used by the README.
Without a display it runs on a private Xvfb that it stops again. It always ends within
--timeout seconds.

    python3 scripts/demo.py [--out DIR] [--docs DIR] [--timeout SECONDS]
"""

import argparse
import importlib.util
import os
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def load_game_session():
    path = os.path.join(ROOT, "tests", "e2e", "game_session.py")
    module_spec = importlib.util.spec_from_file_location("game_session", path)
    module = importlib.util.module_from_spec(module_spec)
    module_spec.loader.exec_module(module)
    return module


game_session = load_game_session()
GameSession = game_session.GameSession

NEW_PLAYER_TITLE = "Новый игрок"
PRESETS_TITLE = "Предварительные настройки"

# Menu items as (popup index from the left, item index from the top, separators not counted).
MENU_TRAINING = (0, 1)
MENU_FULL_SCREEN = (0, 3)
MENU_STEP_BACK = (1, 0)
MENU_PRESETS = (2, 2)

# Where the cube's silhouette is probed for clicks, as fractions of the window's size, and how
# far inside the silhouette to click: the turn targets lie along the cube's outer edges.
EDGE_PROBES = [("left", 0.543), ("top", 0.493), ("right", 0.62), ("left", 0.62)]
EDGE_INSET = 3


class Timeout(Exception):
    pass


def on_alarm(signum, frame):
    raise Timeout()


class VirtualDisplay:
    """A private Xvfb when there is no display; nothing otherwise."""

    def __init__(self):
        self.process = None

    def __enter__(self):
        if os.environ.get("DISPLAY"):
            return self
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError("could not start Xvfb")
        os.environ["DISPLAY"] = ":" + number
        print("No display: the demonstration runs on a virtual display (%s)." % os.environ["DISPLAY"])
        return self

    def __exit__(self, *exc):
        if self.process:
            self.process.terminate()
            self.process.wait(timeout=10)
            del os.environ["DISPLAY"]


class Demo:
    def __init__(self, build_dir, out_dir, docs_dir):
        self.session = GameSession(build_dir, prefix=os.path.join(build_dir, "demo-prefix"))
        self.out_dir = out_dir
        self.docs_dir = docs_dir
        self.window = None
        self.full_screen = False
        self.shots = []

    # --- looking -------------------------------------------------------------------------

    def picture(self):
        return self.session.screenshot(os.path.join(self.out_dir, ".screen.png"))

    def save(self, name, window=None, docs_name=None, whole_screen=False):
        """Saves the screen (cropped to the window unless whole_screen) as <out>/<name>.png."""
        screen = os.path.join(self.out_dir, ".screen.png")
        self.session.screenshot(screen)
        target = os.path.join(self.out_dir, name + ".png")
        crop = []
        if not whole_screen:
            x, y, w, h = self.session.geometry(window or self.window)
            crop = ["-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage"]
        subprocess.run(["convert", screen, *crop, target], check=True)
        self.shots.append(target)
        if self.docs_dir and docs_name:
            # Small pictures for the README: at most 640 pixels wide, 64 colours.
            subprocess.run(["convert", target, "-resize", "640x640>", "-dither", "None", "-colors", "64",
                            "-strip", "PNG8:" + os.path.join(self.docs_dir, docs_name + ".png")], check=True)

    def area(self):
        """The game's picture on the screen: its window, or the whole screen in full screen."""
        if self.full_screen:
            w, h = subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True, text=True,
                                  check=True).stdout.split()
            return 0, 0, int(w), int(h)
        return self.session.geometry(self.window)

    def cube_box(self):
        x, y, w, h = self.area()
        return x + int(w * 0.14), y + int(h * 0.24), x + int(w * 0.86), y + int(h * 0.96)

    def cube_difference(self, a, b):
        """Share of sampled pixels in the cube's area that differ between two screenshots."""
        x0, y0, x1, y1 = self.cube_box()
        points = [(x, y) for y in range(y0, y1, 4) for x in range(x0, x1, 4)]
        return sum(1 for x, y in points if a.at(x, y) != b.at(x, y)) / len(points)

    def overlay_box(self):
        """Where the player's name and the stopwatch are drawn, top left of the scene."""
        x, y, w, h = self.area()
        if self.full_screen:  # no caption or menu above the scene
            return x + 10, y + 10, x + w // 2, y + int(h * 0.15)
        return x + 20, y + int(h * 0.1), x + w // 2, y + int(h * 0.22)

    def wait_until_steady(self, timeout=30):
        """Waits until frames are drawn (the overlay's white text shows, so the splash has
        gone) and the cube has stopped moving."""
        deadline = time.time() + timeout
        previous = self.picture()
        while time.time() < deadline:
            time.sleep(0.5)
            current = self.picture()
            text = current.count(self.overlay_box(), lambda c: min(c) > 200, step=2)
            coloured = current.count(self.cube_box(), lambda c: max(c) - min(c) > 60, step=8)
            if text > 20 and coloured > 50 and self.cube_difference(previous, current) == 0:
                return current
            previous = current
        raise TimeoutError("the game's picture did not settle")

    # --- acting --------------------------------------------------------------------------

    def menu(self, item):
        """Chooses a menu item with the keyboard, as F10 and the arrow keys would."""
        popup, index = item
        self.session.focus(self.window)
        self.session.key("F10")
        self.session.key(*["Right"] * popup)
        self.session.key(*["Down"] * (index + 1))
        self.session.key("Return")

    def edge_point(self, picture, side, fraction):
        """A point just inside the cube's silhouette on one side, in screen coordinates."""
        x, y, w, h = self.session.geometry(self.window)
        lit = lambda p: sum(picture.at(*p)) > 0
        if side == "top":
            column = x + int(w * fraction)
            for row in range(y + int(h * 0.2), y + h // 2):
                if lit((column, row)):
                    return column, row + EDGE_INSET
        else:
            row = y + int(h * fraction)
            columns = range(x + 10, x + w // 2) if side == "left" else range(x + w - 10, x + w // 2, -1)
            for column in columns:
                if lit((column, row)):
                    return column + (EDGE_INSET if side == "left" else -EDGE_INSET), row
        raise RuntimeError("the cube's %s edge was not found" % side)

    def turn_layers(self):
        """Clicks near the outer edges; returns how many clicks turned a layer."""
        x, y, w, h = self.session.geometry(self.window)
        turned = 0
        for side, fraction in EDGE_PROBES:
            before = self.picture()
            self.session.click(*self.edge_point(before, side, fraction))
            self.session.move(x + w - 10, y + h - 10)  # out of the way of the next pictures
            after = self.wait_until_steady()
            changed = self.cube_difference(before, after) > 0.01
            print("  click near the %s edge: %s" % (side, "a layer turned" if changed else "nothing turned"))
            turned += changed
        return turned

    def step_back_until_solved(self, solved, limit):
        for step in range(1, limit + 1):
            self.menu(MENU_STEP_BACK)
            time.sleep(0.4)
            if self.cube_difference(solved, self.wait_until_steady()) < 0.01:
                return step
        raise RuntimeError("the cube was not solved after %d steps back" % limit)

    # --- the demonstration ---------------------------------------------------------------

    def run(self):
        s = self.session
        s.delete_settings()  # a first start: the New-player dialog opens before the window
        s.start()

        dialog = s.find_window(NEW_PLAYER_TITLE)
        time.sleep(1.5)
        self.window = dialog
        self.save("01-new-player", dialog, docs_name="new-player")
        s.focus(dialog)
        s.key("Return")
        print("New-player dialog answered with the offered name.")

        self.window = s.find_window()
        s.focus(self.window)
        self.wait_until_steady()
        # The first frame closes the splash, but without a window manager Wine takes a
        # moment to take a destroyed window off the screen.
        time.sleep(3)
        solved = self.wait_until_steady()
        self.save("02-start", docs_name="start")
        print("The game is running: the solved cube.")

        self.menu(MENU_TRAINING)
        time.sleep(0.5)
        self.wait_until_steady()
        self.save("03-training-scramble", docs_name="scrambled")
        print("Главная → Тренировка сборки: the cube is scrambled.")

        turned = self.turn_layers()
        self.save("04-turned")
        steps = self.step_back_until_solved(solved, limit=turned + 12)
        self.save("05-solved-by-stepping-back")
        print("Редактирование → Шаг обратно, %d times: the cube is solved again." % steps)

        self.menu(MENU_FULL_SCREEN)
        self.full_screen = True
        time.sleep(1)
        self.wait_until_steady()
        s.key("F2")
        time.sleep(0.5)
        self.wait_until_steady()
        self.save("06-full-screen", whole_screen=True, docs_name="full-screen")
        s.key("Escape")
        self.full_screen = False
        time.sleep(2)
        self.window = s.find_window()
        self.wait_until_steady()
        print("Full screen with its key help (F2 scrambled there), Esc back to the window.")

        self.menu(MENU_PRESETS)
        presets = s.find_window(PRESETS_TITLE)
        time.sleep(1.5)
        self.save("07-presets", presets, docs_name="presets")
        s.focus(presets)
        s.key("Escape")
        print("Настройки → Преднастройки...: the Presets dialog, cancelled.")

        time.sleep(1)
        code = s.close(self.window)
        print("The game was closed normally (exit code %d)." % code)
        return code == 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    build_dir = os.environ.get("TESSARON_BUILD", os.path.join(ROOT, "build"))
    parser.add_argument("--out", default=os.path.join(build_dir, "demo"), help="folder for the screenshots")
    parser.add_argument("--docs", help="also write the README's pictures into this folder")
    parser.add_argument("--timeout", type=int, default=240, help="give up after this many seconds")
    args = parser.parse_args()

    if not os.path.exists(os.path.join(build_dir, "game", "tessaron.exe")):
        sys.exit("The game is not built yet: run bash scripts/build.sh first.")
    shutil.rmtree(args.out, ignore_errors=True)
    os.makedirs(args.out)
    if args.docs:
        os.makedirs(args.docs, exist_ok=True)

    signal.signal(signal.SIGALRM, on_alarm)
    signal.alarm(args.timeout)
    ok = False
    with VirtualDisplay():
        demo = Demo(build_dir, os.path.abspath(args.out), args.docs and os.path.abspath(args.docs))
        try:
            ok = demo.run()
        except Timeout:
            print("The demonstration took longer than %d s and was stopped." % args.timeout)
        except Exception as error:  # report plainly, then clean up below
            print("The demonstration failed: %s" % error)
        finally:
            signal.alarm(0)
            demo.session.shutdown()
            scratch = os.path.join(args.out, ".screen.png")
            if os.path.exists(scratch):
                os.remove(scratch)
    print("Screenshots (%d) are in %s" % (len(demo.shots), os.path.abspath(args.out)))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
