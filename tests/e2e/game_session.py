"""Drives the real game under Wine the way a person would: starts it in a prefix of the
tests' own, finds its window, clicks and types with xdotool, reads the screen back with
ImageMagick and the registry with `wine reg export`."""

import os
import shutil
import subprocess
import tempfile
import time

TITLE = "Головоломка Кубик Тессара"
SETTINGS_KEY = r"HKCU\Software\Tessaron"


def _env(prefix):
    env = dict(os.environ)
    env.update(WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    return env


class Picture:
    """A screenshot as RGB rows, read from ImageMagick's binary PPM output."""

    def __init__(self, path):
        data = subprocess.run(["convert", path, "ppm:-"], check=True, capture_output=True).stdout
        fields, pos = [], 0
        while len(fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            start = pos
            while not data[pos:pos + 1].isspace():
                pos += 1
            fields.append(data[start:pos])
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = data[pos + 1:]

    def at(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])

    def count(self, box, predicate, step=1):
        x0, y0, x1, y1 = box
        return sum(1 for y in range(y0, y1, step) for x in range(x0, x1, step) if predicate(self.at(x, y)))


class GameSession:
    def __init__(self, build_dir, prefix=None):
        """prefix: the Wine prefix to play in (default build/e2e-prefix), made from build/wine-prefix."""
        self.build_dir = build_dir
        self.game_dir = os.path.join(build_dir, "game")
        self.prefix = prefix or os.path.join(build_dir, "e2e-prefix")
        self.process = None
        self.window = None
        self._prepare_prefix()

    def _prepare_prefix(self):
        if not os.path.exists(os.path.join(self.prefix, ".tessaron-ready")):
            shutil.rmtree(self.prefix, ignore_errors=True)
            shutil.copytree(os.path.join(self.build_dir, "wine-prefix"), self.prefix, symlinks=True)
        self.env = _env(self.prefix)

    def wine(self, *args, check=True):
        return subprocess.run(["wine", *args], env=self.env, check=check, capture_output=True,
                              stdin=subprocess.DEVNULL)

    def delete_settings(self):
        self.wine("reg", "delete", SETTINGS_KEY, "/f", check=False)

    def settings(self):
        """The game's registry key as {value name: (type, raw text)} from `wine reg export`."""
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "key.reg")
            if self.wine("reg", "export", SETTINGS_KEY, "Z:" + out.replace("/", "\\"), "/y",
                         check=False).returncode != 0:
                return {}
            text = open(out, "rb").read().decode("utf-16")
        values, current = {}, None
        for line in text.replace("\\\r\n  ", "").splitlines():
            if line.startswith('"') and "=" in line:
                name, value = line.split("=", 1)
                values[name.strip('"')] = value
        return values

    def start(self, args=()):
        self.process = subprocess.Popen(["wine", "./tessaron.exe", *args], cwd=self.game_dir, env=self.env,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)

    def find_window(self, name=TITLE, timeout=30):
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = subprocess.run(["xdotool", "search", "--name", "^%s$" % name], capture_output=True,
                                   text=True).stdout.split()
            if found:
                return found[-1]
            if self.process and self.process.poll() is not None:
                raise RuntimeError("the game ended before its window '%s' appeared" % name)
            time.sleep(0.1)
        raise TimeoutError("no window named '%s'" % name)

    def focus(self, window):
        subprocess.run(["xdotool", "windowfocus", "--sync", window], check=False, capture_output=True)

    def geometry(self, window):
        out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], capture_output=True,
                             text=True, check=True).stdout
        fields = dict(line.split("=", 1) for line in out.split())
        return int(fields["X"]), int(fields["Y"]), int(fields["WIDTH"]), int(fields["HEIGHT"])

    def screenshot(self, path):
        subprocess.run(["import", "-display", os.environ["DISPLAY"], "-window", "root", path], check=True)
        return Picture(path)

    def move(self, x, y):
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y)], check=True)

    def click(self, x, y, button=1, hold=0.15):
        """A person's click: long enough for the game's once-per-frame polling to see it."""
        self.move(x, y)
        subprocess.run(["xdotool", "mousedown", str(button)], check=True)
        time.sleep(hold)
        subprocess.run(["xdotool", "mouseup", str(button)], check=True)

    def key(self, *keys, hold=0.1):
        for k in keys:
            subprocess.run(["xdotool", "keydown", "--clearmodifiers", k], check=True)
            time.sleep(hold)
            subprocess.run(["xdotool", "keyup", k], check=True)

    def type(self, text):
        subprocess.run(["xdotool", "type", "--delay", "60", text], check=True)

    def close(self, window, timeout=30):
        self.focus(window)
        subprocess.run(["xdotool", "key", "--clearmodifiers", "alt+F4"], check=False)
        return self.wait_exit(timeout)

    def wait_exit(self, timeout=30):
        try:
            code = self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            raise
        subprocess.run(["wineserver", "-w"], env=self.env, check=False)
        return code

    def kill(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
        subprocess.run(["wineserver", "-k"], env=self.env, check=False)
