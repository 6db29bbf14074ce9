#!/usr/bin/env python3
"""Tessaron benchmark: start-up as a person sees it, frame times, click-to-turn latency,
data-file load time and memory after start and after a soak.

Everything runs on a private Xvfb in a Wine prefix of the benchmark's own (a copy of the build's
prefix, with the New-player dialog switched off), never the player's. Each figure is taken over
--runs runs (at least five); the table is printed and written to --out.

  python3 bench/run_bench.py                 # builds first, 5 runs, 10-minute soak
  python3 bench/run_bench.py --soak-minutes 0.5 --label "after"
  python3 bench/run_bench.py --quick         # start-up, memory and idle CPU only (about 3 minutes)

Start-up: for every run the Wine server is stopped first (as when a player starts the game), then
the trivial window program (tools/bench/trivial_window.cpp), the Direct3D floor
(tools/bench/d3d_floor.cpp: the least program that makes a device like the game's and draws three
quads whenever it is idle) and the game are launched in turn, in that order on odd runs and the
other way round on even ones, while bench/screen_watch.c takes a picture of the screen every
--poll-ms. The trivial program's figure is the time to its first window
picture: Wine's own floor; the Direct3D floor's is the time to its first drawn frame: what any
Direct3D 9 program pays here. The game's are the time to the first
picture of the splash and to the first picture with at least three sticker colours inside the 3D
area. The same first frames are also timed by the programs' own performance counters, on the
launch's clock, without the screen's polling: the Direct3D floor writes the moment its first Present
returned (the picture reaches the screen somewhat later), the game the moment its first cube frame
was in its window. Frame times and the click latency come from the game's opt-in frame log
(TESSARON_FRAME_LOG): the performance-counter reading of every presented frame and the number of
turn steps it shows. Memory is the proportional set size (PSS, /proc/<pid>/smaps_rollup) of every
process of the benchmark's prefix: the program, wineserver and Wine's helper processes, taken
--memory-delay seconds after launch; the idle CPU is the processor time of the same processes over
the next --cpu-seconds, nobody touching the program (the game and the Direct3D floor both draw
whenever they are idle, so both keep every core busy: the figure is for information).
"""

import argparse
import math
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TITLE = "Головоломка Кубик Тессара"
TRIVIAL_TITLE = "Trivial window"
SETTINGS_KEY = r"HKCU\Software\Tessaron"
D3D_FLOOR_TITLE = "Direct3D floor"
MARKER = "FF00FF"          # the colour of the trivial window and of the Direct3D floor's frames
SCREEN = (1024, 768)
SPLASH_SIZE = (401, 244)
STARTUP_TIMEOUT = 60.0


def log(text):
    print(text, file=sys.stderr, flush=True)


# ---- Environment -------------------------------------------------------------------------------

class Bench:
    def __init__(self, args):
        self.args = args
        self.build = os.path.abspath(args.build)
        self.game_dir = os.path.join(self.build, "game")
        self.bench_dir = os.path.join(self.build, "bench")
        self.prefix = os.path.join(self.build, "bench-prefix")
        self.watch = os.path.join(self.bench_dir, "screen_watch")
        self.trivial = os.path.join(self.bench_dir, "trivial_window.exe")
        self.d3d_floor = os.path.join(self.bench_dir, "d3d_floor.exe")
        self.xvfb = None
        self.env = None
        self.area = None
        self.target_point = None

    def prepare(self):
        if not self.args.no_build:
            subprocess.run(["bash", os.path.join(ROOT, "scripts", "build.sh")], check=True)
        os.makedirs(self.bench_dir, exist_ok=True)
        self.build_watcher()
        self.start_display()
        self.prepare_prefix()

    def build_watcher(self):
        if not all(os.path.exists(h) for h in ("/usr/include/X11/Xlib.h", "/usr/include/X11/extensions/XShm.h")):
            log("installing libx11-dev and libxext-dev for the screen watcher")
            subprocess.run(["apt-get", "install", "-y", "-qq", "--no-install-recommends", "libx11-dev", "libxext-dev"],
                           check=True, stdout=subprocess.DEVNULL)
        source = os.path.join(ROOT, "bench", "screen_watch.c")
        if not os.path.exists(self.watch) or os.path.getmtime(self.watch) < os.path.getmtime(source):
            subprocess.run(["cc", "-O2", "-Wall", "-o", self.watch, source, "-lXext", "-lX11", "-lm"], check=True)

    def start_display(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                                      "%dx%dx24" % SCREEN, "-nolisten", "tcp"], pass_fds=(write_end,),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read_end, 16)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
        os.close(read_end)
        self.display = ":" + number.decode().strip()
        os.environ["DISPLAY"] = self.display

    def prepare_prefix(self):
        if not os.path.exists(os.path.join(self.prefix, ".tessaron-ready")):
            shutil.rmtree(self.prefix, ignore_errors=True)
            shutil.copytree(os.path.join(self.build, "test-prefix"), self.prefix, symlinks=True)
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=", DISPLAY=self.display)
        self.env.pop("TESSARON_FRAME_LOG", None)
        self.wine("reg", "delete", SETTINGS_KEY, "/f", check=False)
        self.wine("reg", "add", SETTINGS_KEY, "/v", "ShowNameDlg", "/t", "REG_DWORD", "/d", "0", "/f")
        self.stop_server()

    def wine(self, *args, check=True):
        return subprocess.run(["wine", *args], env=self.env, check=check, capture_output=True,
                              stdin=subprocess.DEVNULL)

    def stop_server(self):
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True)
        subprocess.run(["wineserver", "-w"], env=self.env, capture_output=True)

    def finish(self):
        self.stop_server()
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait()

    # ---- Processes and windows -------------------------------------------------------------------

    def launch(self, exe, cwd, frame_log=None):
        env = dict(self.env)
        if frame_log:
            env["TESSARON_FRAME_LOG"] = "Z:" + frame_log.replace("/", "\\")
        return subprocess.Popen(["wine", exe], cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def find_window(self, name, timeout=30):
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = subprocess.run(["xdotool", "search", "--name", "^%s$" % name], capture_output=True,
                                   text=True).stdout.split()
            if found:
                return found[-1]
            time.sleep(0.1)
        raise TimeoutError("no window named %r" % name)

    def geometry(self, window):
        out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], capture_output=True,
                             text=True, check=True).stdout
        fields = dict(line.split("=", 1) for line in out.split())
        return int(fields["X"]), int(fields["Y"]), int(fields["WIDTH"]), int(fields["HEIGHT"])

    def close_game(self, process, window):
        """Closes the game as a person would (Alt+F4), so it saves and writes its frame log."""
        subprocess.run(["xdotool", "windowfocus", "--sync", window], capture_output=True)
        subprocess.run(["xdotool", "key", "--clearmodifiers", "alt+F4"], capture_output=True)
        try:
            process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            process.kill()
        subprocess.run(["wineserver", "-w"], env=self.env, capture_output=True)

    def kill_program(self, process):
        process.kill()
        process.wait()
        self.stop_server()

    def pss_mib(self):
        """PSS of every process of the benchmark's prefix, in MiB, and the process names."""
        total, names = 0, []
        needle = ("WINEPREFIX=%s" % self.prefix).encode()
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if needle not in f.read().split(b"\0"):
                        continue
                with open("/proc/%s/smaps_rollup" % pid) as f:
                    for line in f:
                        if line.startswith("Pss:"):
                            total += int(line.split()[1])
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    names.append(os.path.basename(f.read().split(b"\0")[0].decode(errors="replace")
                                                  .replace("\\", "/")))
            except OSError:
                continue
        return total / 1024.0, sorted(names)

    # ---- Screen watching -------------------------------------------------------------------------

    def start_watch(self, *options):
        watch = subprocess.Popen([self.watch, "--display", self.display, "--interval-ms",
                                  str(self.args.poll_ms), "--timeout-ms", str(int(STARTUP_TIMEOUT * 1000)),
                                  *options], stdout=subprocess.PIPE, text=True)
        line = watch.stdout.readline()
        if not line.startswith("start"):
            raise RuntimeError("screen watcher did not start")
        return watch

    @staticmethod
    def watch_events(watch):
        events = {}
        for line in watch.stdout:
            fields = line.split()
            events.setdefault(fields[0], float(fields[1]))
        watch.wait()
        return events

    def splash_probes(self):
        """Points of the splash picture inside its shape, where the splash window shows them."""
        path = os.path.join(self.bench_dir, "splash_probes.txt")
        picture = read_bmp(os.path.join(self.build, "generated", "shell", "splash.bmp"))
        shape = read_region(os.path.join(self.build, "generated", "shell", "splash_region.bin"))
        left = (SCREEN[0] - SPLASH_SIZE[0]) // 2
        top = (SCREEN[1] - SPLASH_SIZE[1]) // 2
        lines = []
        for y in range(5, SPLASH_SIZE[1], 7):
            for x in range(3, SPLASH_SIZE[0], 7):
                if any(r[0] <= x < r[2] and r[1] <= y < r[3] for r in shape):
                    rgb = picture[y][x]
                    if sum(rgb) > 60:  # black pixels tell nothing on a black screen
                        lines.append("%d %d %d %d %d" % (left + x, top + y, *rgb))
        with open(path, "w") as f:
            f.write("\n".join(lines) + "\n")
        return path

    # ---- Measurements ----------------------------------------------------------------------------

    def startup_floor(self, exe, measure_cpu=True):
        """(launch to the first marker picture, (PSS, names), idle CPU %, launch to the first frame by
        the program's own counter) of a floor program."""
        self.stop_server()
        watch = self.start_watch("--marker", MARKER)
        with tempfile.TemporaryDirectory() as tmp:
            frame_log = os.path.join(tmp, "frames.txt")
            launched, counted_from = time.monotonic(), frame_clock()
            process = self.launch(exe, self.bench_dir, frame_log=frame_log)
            events = self.watch_events(watch)
            memory = self.memory_at(launched + self.args.memory_delay)
            cpu = self.idle_cpu() if measure_cpu else math.nan
            self.kill_program(process)
            counted = first_logged_frame(frame_log) - counted_from
        return events.get("marker", math.nan) - launched, memory, cpu, counted

    def startup_game(self, probes):
        self.stop_server()
        watch = self.start_watch("--area", *map(str, self.area), "--probes", probes)
        with tempfile.TemporaryDirectory() as tmp:
            frame_log = os.path.join(tmp, "frames.txt")
            launched, counted_from = time.monotonic(), frame_clock()
            process = self.launch("./tessaron.exe", self.game_dir, frame_log=frame_log)
            events = self.watch_events(watch)
            memory = self.memory_at(launched + self.args.memory_delay)
            cpu = self.idle_cpu()
            window = self.find_window(TITLE)
            self.close_game(process, window)
            counted = first_logged_frame(frame_log) - counted_from
        first_seen = min(events.get("splash", math.inf), events.get("visible", math.inf))
        return (first_seen - launched, events.get("splash", math.nan) - launched,
                events.get("cube", math.nan) - launched, memory, cpu, counted)

    def prefix_pids(self):
        needle = ("WINEPREFIX=%s" % self.prefix).encode()
        pids = []
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if needle in f.read().split(b"\0"):
                        pids.append(pid)
            except OSError:
                continue
        return pids

    def cpu_ticks(self):
        """Processor time used so far by every process of the prefix, in clock ticks, by pid."""
        ticks = {}
        for pid in self.prefix_pids():
            try:
                with open("/proc/%s/stat" % pid) as f:
                    fields = f.read().rsplit(")", 1)[1].split()
                ticks[pid] = int(fields[11]) + int(fields[12])  # utime, stime
            except (OSError, IndexError, ValueError):
                continue
        return ticks

    def idle_cpu(self):
        """Share of one core (%) the prefix's processes use over --cpu-seconds while nobody acts."""
        before = self.cpu_ticks()
        started = time.monotonic()
        time.sleep(self.args.cpu_seconds)
        after = self.cpu_ticks()
        used = sum(t - before.get(pid, 0) for pid, t in after.items())
        return 100.0 * used / os.sysconf("SC_CLK_TCK") / (time.monotonic() - started)

    def memory_at(self, when):
        time.sleep(max(0.0, when - time.monotonic()))
        return self.pss_mib()

    def locate_3d_area(self):
        """A warm-up start: where the game window lies and where a click turns a layer."""
        self.stop_server()
        process = self.launch("./tessaron.exe", self.game_dir)
        window = self.find_window(TITLE)
        time.sleep(3)
        x, y, width, height = self.geometry(window)
        shot = os.path.join(self.bench_dir, "start_view.png")
        subprocess.run(["import", "-display", self.display, "-window", "root", shot], check=True)
        # The 3D area is the dark client area below the bright menu band that Wine draws.
        picture = read_picture(shot)
        middle = x + width // 2
        dark = lambda px, py: max(picture[py][px]) < 40
        top = y + 5
        while top < y + height and dark(middle, top):
            top += 1
        while top < y + height and not dark(middle, top):
            top += 1
        bottom = y + height - 1
        while bottom > top and not dark(middle, bottom):
            bottom -= 1
        row = (top + bottom) // 2
        left, right = x, x + width - 1
        while left < middle and not dark(left, row):
            left += 1
        while right > middle and not dark(right, row):
            right -= 1
        self.area = (left, top, right + 1, bottom + 1)
        self.target_point = target_screen_point(left, top, right + 1 - left, bottom + 1 - top)
        self.close_game(process, window)
        log("3D area %s, click target at %s, picture %s" % (self.area, self.target_point, shot))

    def frames_and_click(self, run):
        with tempfile.TemporaryDirectory() as tmp:
            frame_log = os.path.join(tmp, "frames.txt")
            process = self.launch("./tessaron.exe", self.game_dir, frame_log=frame_log)
            window = self.find_window(TITLE)
            subprocess.run(["xdotool", "windowfocus", "--sync", window], capture_output=True)
            subprocess.run(["xdotool", "mousemove", "--sync", "1000", "750"], check=True)
            time.sleep(2.0)
            idle_from = frame_clock()
            time.sleep(self.args.idle_seconds)
            idle_to = frame_clock()
            subprocess.run(["xdotool", "mousemove", "--sync", *map(str, self.target_point)], check=True)
            time.sleep(0.3)
            subprocess.run(["xdotool", "mousedown", "1"], check=True)
            clicked = frame_clock()  # the press has reached the X server when xdotool returns
            time.sleep(0.15)
            subprocess.run(["xdotool", "mouseup", "1"], check=True)
            time.sleep(1.0)
            self.close_game(process, window)
            frames = read_frame_log(frame_log)
        idle = [t for t, _ in frames if idle_from <= t <= idle_to]
        intervals = [1e3 * (b - a) for a, b in zip(idle, idle[1:])]
        turned = [t for t, mark in frames if t > clicked and mark > 0]
        latency = 1e3 * (turned[0] - clicked) if turned else math.nan
        return intervals, latency

    def data_file_load(self):
        out = subprocess.run(["wine", os.path.join(self.bench_dir, "content_benchmark.exe")], cwd=self.game_dir,
                             env=self.env,
                             capture_output=True, text=True, stdin=subprocess.DEVNULL).stdout
        figures = {}
        for line in out.splitlines():
            if line.startswith("data file load"):
                figures["load"] = float(line.split("median")[1].split()[0])
            elif line.startswith("pick mesh load"):
                figures["pick"] = float(line.split(":")[1].split()[0])
        return figures

    def soak(self):
        self.stop_server()
        process = self.launch("./tessaron.exe", self.game_dir)
        window = self.find_window(TITLE)  # the main window shows with the first frame
        launched = time.monotonic()
        subprocess.run(["xdotool", "windowfocus", "--sync", window], capture_output=True)
        # The graphics driver's working set settles over the first seconds of drawing (it grows in
        # 64 MiB steps, then stays): the soak's baseline is taken after a warm-up.
        start, _ = self.memory_at(launched + self.args.soak_warmup)
        game_start = self.game_pss()
        end_time = launched + self.args.soak_warmup + 60 * self.args.soak_minutes
        next_click = time.monotonic() + 30
        while time.monotonic() < end_time:
            # A turn now and then, so the soak covers picking and the animation too.
            if time.monotonic() >= next_click and self.target_point:
                subprocess.run(["xdotool", "mousemove", "--sync", *map(str, self.target_point)], check=True)
                subprocess.run(["xdotool", "mousedown", "1"], check=True)
                time.sleep(0.15)
                subprocess.run(["xdotool", "mouseup", "1"], check=True)
                subprocess.run(["xdotool", "mousemove", "1000", "750"], check=True)
                next_click += 30
            time.sleep(min(1.0, max(0.0, end_time - time.monotonic())))
        end, _ = self.pss_mib()
        game_end = self.game_pss()
        self.close_game(process, window)
        return start, end, game_start, game_end

    def game_pss(self):
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    if not f.read().split(b"\0")[0].lower().endswith(b"tessaron.exe"):
                        continue
                with open("/proc/%s/smaps_rollup" % pid) as f:
                    for line in f:
                        if line.startswith("Pss:"):
                            return int(line.split()[1]) / 1024.0
            except OSError:
                continue
        return math.nan


# ---- Files -------------------------------------------------------------------------------------

def read_bmp(path):
    """Rows of (r, g, b) of an uncompressed 8-, 24- or 32-bit BMP, top row first."""
    data = open(path, "rb").read()
    offset = int.from_bytes(data[10:14], "little")
    header = int.from_bytes(data[14:18], "little")
    width = int.from_bytes(data[18:22], "little", signed=True)
    height = int.from_bytes(data[22:26], "little", signed=True)
    bits = int.from_bytes(data[28:30], "little")
    colours = int.from_bytes(data[46:50], "little") or (1 << bits if bits <= 8 else 0)
    palette = [(data[14 + header + 4 * i + 2], data[14 + header + 4 * i + 1], data[14 + header + 4 * i])
               for i in range(colours)]
    stride = ((width * bits + 31) // 32) * 4
    rows = []
    for row in range(abs(height)):
        start = offset + row * stride
        if bits == 8:
            pixels = [palette[data[start + x]] for x in range(width)]
        else:
            step = bits // 8
            pixels = [(data[start + step * x + 2], data[start + step * x + 1], data[start + step * x])
                      for x in range(width)]
        rows.append(pixels)
    return rows[::-1] if height > 0 else rows


def read_region(path):
    """Rectangles of a RGNDATA block."""
    data = open(path, "rb").read()
    count = int.from_bytes(data[8:12], "little")
    size = int.from_bytes(data[0:4], "little")
    return [tuple(int.from_bytes(data[size + 16 * i + 4 * k:size + 16 * i + 4 * k + 4], "little", signed=True)
                  for k in range(4)) for i in range(count)]


def read_picture(path):
    """Rows of (r, g, b) of any picture ImageMagick reads."""
    data = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout
    width, height = map(int, subprocess.run(["identify", "-format", "%w %h", path], check=True,
                                            capture_output=True, text=True).stdout.split())
    return [[tuple(data[3 * (r * width + c):3 * (r * width + c) + 3]) for c in range(width)]
            for r in range(height)]


def frame_clock():
    """The clock of the game's frame log: Wine's performance counter runs on CLOCK_MONOTONIC_RAW."""
    return time.clock_gettime(time.CLOCK_MONOTONIC_RAW)


def first_logged_frame(path):
    """The frame_clock() time of the first frame in a frame log; NaN when nothing was logged."""
    try:
        frames = read_frame_log(path)
    except (OSError, ValueError, IndexError):
        return math.nan
    return frames[0][0] if frames else math.nan


def read_frame_log(path):
    """(seconds on frame_clock(), mark) for each presented frame of the game's frame log."""
    with open(path) as f:
        frequency = float(f.readline().split()[1])
        frames = []
        for line in f:
            counter, mark = line.split()
            frames.append((int(counter) / frequency, int(mark)))
    return frames


# ---- Geometry of a click -----------------------------------------------------------------------

def target_screen_point(client_x, client_y, width, height):
    """Screen point over the turn target at the front edge of the top face's middle facet, as the
    game first shows the cube (pitch and yaw -pi/4, field of view pi/4, eye at z = -50)."""
    def rotation_y(a):
        c, s = math.cos(a), math.sin(a)
        return [[c, 0, -s, 0], [0, 1, 0, 0], [s, 0, c, 0], [0, 0, 0, 1]]

    def rotation_x(a):
        c, s = math.cos(a), math.sin(a)
        return [[1, 0, 0, 0], [0, c, s, 0], [0, -s, c, 0], [0, 0, 0, 1]]

    def times(p, m):
        return [sum(p[k] * m[k][j] for k in range(4)) for j in range(4)]

    point = [0.0, 9.06, -8.4, 1.0]  # above the outer edge of a border facet of the top face
    point = times(times(point, rotation_y(-math.pi / 4)), rotation_x(-math.pi / 4))
    z = point[2] + 50.0            # the eye looks along +z from z = -50
    scale = 1.0 / math.tan(math.pi / 8)
    aspect = width / height
    ndc_x = point[0] * scale / aspect / z
    ndc_y = point[1] * scale / z
    return (int(client_x + (ndc_x + 1) * width / 2), int(client_y + (1 - ndc_y) * height / 2))


# ---- Report ------------------------------------------------------------------------------------

def launch_order(run):
    """The start-up launches of a run. Each launch follows a program that kept both cores busy
    for seconds, and the first of a run follows the previous run's last: which program comes
    first moves its figure by tenths of a second here, so the order turns round every run."""
    order = ["trivial", "floor", "game"]
    return order if run % 2 == 0 else order[::-1]


def median(values):
    values = [v for v in values if not math.isnan(v)]
    return statistics.median(values) if values else math.nan


def percentile(values, share):
    values = sorted(values)
    if not values:
        return math.nan
    return values[min(len(values) - 1, int(math.ceil(share * len(values))) - 1)]


def table(rows):
    lines = ["| measure | median | runs | target |", "|---|---|---|---|"]
    for name, value, unit, samples, target in rows:
        digits = {"s": 3, "x": 2}.get(unit, 1)
        shown = "n/a" if math.isnan(value) else "%.*f %s" % (digits, value, unit)
        lines.append("| %s | %s | %s | %s |" % (name, shown, samples, target))
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--soak-minutes", type=float, default=10.0)
    parser.add_argument("--poll-ms", type=int, default=50)
    parser.add_argument("--idle-seconds", type=float, default=5.0)
    parser.add_argument("--memory-delay", type=float, default=5.0, help="seconds after launch")
    parser.add_argument("--cpu-seconds", type=float, default=10.0, help="idle CPU sampled over this long")
    parser.add_argument("--quick", action="store_true",
                        help="start-up, memory and idle CPU only: no frame, click, load or soak runs")
    parser.add_argument("--soak-warmup", type=float, default=30.0, help="seconds before the soak's baseline")
    parser.add_argument("--label", default="")
    parser.add_argument("--out", default=os.path.join(ROOT, "bench", "last_run.md"))
    parser.add_argument("--no-build", action="store_true")
    args = parser.parse_args()
    if args.runs < 5:
        parser.error("at least five runs")

    load_before = os.getloadavg()
    bench = Bench(args)
    try:
        bench.prepare()
        bench.locate_3d_area()
        probes = bench.splash_probes()

        floors, floor_memory, d3d_floors, d3d_memory, d3d_cpu = [], [], [], [], []
        firsts, splashes, cubes, memories, game_cpu = [], [], [], [], []
        d3d_counted, cubes_counted, game_first = [], [], []
        launches = {
            "trivial": lambda: bench.startup_floor(bench.trivial, measure_cpu=False),
            "floor": lambda: bench.startup_floor(bench.d3d_floor),
            "game": lambda: bench.startup_game(probes),
        }
        for run in range(args.runs):
            order = launch_order(run)
            measured = {name: launches[name]() for name in order}
            floor, (trivial_pss, _), _, _ = measured["trivial"]
            d3d_first, (d3d_pss, d3d_names), d3d_load, d3d_count = measured["floor"]
            first, splash, cube, (game_pss, names), game_load, cube_count = measured["game"]
            game_first.append(order[0] == "game")
            d3d_counted.append(d3d_count)
            cubes_counted.append(cube_count)
            floors.append(floor)
            floor_memory.append(trivial_pss)
            d3d_floors.append(d3d_first)
            d3d_memory.append(d3d_pss)
            d3d_cpu.append(d3d_load)
            firsts.append(first)
            splashes.append(splash)
            cubes.append(cube)
            memories.append(game_pss)
            game_cpu.append(game_load)
            log("start-up run %d (%s): trivial %.3f s, Direct3D floor %.3f s, game first seen %.3f s, splash %.3f s, "
                "cube %.3f s; PSS game %.1f MiB over %s, Direct3D floor %.1f MiB over %s, trivial %.1f MiB; "
                "idle CPU game %.0f %%, Direct3D floor %.0f %%; first frame by the programs' counters: "
                "Direct3D floor %.3f s, game %.3f s"
                % (run + 1, ", ".join(order), floor, d3d_first, first, splash, cube, game_pss, " ".join(names), d3d_pss,
                   " ".join(d3d_names), trivial_pss, game_load, d3d_load, d3d_count, cube_count))

        intervals, latencies, loads, soak = [], [], [], None
        bench.stop_server()
        for run in range(0 if args.quick else args.runs):
            frames, latency = bench.frames_and_click(run)
            intervals += frames
            latencies.append(latency)
            log("frame run %d: %d idle frames, median %.2f ms, click to turned frame %.1f ms"
                % (run + 1, len(frames), median(frames), latency))

        if not args.quick:
            loads = [bench.data_file_load() for _ in range(args.runs)]
            log("data file loads: %s" % loads)
            soak = bench.soak()
            log("soak: PSS %.1f -> %.1f MiB (game process %.1f -> %.1f MiB)" % soak)
    finally:
        bench.finish()
    load_after = os.getloadavg()

    floor = median(floors)
    pss_ratios = [g / f for g, f in zip(memories, d3d_memory)]
    rows = [
        ("trivial Wine window: launch to first window picture", floor, "s", len(floors), "(the floor)"),
        ("Direct3D floor: launch to first drawn frame", median(d3d_floors), "s", len(d3d_floors),
         "(the Direct3D floor)"),
        ("game: launch to first picture (splash)", median(splashes), "s", len(splashes),
         "floor + 0.05 s"),
        ("game: splash minus floor", median([s - f for s, f in zip(splashes, floors)]), "s", len(splashes),
         "<= 0.05 s"),
        ("game: launch to first picture with the 3D cube", median(cubes), "s", len(cubes), "floor + 0.4 s"),
        ("game: 3D cube minus floor", median([c - f for c, f in zip(cubes, floors)]), "s", len(cubes),
         "<= 0.4 s"),
        ("game: 3D cube minus the Direct3D floor's first frame",
         median([c - f for c, f in zip(cubes, d3d_floors)]), "s", len(cubes), "<= 0.05 s"),
        ("game: first picture of anything", median(firsts), "s", len(firsts), ""),
        ("Direct3D floor: launch to its first Present's return, by its own counter", median(d3d_counted), "s",
         len(d3d_counted), "(the Direct3D floor)"),
        ("game: launch to first cube frame shown, by its own counter", median(cubes_counted), "s",
         len(cubes_counted), ""),
        ("game: first cube frame minus the Direct3D floor's, by the counters",
         median([c - f for c, f in zip(cubes_counted, d3d_counted)]), "s", len(cubes_counted),
         "(not a like moment: wined3d draws the floor's Present later)"),
    ]
    for first, label in ((False, "the Direct3D floor launched first"), (True, "the game launched first")):
        pairs = [(c, f) for c, f, g in zip(cubes, d3d_floors, game_first) if g == first]
        if pairs:
            rows.append(("game: 3D cube minus the Direct3D floor's first frame, %s" % label,
                         median([c - f for c, f in pairs]), "s", len(pairs), "(for information)"))
    if not args.quick:
        rows += [
            ("frame time, median (700 x 626, idle)", median(intervals), "ms", "%d frames" % len(intervals),
             "<= 4 ms"),
            ("frame time, 99th percentile", percentile(intervals, 0.99), "ms", "%d frames" % len(intervals), ""),
            ("click to first turned frame", median(latencies), "ms", len(latencies), "<= 50 ms"),
            ("data file load (CSceneFile::Create)", median([l.get("load", math.nan) for l in loads]), "ms",
             len(loads), ""),
            ("pick mesh load (loose cube.x)", median([l.get("pick", math.nan) for l in loads]), "ms", len(loads),
             ""),
        ]
    rows += [
        ("PSS of all processes %g s after start, trivial window" % args.memory_delay, median(floor_memory), "MiB",
         len(floor_memory), "(about 87 MiB)"),
        ("PSS of all processes %g s after start, Direct3D floor" % args.memory_delay, median(d3d_memory), "MiB",
         len(d3d_memory), "(the Direct3D floor)"),
        ("PSS of all processes %g s after start, game" % args.memory_delay, median(memories), "MiB",
         len(memories), ""),
        ("PSS of the game / PSS of the Direct3D floor", median(pss_ratios), "x", len(pss_ratios), "<= 1.15 x"),
        ("idle CPU over %g s, Direct3D floor (for information)" % args.cpu_seconds, median(d3d_cpu), "%",
         len(d3d_cpu), ""),
        ("idle CPU over %g s, game (for information)" % args.cpu_seconds, median(game_cpu), "%", len(game_cpu), ""),
    ]
    if soak:
        rows += [
            ("PSS of all processes after the soak (%g min)" % args.soak_minutes, soak[1], "MiB", 1, ""),
            ("PSS growth over the soak (after %g s warm-up), all processes" % args.soak_warmup, soak[1] - soak[0],
             "MiB", 1, "< 1 MiB"),
            ("PSS growth over the soak, game process", soak[3] - soak[2], "MiB", 1, "< 1 MiB"),
        ]
    text = ("## Benchmark %s\n\n%s\n\nRun %s, %d runs%s, screen polled every %d ms; load average (1, 5, 15 min) "
            "%.2f %.2f %.2f at the start, %.2f %.2f %.2f at the end.\n" % (
                args.label, table(rows), time.strftime("%Y-%m-%d %H:%M"), args.runs, " (quick)" if args.quick else "",
                args.poll_ms, *load_before, *load_after))
    print(text)
    with open(args.out, "w") as f:
        f.write(text)


if __name__ == "__main__":
    main()
