"""A scripted player for soak runs of the real game: random clicks on and off the cube, drags,
the wheel, menu commands, dialogs, full-screen round trips and window resizes for a bounded
time. It watches for the game ending, for windows nobody asked for (an error box), and reads the
game's opt-in resource report (GDI objects, windows, memory) and its registry at exit.

Used by soak_e2e.py (a short run in the test suite) and scripts/reliability.sh (long runs)."""

import os
import random
import subprocess
import time

import game_session
from game_session import GameSession

# Menu commands as (menu, item): F10, Right × menu, Down opens it on its first item, Down × item.
TRAINING, TIMED, STEP_BACK, RESET = (0, 1), (0, 2), (1, 0), (1, 1)
PLAYER_NAME, ABOUT, COLOUR, PRESETS = (0, 0), (3, 0), (2, 0), (2, 2)
ReportInterval = 2.0  # seconds between the game's idle resource samples
# A leak a player would notice over an evening takes 1 GiB more in four hours of play (about
# 73 KiB/s). Memory may grow by a quarter of that rate in the time played, plus what the first
# uses of each action and the graphics driver's passing blocks leave (measured: up to 5 MiB), so
# the evening's leak fails once it has run for about 150 s: the long soak of
# scripts/reliability.sh (600 s) catches it, a 30 s soak only leaks of several hundred KiB/s.
NoticedLeakKbPerSecond = 1024 * 1024 / (4 * 3600)
ToleratedLeakKbPerSecond = NoticedLeakKbPerSecond / 4
MemoryNoiseKb = 8 * 1024
SCREEN_SIZE = (1024, 768)
DWORD_VALUES = ("Left", "Top", "Width", "Height", "NumberRotate", "ColorBG", "Picture", "ShowNameDlg",
                "ShowListChampions", "ShowNamePlayerStopWatch")


class SoakFailure(AssertionError):
    pass


def wait_for(condition, failure, timeout, interval=0.2):
    return game_session.wait_for(condition, failure, timeout, interval, SoakFailure)


def visible_windows():
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", ""], capture_output=True,
                         text=True).stdout.split()
    return out


class SoakPlayer:
    def __init__(self, build_dir, seed, report_path, log=print):
        self.session = GameSession(build_dir)
        self.random = random.Random(seed)
        self.report_path = report_path
        self.log = log
        self.window = None
        self.root_windows = set()
        self.actions = {}

    # ---- start and end -------------------------------------------------------------------------

    def start(self, dwords=None):
        """Starts the game on fresh settings: no name prompt at start, plus the given DWORD values."""
        s = self.session
        s.delete_settings()
        for name, value in dict({"ShowNameDlg": 0}, **(dwords or {})).items():
            s.wine("reg", "add", r"HKCU\Software\Tessaron", "/v", name, "/t", "REG_DWORD", "/d", str(value), "/f")
        if os.path.exists(self.report_path):
            os.remove(self.report_path)
        s.env = dict(s.env, TESSARON_RESOURCE_REPORT="Z:" + self.report_path.replace("/", "\\"))
        self.root_windows = set(visible_windows())
        s.start()
        self.window = s.find_window(timeout=60)
        self.wait_for_first_frame()
        self.first_size = self.session.geometry(self.window)[2:]

    def wait_for_first_frame(self, timeout=60):
        # The splash closes with the first frame; then only the frame (and Wine's 1×1 helper) show.
        wait_for(lambda: not self.unexpected_windows(), "the splash (or another window) never went away", timeout, 0.5)

    def finish(self):
        """Closes the game as a person would and returns its registry values."""
        self.ensure_windowed()
        code = self.session.close(self.window, timeout=60)
        if code != 0:
            raise SoakFailure("the game ended badly: %s" % self.session.how_it_ended())
        return self.session.settings()

    # ---- watching -----------------------------------------------------------------------------

    def unexpected_windows(self, full_screen=False):
        found = []
        for w in visible_windows():
            if w in self.root_windows or w == self.window:
                continue
            try:
                _, _, width, height = self.session.geometry(w)
            except subprocess.CalledProcessError:
                continue  # closed since it was listed
            if width <= 1 and height <= 1:
                continue  # Wine's own hidden helper
            if full_screen and width >= 1024 and height >= 768:
                continue  # the full-screen window
            found.append(w)
        return found

    def check(self, what, full_screen=False):
        if self.session.process.poll() is not None:
            raise SoakFailure("the game ended during '%s': %s" % (what, self.session.how_it_ended()))
        extra = self.unexpected_windows(full_screen)
        if extra:
            names = ["%s %s" % (subprocess.run(["xdotool", "getwindowname", w], capture_output=True,
                                               text=True).stdout.strip(), self.session.geometry(w))
                     for w in extra]
            self.session.screenshot(os.path.join(os.path.dirname(self.report_path), "soak-unexpected.png"))
            raise SoakFailure("unexpected window(s) %s after '%s'" % (names, what))

    def wait_new_window(self, before, timeout=15):
        return wait_for(lambda: [w for w in self.unexpected_windows() if w not in before], "no dialog appeared",
                        timeout, 0.1)[-1]

    def wait_gone(self, window, timeout=15):
        wait_for(lambda: window not in visible_windows(), "a dialog did not close", timeout, 0.1)

    # ---- places -------------------------------------------------------------------------------

    def area(self):
        """The 3D area of the frame in screen coordinates (below the caption and the menu)."""
        x, y, w, h = self.session.geometry(self.window)
        return x + 4, y + 45, x + w - 4, y + h - 4

    def point_on_cube(self):
        x0, y0, x1, y1 = self.area()
        cx, cy = (x0 + x1) // 2, (y0 + y1) // 2 + 20
        r = min(x1 - x0, y1 - y0) // 4
        return cx + self.random.randint(-r, r), cy + self.random.randint(-r, r)

    def point_off_cube(self):
        x0, y0, x1, y1 = self.area()
        return (self.random.choice([x0 + 15, x1 - 15]), self.random.choice([y0 + 80, y1 - 15]))

    # ---- actions ------------------------------------------------------------------------------

    def click_cube(self):
        self.session.click(*self.point_on_cube())

    def click_off_cube(self):
        self.session.click(*self.point_off_cube())

    def drag(self):
        x, y = self.point_on_cube()
        self.session.move(x, y)
        subprocess.run(["xdotool", "mousedown", "3"], check=True)
        for _ in range(self.random.randint(3, 8)):
            dx, dy = self.random.randint(-40, 40), self.random.randint(-30, 30)
            subprocess.run(["xdotool", "mousemove_relative", "--", str(dx), str(dy)], check=True)
            time.sleep(0.05)
        subprocess.run(["xdotool", "mouseup", "3"], check=True)

    def wheel(self):
        self.session.move(*self.point_on_cube())
        button = self.random.choice(["4", "5"])
        for _ in range(self.random.randint(1, 3)):
            subprocess.run(["xdotool", "click", button], check=True)
            time.sleep(0.05)

    def menu(self, command):
        menu, item = command
        self.session.focus(self.window)
        keys = ["F10"] + ["Right"] * menu + ["Down"] + ["Down"] * item + ["Return"]
        self.session.key(*keys, hold=0.05)

    def menu_command(self):
        self.menu(self.random.choice([TRAINING, TRAINING, TIMED, STEP_BACK, RESET]))
        time.sleep(0.3)

    def dialog(self, command=None):
        command = command or self.random.choice([PRESETS, PRESETS, ABOUT, PLAYER_NAME, COLOUR])
        before = set(self.unexpected_windows())
        self.menu(command)
        dialog = self.wait_new_window(before)
        time.sleep(0.3)
        self.session.focus(dialog)
        # Presets: OK keeps the values as they are; the others are cancelled.
        self.session.key("Return" if command == PRESETS and self.random.random() < 0.5 else "Escape")
        self.wait_gone(dialog)

    def full_screen(self):
        self.session.focus(self.window)
        self.session.key("alt+Return")
        self.wait_full_screen()
        self.check("full screen", full_screen=True)
        for _ in range(self.random.randint(0, 3)):
            self.session.key(self.random.choice(["F2", "F3", "r"]))
            time.sleep(0.3)
        self.check("keys in full screen", full_screen=True)
        self.session.move(512, 384)
        self.session.key("Escape")
        self.ensure_windowed()

    def wait_full_screen(self, timeout=30):
        """Waits for what Alt+Enter must cause: a window of the game covering the screen."""
        wait_for(lambda: any(self.size(w) == SCREEN_SIZE for w in self.unexpected_windows()),
                 "Alt+Enter showed no full-screen window within %d s" % timeout, timeout)

    def size(self, window):
        try:
            return self.session.geometry(window)[2:]
        except subprocess.CalledProcessError:
            return None  # closed meanwhile

    def ensure_windowed(self, timeout=20):
        wait_for(lambda: self.window in visible_windows() and not self.unexpected_windows() and
                 self.session.geometry(self.window)[2] < 1024, "the window did not come back from full screen", timeout)

    def resize(self):
        self.size_window(self.random.randint(420, 1000), self.random.randint(350, 740))

    def size_window(self, w, h, timeout=20):
        subprocess.run(["xdotool", "windowsize", self.window, str(w), str(h)], check=False)
        wait_for(lambda: self.size(self.window) == (w, h),
                 "the window did not take the size %dx%d within %d s" % (w, h, timeout), timeout, 0.1)

    ACTIONS = (("click_cube", 8), ("click_off_cube", 3), ("drag", 4), ("wheel", 3), ("menu_command", 3),
               ("dialog", 2), ("full_screen", 1), ("resize", 3))

    def warm_up(self):
        """Every kind of action once: the first dialog of each kind, the first full screen and
        the first resize make objects that the system keeps for later ones. Returns the number
        of resource samples written so far; later ones are compared with the last of these."""
        for command in (PRESETS, ABOUT, PLAYER_NAME, COLOUR):
            self.dialog(command)
            self.check("dialog")
        for name, _ in self.ACTIONS:
            if name != "dialog":
                getattr(self, name)()
                self.check(name)
        return self.settle()

    def settle(self):
        """Back to the window's first size (memory follows the back buffer's size), then waits
        for two resource samples; returns the number of samples so far."""
        self.ensure_windowed()
        self.size_window(*self.first_size)
        # The first sample after the size may still have been taken before the reset it causes.
        wanted = len(self.report()) + 2
        wait_for(lambda: len(self.report()) >= wanted,
                 "the game wrote no resource sample for %.0f s" % (10 * ReportInterval), 10 * ReportInterval)
        self.check("settle")
        return len(self.report())

    def play(self, seconds):
        names = [n for n, weight in self.ACTIONS for _ in range(weight)]
        deadline = time.time() + seconds
        while time.time() < deadline:
            name = self.random.choice(names)
            getattr(self, name)()
            self.actions[name] = self.actions.get(name, 0) + 1
            self.check(name)
        self.settle()
        return self.actions

    # ---- what the game reported ---------------------------------------------------------------

    def report(self):
        samples = []
        if not os.path.exists(self.report_path):
            return samples
        for line in open(self.report_path):
            label, *fields = line.split()
            values = dict(f.split("=") for f in fields)
            samples.append((label, {k: int(v) for k, v in values.items()}))
        return samples


def check_saved_settings(values):
    """All thirteen values, each with its type and size."""
    missing = [n for n in DWORD_VALUES + ("PathPicture", "NamePlayer", "Champions") if n not in values]
    if missing:
        raise SoakFailure("values missing at exit: %s" % missing)
    for name in DWORD_VALUES:
        if not values[name].startswith("dword:"):
            raise SoakFailure("%s saved as %s" % (name, values[name]))
    if not values["PathPicture"].startswith('"'):
        raise SoakFailure("PathPicture saved as %s" % values["PathPicture"])
    for name, size in (("NamePlayer", 200), ("Champions", 140)):
        text = values[name]
        if not text.startswith("hex:") or len(text[4:].split(",")) != size:
            raise SoakFailure("%s saved with the wrong type or size: %s" % (name, text[:40]))


def lowest(samples):
    return {key: min(values[key] for values in samples) for key in samples[0]}


def check_no_growth(samples, warm_up_samples, played_seconds, gdi_slack=4, judge_memory=True):
    """The lowest of the last idle samples against the lowest at the end of the warm-up: the
    graphics driver takes 64 MiB blocks for a while and returns them, so a single sample may
    land on a passing peak; what stays (a leak) raises the lowest ones too."""
    memory_slack_kb = MemoryNoiseKb + ToleratedLeakKbPerSecond * played_seconds
    idle = [values for label, values in samples[:warm_up_samples] if label == "idle"]
    later = [values for label, values in samples[warm_up_samples:] if label == "idle"]
    if not idle or not later:
        raise SoakFailure("too few resource samples (%d)" % len(samples))
    first, last = lowest(idle[-2:]), lowest(later[-3:])
    problems = ["%s %d → %d" % (what, first[key], last[key])
                for key, what, slack in (("gdi", "GDI objects", gdi_slack), ("user", "USER objects", gdi_slack),
                                         ("windows", "windows", 0), ("handles", "handles", gdi_slack))
                if last[key] > first[key] + slack]
    if judge_memory and last["private_kb"] > first["private_kb"] + memory_slack_kb:
        problems.append("private memory %d KiB → %d KiB in %.0f s" % (first["private_kb"], last["private_kb"],
                                                                     played_seconds))
    if problems:
        raise SoakFailure("resources grew: " + "; ".join(problems))
    return first, last
