"""Drives the real game under Wine the way a person would: starts it in a prefix of the
tests' own, finds its window, clicks and types with xdotool, reads the screen back with
ImageMagick and the registry with `wine reg export`.

Every wait first waits for the change its action must cause, then for stillness, so the
scenarios hold on a loaded machine; they were proven with both cores kept busy:
    yes > /dev/null & yes > /dev/null & bash scripts/test.sh -L e2e; kill %1 %2"""

import contextlib
import filecmp
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

TITLE = "Головоломка Кубик Тессара"
SETTINGS_KEY = r"HKCU\Software\Tessaron"
DISPLAY_KEY = r"HKCU\Control Panel\Desktop"  # LogPixels: the display's pixels per inch
# Set in the tests' prefixes only: without a window manager Wine draws the frames itself and
# follows the focus xdotool gives a window.
DRIVING_VALUES = ("Decorated", "UseTakeFocus")


# Another Direct3D 9 to play on: TESSARON_D3D9_DLL names a d3d9.dll (such as DXVK's, the one
# Proton players get), which each scenario prefix then loads instead of Wine's own through a
# registry override; Mesa's software Vulkan driver draws for it. CTest runs every scenario once
# on Wine's own and once more with TESSARON_E2E_NEEDS_D3D9_DLL set, which skips the scenario
# (SKIP_EXIT_CODE) when no such DLL is named.
D3D9_DLL_VARIABLE = "TESSARON_D3D9_DLL"
NEEDS_D3D9_DLL_VARIABLE = "TESSARON_E2E_NEEDS_D3D9_DLL"
SKIP_EXIT_CODE = 77
LAVAPIPE_ICD = "/usr/share/vulkan/icd.d/lvp_icd.x86_64.json"


def wait_for(condition, failure, timeout, interval=0.2, error=TimeoutError):
    """Polls `condition` until it gives a true value, which is returned; raises `error(failure)`
    after `timeout` seconds."""
    deadline = time.time() + timeout
    while not (found := condition()):
        if time.time() > deadline:
            raise error(failure)
        time.sleep(interval)
    return found


def replacement_d3d9():
    """The d3d9.dll the scenarios play on instead of Wine's own, or None for Wine's own. Ends a
    scenario that needs one as skipped when none is named."""
    dll = os.environ.get(D3D9_DLL_VARIABLE, "")
    if dll and not os.path.isfile(dll):
        raise RuntimeError("%s names no file: %s" % (D3D9_DLL_VARIABLE, dll))
    if not dll and os.environ.get(NEEDS_D3D9_DLL_VARIABLE):
        print("skipped: %s names no d3d9.dll to play on (CI sets it when ../shared/dxvk/d3d9.dll exists)"
              % D3D9_DLL_VARIABLE, flush=True)
        sys.exit(SKIP_EXIT_CODE)
    return os.path.abspath(dll) if dll else None


def _env(prefix, d3d9_dll=None):
    env = dict(os.environ)
    env.update(WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    if d3d9_dll:
        env.setdefault("VK_ICD_FILENAMES", LAVAPIPE_ICD)
        # Its log and shader cache go to the prefix, never into the game's folder.
        env.update(DXVK_LOG_PATH=prefix, DXVK_STATE_CACHE_PATH=prefix)
    return env


class Picture:
    """A screenshot as RGB rows, read from ImageMagick's binary PPM output."""

    def __init__(self, data):
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


def copy_game(build_dir, scenario):
    """A scratch copy of the game folder, build/e2e-game-<scenario>, for scenarios that damage files."""
    target = os.path.join(build_dir, "e2e-game-" + scenario)
    shutil.rmtree(target, ignore_errors=True)
    shutil.copytree(os.path.join(build_dir, "game"), target)
    return target


def compiled_locale(build_dir, name):
    """The LOCPATH folder holding locale `name` (such as "ja_JP.UTF-8"), compiled once from the
    machine's locale sources into build/locales; the machine's own locales stay as they are."""
    folder = os.path.join(build_dir, "locales")
    target = os.path.join(folder, name)
    if not os.path.exists(target):
        source, charset = name.split(".")
        scratch = "%s.%d" % (target, os.getpid())
        shutil.rmtree(scratch, ignore_errors=True)
        os.makedirs(folder, exist_ok=True)
        # localedef warns (and exits 1) about details of some sources; what counts is the result.
        out = subprocess.run(["localedef", "-i", source, "-f", charset, scratch], capture_output=True, text=True)
        if not os.path.exists(os.path.join(scratch, "LC_CTYPE")):
            raise RuntimeError("localedef could not compile %s: %s" % (name, out.stderr.strip()))
        os.replace(scratch, target)
    return folder


@contextlib.contextmanager
def typeable(text):
    """While the block runs, the non-ASCII characters of `text` have keys of their own in the X
    keymap, two to a key (plain and shifted), so that xdotool types them without rebinding its
    one spare key for each character (Wine under a multi-byte locale often drops such a character
    or reads it as the one bound before). Two to a key: of a dozen newly bound keys, Wine reads only
    the first seven or so."""
    keymap = subprocess.run(["xmodmap", "-pke"], capture_output=True, text=True, check=True).stdout
    spare = [int(code) for code in re.findall(r"^keycode\s+(\d+) =\s*$", keymap, re.M)]
    characters = ["U%04X" % ord(c) for c in sorted({c for c in text if ord(c) > 127})]
    pairs = [characters[i:i + 2] for i in range(0, len(characters), 2)]
    if len(pairs) >= len(spare):  # xdotool keeps one spare key for itself
        raise RuntimeError("the X keymap has %d spare keys for %d characters" % (len(spare), len(characters)))
    used = spare[:len(pairs)]

    def bind(bindings):
        subprocess.run(["xmodmap", *[arg for b in bindings for arg in ("-e", b)]], check=True)

    bind(["keycode %d = %s" % (code, " ".join(pair)) for code, pair in zip(used, pairs)])
    try:
        yield
    finally:
        bind(["keycode %d =" % code for code in used])


class GameSession:
    """One scenario's session: a warm, persistent wineserver for its prefix while it lives
    (so registry commands and starts are quick), the game started and ended in it."""

    def __init__(self, build_dir, game_dir=None, prefix=None, locale=None):
        """prefix: the Wine prefix to play in (default build/e2e-prefix), made from build/test-prefix.
        locale: the system's language for Wine, such as "ja_JP.UTF-8" (code page 932); Wine's default
        otherwise (code page 1252)."""
        self.build_dir = build_dir
        self.game_dir = game_dir or os.path.join(build_dir, "game")
        self.d3d9_dll = replacement_d3d9()
        self.prefix = prefix or os.path.join(build_dir, "e2e-prefix")
        if self.d3d9_dll:
            self.prefix += "-d3d9dll"  # the prefixes on Wine's own Direct3D stay as they are
        self.process = None
        self.window = None
        self._prepare_prefix()
        if locale:
            self.env.update(LOCPATH=compiled_locale(build_dir, locale), LANG=locale, LC_ALL=locale)
        self._start_server()
        if self.d3d9_dll:
            self.wine("reg", "add", r"HKCU\Software\Wine\DllOverrides", "/v", "d3d9", "/d", "native", "/f")
        if self._display_scaled():
            self.unscaled_display()  # left behind by a scenario that was ended during a scaled step

    def _start_server(self):
        subprocess.run(["wineserver", "-p"], env=self.env, check=False, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)  # never hold the runner's output open
        # The first program of a server starts Wine's helper processes; with every stream
        # closed here they cannot hold a later command's output pipe open.
        subprocess.run(["wine", "cmd", "/c", "exit"], env=self.env, check=False, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def shutdown(self):
        """Ends the game if it still runs and stops this prefix's wineserver."""
        if self.process and self.process.poll() is None:
            self.process.kill()
        subprocess.run(["wineserver", "-k"], env=self.env, check=False, capture_output=True)
        subprocess.run(["wineserver", "-w"], env=self.env, check=False, capture_output=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.shutdown()
        return False

    def _prepare_prefix(self):
        marker = os.path.join(self.prefix, ".tessaron-e2e-ready")
        if not os.path.exists(marker):
            shutil.rmtree(self.prefix, ignore_errors=True)
            shutil.copytree(os.path.join(self.build_dir, "test-prefix"), self.prefix, symlinks=True)
            open(marker, "w").close()
        if self.d3d9_dll:
            installed = os.path.join(self.prefix, "drive_c", "windows", "system32", "d3d9.dll")
            if not (os.path.exists(installed) and filecmp.cmp(self.d3d9_dll, installed, shallow=False)):
                shutil.copyfile(self.d3d9_dll, installed)
        self.env = _env(self.prefix, self.d3d9_dll)

    def _display_scaled(self):
        """Whether this prefix's user registry (as last saved) sets the display's pixels per inch."""
        try:
            with open(os.path.join(self.prefix, "user.reg"), "rb") as reg:
                text = reg.read().decode("utf-8", errors="replace")
        except OSError:
            return False
        section = re.search(r"^\[Control Panel\\\\Desktop\][^\n]*\n(.*?)(?:\n\n|\Z)", text, re.M | re.S)
        return bool(section and '"LogPixels"' in section.group(1))

    @contextlib.contextmanager
    def player_desktop(self):
        """While the block runs: openbox manages the screen and this prefix's X11 driver values
        are the player's prefix's (build/wine-prefix), instead of those for driving the game
        without a window manager."""
        key = r"HKCU\Software\Wine\X11 Driver"
        player_reg = os.path.join(self.build_dir, "wine-prefix", "user.reg")
        with open(player_reg, encoding="utf-8", errors="replace") as reg:
            section = re.search(r"^\[Software\\\\Wine\\\\X11 Driver\][^\n]*\n(.*?)(?:\n\n|\Z)", reg.read(),
                                re.S | re.M)
        player = dict(re.findall(r'^"(\w+)"="([^"]*)"$', section.group(1), re.M)) if section else {}
        for name in DRIVING_VALUES:
            if name in player:
                self.wine("reg", "add", key, "/v", name, "/t", "REG_SZ", "/d", player[name], "/f")
            else:
                self.wine("reg", "delete", key, "/v", name, "/f", check=False)
        try:
            with self.window_manager():
                yield
        finally:
            for name in DRIVING_VALUES:
                self.wine("reg", "add", key, "/v", name, "/t", "REG_SZ", "/d", "N", "/f")

    @contextlib.contextmanager
    def window_manager(self):
        """openbox manages the screen while the block runs."""
        manager = subprocess.Popen(["openbox", "--sm-disable"], stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 20
        while "window id" not in subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"],
                                                capture_output=True, text=True).stdout:
            if time.time() > deadline or manager.poll() is not None:
                manager.kill()
                manager.wait()
                raise RuntimeError("openbox did not take over the screen within 20 s")
            time.sleep(0.1)  # openbox must manage the screen before the game maps a window
        try:
            yield
        finally:
            manager.terminate()
            manager.wait()

    def wait_managed(self, window, timeout=20):
        """Waits for the window manager to take `window` into a frame of its own (its parent is no
        longer the root window)."""
        wait_for(lambda: not re.search(r"Parent window id: \S+ \(the root window\)", subprocess.run(
                    ["xwininfo", "-tree", "-id", window], capture_output=True, text=True).stdout),
                 "the window manager did not take window %s within %d s" % (window, timeout), timeout, 0.1)

    def frame_extents(self, window):
        """The window manager's frame around `window` as (left, right, top, bottom), or None."""
        out = subprocess.run(["xprop", "-id", window, "_NET_FRAME_EXTENTS"], capture_output=True, text=True).stdout
        numbers = re.findall(r"\d+", out.partition("=")[2])
        return tuple(int(n) for n in numbers) if len(numbers) == 4 else None

    def screen_position(self, window):
        """The window's top left on the screen, also inside a window manager's frame (where
        xdotool counts the frame twice)."""
        out = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True, check=True).stdout
        return tuple(int(re.search(r"Absolute upper-left %s:\s+(-?\d+)" % axis, out).group(1)) for axis in "XY")

    def programs(self, names=("tessaron.exe", "hh.exe", "winebrowser")):
        """Command lines of this prefix's processes running one of `names` (Wine's own service
        processes, which outlive every program, are not asked about)."""
        marker = b"\0WINEPREFIX=" + self.prefix.encode() + b"\0"
        found = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/environ" % pid, "rb") as env, open("/proc/%s/cmdline" % pid, "rb") as cmd:
                    environ, line = b"\0" + env.read() + b"\0", cmd.read().replace(b"\0", b" ").decode(errors="replace")
            except OSError:
                continue  # ended meanwhile, or not ours to read
            if marker in environ and any(name in line.lower() for name in names):
                found.append(line.strip())
        return found

    def wine(self, *args, check=True):
        """Runs a Wine program in this prefix. A registry command that fails is tried twice more,
        its message printed: one failed once in a freshly copied prefix, on a busy machine."""
        tries = 3 if args[0] == "reg" and check else 1
        for attempt in range(tries):
            done = subprocess.run(["wine", *args], env=self.env, capture_output=True, stdin=subprocess.DEVNULL)
            if done.returncode == 0 or not check:
                return done
            print("wine %s ended with %d: %s" % (" ".join(args), done.returncode,
                                                 done.stderr.decode(errors="replace").strip()[-300:]))
            if attempt + 1 < tries:
                time.sleep(1)
        done.check_returncode()

    def code_page(self):
        """The system's ANSI code page as Wine has taken it from the locale."""
        out = self.wine("reg", "query", r"HKLM\System\CurrentControlSet\Control\Nls\CodePage", "/v", "ACP").stdout
        found = re.search(rb"ACP\s+REG_SZ\s+(\d+)", out)
        return int(found.group(1)) if found else None

    @contextlib.contextmanager
    def display_scale(self, per_inch):
        """While the block runs, programs started in this prefix see a display of `per_inch`
        pixels per inch (144 is 150 %), as winecfg's setting makes them; unscaled again after."""
        self.wine("reg", "add", DISPLAY_KEY, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(per_inch), "/f")
        try:
            yield
        finally:
            self.unscaled_display()

    def unscaled_display(self):
        self.wine("reg", "delete", DISPLAY_KEY, "/v", "LogPixels", "/f", check=False)

    def delete_settings(self):
        self.wine("reg", "delete", SETTINGS_KEY, "/f", check=False)

    def write_settings(self, values):
        """Replaces the game's key by `values`: {name: int (REG_DWORD) | bytes (REG_BINARY) | str (REG_SZ)}."""
        self.delete_settings()
        lines = ["Windows Registry Editor Version 5.00", "", "[HKEY_CURRENT_USER\\Software\\Tessaron]"]
        for name, value in values.items():
            if isinstance(value, bool) or not isinstance(value, (int, bytes, str)):
                raise TypeError("unsupported registry value for %s" % name)
            if isinstance(value, int):
                lines.append('"%s"=dword:%08x' % (name, value & 0xFFFFFFFF))
            elif isinstance(value, bytes):
                lines.append('"%s"=hex:%s' % (name, ",".join("%02x" % b for b in value)))
            else:
                lines.append('"%s"="%s"' % (name, value.replace("\\", "\\\\").replace('"', '\\"')))
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "key.reg")
            with open(path, "wb") as out:
                out.write(("\ufeff" + "\r\n".join(lines) + "\r\n").encode("utf-16-le"))
            self.wine("reg", "import", "Z:" + path.replace("/", "\\"))

    def settings(self, tries=3):
        """The game's registry key as {value name: (type, raw text)} from `wine reg export`; {}
        when there is no key. A failed export is tried again and its message printed: read as a
        missing key, one would fail a check on a value the game wrote (the likely cause of one
        loaded run's empty "PathPicture" after the picture had shown)."""
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "key.reg")
            for _ in range(tries):
                result = self.wine("reg", "export", SETTINGS_KEY, "Z:" + out.replace("/", "\\"), "/y", check=False)
                if result.returncode == 0:
                    break
                print("reg export: %s" % result.stderr.decode(errors="replace").strip())
                time.sleep(0.5)
            else:
                return {}
            text = open(out, "rb").read().decode("utf-16")
        values = {}
        for line in text.replace("\\\r\n  ", "").splitlines():
            if line.startswith('"') and "=" in line:
                name, value = line.split("=", 1)
                values[name.strip('"')] = value
        return values

    def stored(self):
        """The game's key decoded: REG_DWORD as int, REG_BINARY as bytes, REG_SZ as str."""
        decoded = {}
        for name, raw in self.settings().items():
            if raw.startswith("dword:"):
                decoded[name] = int(raw[6:], 16)
            elif raw.startswith("hex:"):
                decoded[name] = bytes(int(b, 16) for b in raw[4:].split(",") if b.strip())
            elif raw.startswith('"'):
                decoded[name] = raw[1:-1].replace('\\"', '"').replace("\\\\", "\\")
            else:
                decoded[name] = raw
        return decoded

    def start(self, args=(), show=None):
        """show: "/max" or "/min" starts the game as a shortcut set to maximised or minimised does."""
        launcher = ["start", "/wait", show, "tessaron.exe"] if show else ["./tessaron.exe"]
        # What Wine says about the start (a library it cannot load, an exception) goes to a file
        # that a failure quotes, never to the runner's pipes.
        with open(self.output_path(), "wb") as output:
            self.process = subprocess.Popen(["wine", *launcher, *args], cwd=self.game_dir,
                                            env=dict(self.env, WINEDEBUG="-all,err+all"),
                                            stdin=subprocess.DEVNULL, stdout=output, stderr=output)

    def output_path(self):
        return os.path.join(self.prefix, "game-output.txt")

    def how_it_ended(self):
        """The ended game's exit code and the last lines Wine printed while it ran."""
        code = self.process.poll()
        try:
            with open(self.output_path(), "rb") as output:
                lines = [line for line in output.read().decode(errors="replace").splitlines()
                         if not line.startswith("info:")][-12:]  # DXVK's report of the device
        except OSError:
            lines = []
        said = ("; Wine said:\n  " + "\n  ".join(lines)) if lines else "; Wine printed nothing"
        if code is not None and code < 0:
            return "killed by signal %d%s" % (-code, said)
        return "exit code %s (0x%08x)%s" % (code, (code or 0) & 0xFFFFFFFF, said)

    def find_window(self, name=TITLE, timeout=30):
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % name],
                                   capture_output=True, text=True).stdout.split()
            if found:
                return found[-1]
            if self.process and self.process.poll() is not None:
                raise RuntimeError("the game ended before its window '%s' appeared: %s" % (name, self.how_it_ended()))
            time.sleep(0.1)
        shown = ", ".join("'%s' %s" % (title, geo) for _, title, geo in visible_windows())
        raise TimeoutError("no window named '%s' (shown: %s; running: %s)" % (name, shown or "none",
                                                                          "; ".join(self.programs()) or "none"))

    def focus(self, window, timeout=5):
        """Gives `window` the keyboard, trying again while the server refuses it (a window
        still being mapped cannot take the focus)."""
        deadline = time.time() + timeout
        while True:
            subprocess.run(["xdotool", "windowfocus", "--sync", window], check=False, capture_output=True)
            focused = subprocess.run(["xdotool", "getwindowfocus"], capture_output=True, text=True).stdout
            if focused.strip() == window or time.time() > deadline:
                return
            time.sleep(0.1)

    def geometry(self, window):
        out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], capture_output=True,
                             text=True, check=True).stdout
        fields = dict(line.split("=", 1) for line in out.split())
        return int(fields["X"]), int(fields["Y"]), int(fields["WIDTH"]), int(fields["HEIGHT"])

    def screenshot(self, path):
        subprocess.run(["import", "-display", os.environ["DISPLAY"], "-window", "root", path], check=True)
        return Picture(subprocess.run(["convert", path, "ppm:-"], check=True, capture_output=True).stdout)

    def grab(self):
        """The screen now, kept in memory only: quick enough to follow a turn's animation."""
        return Picture(subprocess.run(["import", "-display", os.environ["DISPLAY"], "-window", "root", "-depth", "8", "ppm:-"],
                                      check=True, capture_output=True).stdout)

    def move(self, x, y):
        # --sync waits for the pointer to move, which takes xdotool's long time-out when it is
        # already there (the same target clicked on a second trip to full screen).
        if pointer() != (x, y):
            subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y)], check=True)

    def click(self, x, y, button=1, hold=0.15):
        """A person's click: long enough for the game's once-per-frame polling to see it."""
        self.move(x, y)
        subprocess.run(["xdotool", "mousedown", str(button)], check=True)
        time.sleep(hold)
        subprocess.run(["xdotool", "mouseup", str(button)], check=True)

    def drag(self, start, end, button=1, steps=8):
        """Presses at `start`, moves to `end` in a few steps and releases there."""
        self.move(*start)
        subprocess.run(["xdotool", "mousedown", str(button)], check=True)
        time.sleep(0.15)
        for i in range(1, steps + 1):
            self.move(start[0] + (end[0] - start[0]) * i // steps, start[1] + (end[1] - start[1]) * i // steps)
            time.sleep(0.03)
        time.sleep(0.15)
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

    def end_session(self, timeout=60):
        """Ends the Windows session as a shutdown or sign-out does: WM_QUERYENDSESSION and
        WM_ENDSESSION to every window of the prefix, then its processes are ended. Returns once the
        game is gone."""
        self.wine("wineboot", "--end-session")
        code = self.wait_exit(timeout)
        # The session's desktop program ends too, a moment after the game: a game started before
        # it has gone showed no window here.
        deadline = time.time() + timeout
        while self.programs(("explorer.exe",)) and time.time() < deadline:
            time.sleep(0.2)
        return code

    def wait_exit(self, timeout=30):
        try:
            code = self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            raise
        return code

    def kill(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()


# ---------------------------------------------------------------------------------------------
# Reading the game's picture: windows, the 3D area, the menu bar and its popups.

SPLASH_SIZE = (401, 244)


class MapWatcher:
    """Records every top-level window the X server maps while it lives, with the sizes it had,
    so a window that shows only for a moment is still seen (polling can miss it)."""

    _SIZE = re.compile(r"window (0x[0-9a-f]+), \(-?\d+,-?\d+\), width (\d+), height (\d+)")
    _MAP = re.compile(r"event 0x[0-9a-f]+, window (0x[0-9a-f]+), override")

    def __enter__(self):
        self._log = tempfile.TemporaryFile(mode="w+")
        self._xev = subprocess.Popen(["stdbuf", "-oL", "xev", "-root", "-event", "substructure"],
                                     stdout=self._log, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        time.sleep(0.3)  # xev selects its events before anything is mapped
        return self

    def __exit__(self, *exc):
        self._xev.kill()
        self._xev.wait()
        self._log.close()

    def mapped_sizes(self):
        """The sizes every window mapped so far has had."""
        self._log.seek(0)
        sizes, mapped = {}, set()
        kind = None
        for line in self._log:
            if not line.startswith(" "):
                kind = line.split(" ", 1)[0]
            elif kind in ("CreateNotify", "ConfigureNotify") and self._SIZE.search(line):
                window, width, height = self._SIZE.search(line).groups()
                sizes.setdefault(window, set()).add((int(width), int(height)))
            elif kind == "MapNotify" and self._MAP.search(line):
                mapped.add(self._MAP.search(line).group(1))
        return set().union(*(sizes.get(window, set()) for window in mapped))


def visible_windows():
    """Every mapped top-level X window as (id, name, (x, y, width, height))."""
    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", ".*"], capture_output=True,
                         text=True).stdout.split()
    found = []
    for window in ids:
        name = subprocess.run(["xdotool", "getwindowname", window], capture_output=True, text=True).stdout
        geo = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], capture_output=True,
                             text=True).stdout
        if not geo:
            continue
        fields = dict(line.split("=", 1) for line in geo.split())
        found.append((window, name.strip(),
                      (int(fields["X"]), int(fields["Y"]), int(fields["WIDTH"]), int(fields["HEIGHT"]))))
    return found


SCREEN = (0, 0, 1024, 768)


def pointer():
    """Where the mouse pointer is, (x, y) on the screen."""
    where = subprocess.run(["xdotool", "getmouselocation", "--shell"], capture_output=True, text=True).stdout
    fields = dict(line.split("=", 1) for line in where.split())
    return int(fields["X"]), int(fields["Y"])


def clipboard_text():
    """The X clipboard's text (Wine hands the Windows clipboard to it), or None."""
    out = subprocess.run(["python3", "-c", "import tkinter; t = tkinter.Tk(); t.withdraw(); "
                          "print(t.clipboard_get(), end='')"], capture_output=True, text=True)
    return out.stdout if out.returncode == 0 else None


@contextlib.contextmanager
def clipboard_holding(text, timeout=10):
    """The X clipboard holding `text`, owned meanwhile by a process of its own: an X selection
    lives as long as its owner, and Wine asks the owner for the text only when it is pasted."""
    owner = subprocess.Popen(["python3", "-c", "import sys, tkinter; t = tkinter.Tk(); t.withdraw(); "
                              "t.clipboard_clear(); t.clipboard_append(sys.argv[1]); t.mainloop()", text])
    try:
        deadline = time.time() + timeout
        while clipboard_text() != text:
            if time.time() > deadline or owner.poll() is not None:
                raise AssertionError("the clipboard never held %r" % text)
            time.sleep(0.1)
        yield
    finally:
        owner.kill()
        owner.wait()


def is_light(rgb):
    return min(rgb) >= 235


def is_dark(rgb):
    return max(rgb) < 90


def is_grey_text(rgb):
    return 100 <= min(rgb) and max(rgb) <= 190 and max(rgb) - min(rgb) < 20


def view_rect(picture, frame):
    """The 3D area inside the frame's X window (x, y, width, height): below the menu band (a
    run of light rows under the caption) and inside the frame's light borders. Needs a
    background that is not white at the area's edge."""
    fx, fy, fw, fh = frame
    column = fx + fw - 40  # right of the menu titles, so the band is plain there
    y = fy + 1
    while y < fy + fh and is_light(picture.at(column, y)):
        y += 1  # the top border
    while y < fy + fh and not is_light(picture.at(column, y)):
        y += 1  # the caption
    while y < fy + fh and (is_light(picture.at(column, y)) or min(picture.at(column, y)) >= 225):
        y += 1  # the menu band
    top = y
    row = top + 50
    left = fx
    while left < fx + fw and (is_light(picture.at(left, row)) or min(picture.at(left, row)) >= 200):
        left += 1
    right = fx + fw - 1
    while right > left and min(picture.at(right, row)) >= 100:
        right -= 1
    bottom = fy + fh - 1
    mid = left + 10
    while bottom > top and min(picture.at(mid, bottom)) >= 100:
        bottom -= 1
    return left, top, right - left + 1, bottom - top + 1


def menu_titles(picture, frame, view):
    """Centres (x, y) of the menu bar's titles, found as clusters of dark text in the band."""
    fx, fy, fw, fh = frame
    vx, vy, vw, vh = view
    band_top = vy - 18
    columns = [x for x in range(vx, vx + vw)
               if any(is_dark(picture.at(x, y)) for y in range(band_top, vy - 1))]
    groups, start, last = [], None, None
    for x in columns:
        if start is None:
            start = last = x
        elif x - last > 7:
            groups.append((start, last))
            start = last = x
        else:
            last = x
    if start is not None:
        groups.append((start, last))
    return [((a + b) // 2, band_top + 8) for a, b in groups]


def centre_offset(inner, outer):
    """How far the centre of rectangle `inner` lies from the centre of `outer` (x, y, w, h), in pixels."""
    return (abs(inner[0] + inner[2] / 2.0 - outer[0] - outer[2] / 2.0),
            abs(inner[1] + inner[3] / 2.0 - outer[1] - outer[3] / 2.0))


def champion_block(records):
    """The "Champions" value for [(seconds, name bytes)], padded with empty records."""
    block = b""
    for seconds, name in records + [(86399, b"")] * (5 - len(records)):
        block += struct.pack("<q", seconds) + name.ljust(20, b"\0")
    return block


def name_slots(*names):
    """"NamePlayer" holding `names` as Windows-1251 text, 20 bytes each, ten slots."""
    return b"".join(name.encode("cp1251").ljust(20, b"\0") for name in names).ljust(200, b"\0")


def menu_by_keys(s, downs):
    """F10 selects the menu bar, Down opens "Главная"; `downs` more Downs reach the item."""
    before = {w[0] for w in visible_windows()}
    s.session.key("F10")
    s.session.key("Down")
    s.wait_popup(before, "F10 and Down did not open \"Главная\"")
    for _ in range(downs):
        s.session.key("Down")
    s.session.key("Return")
    s.wait_menu_closed()


def list_rows(picture, view):
    """White text pixels in the champion list's first rows."""
    vx, vy, vw, vh = view
    return picture.count((vx + vw - 280, vy + 62, vx + vw - 15, vy + 100), lambda p: min(p) > 200)


def project(point, view):
    """Screen position of a model point in the start view: world = RotationY(-pi/4) x
    RotationX(-pi/4) (row vectors), eye (0, 0, -50) looking at the origin, field of view pi/4,
    aspect = the 3D area's width / height."""
    import math
    vx, vy, width, height = view
    x, y, z = point
    a = -math.pi / 4
    x, z = x * math.cos(a) + z * math.sin(a), -x * math.sin(a) + z * math.cos(a)
    y, z = y * math.cos(a) - z * math.sin(a), y * math.sin(a) + z * math.cos(a)
    z += 50.0
    t = math.tan(math.pi / 8)
    nx, ny = x / (z * t * width / height), y / (z * t)
    return int(round(vx + (nx + 1) / 2 * width)), int(round(vy + (1 - ny) / 2 * height))


def differing_pixels(a, b, box, tolerance=40, step=2):
    """Pixels in `box` whose colour differs between pictures a and b by more than `tolerance`."""
    x0, y0, x1, y1 = box
    count = 0
    for y in range(y0, y1, step):
        for x in range(x0, x1, step):
            p, q = a.at(x, y), b.at(x, y)
            if max(abs(p[0] - q[0]), abs(p[1] - q[1]), abs(p[2] - q[2])) > tolerance:
                count += 1
    return count


class Scenario:
    """Runs one scenario's steps in a session; a failing step leaves a screenshot in
    build/e2e-shots/<scenario>-<step>.png and the scenario ends with a clear message."""

    def __init__(self, name, game_dir=None, prefix=None):
        """prefix: the Wine prefix to play in (default build/e2e-prefix)."""
        self.name = name
        self.build_dir = os.environ.get("TESSARON_BUILD") or os.path.join(
            os.path.dirname(os.path.abspath(__file__)), "..", "..", "build")
        self.shots = os.path.join(self.build_dir, "e2e-shots")
        os.makedirs(self.shots, exist_ok=True)
        self.session = GameSession(self.build_dir, game_dir, prefix)
        self.frame = None
        self.view = None
        self.step_name = "start"
        self.popup = None  # the menu popup opened last
        self.started = time.time()

    def step(self, text):
        self.step_name = text
        print("[%5.1fs] %s" % (time.time() - self.started, text), flush=True)

    def check(self, condition, message):
        if not condition:
            raise AssertionError("%s: %s" % (self.step_name, message))

    def shot(self, label="now"):
        path = os.path.join(self.shots, "%s-%s.png" % (self.name, label))
        return self.session.screenshot(path)

    def run(self, body):
        try:
            body(self)
        except BaseException as error:
            try:
                path = os.path.join(self.shots, "%s-failed.png" % self.name)
                self.session.screenshot(path)
                print("screenshot of the failing step: %s" % path)
            except Exception:
                pass
            if self.session.process and self.session.process.poll() is not None:
                print("the game had ended: %s" % self.session.how_it_ended())
            self.session.shutdown()
            print("FAILED in step '%s': %s" % (self.step_name, error))
            raise SystemExit(1)
        self.session.shutdown()
        print("passed in %.1f s" % (time.time() - self.started))

    # --- the program's life -------------------------------------------------------------------

    def start_game(self, expect_name_dialog=False):
        self.session.start()
        if expect_name_dialog:
            return self.session.find_window("Новый игрок")
        return self.wait_main_window()

    def wait_main_window(self, timeout=40):
        """Waits for the main window and for the splash to be gone; gives the frame the keyboard."""
        window = self.session.find_window(timeout=timeout)
        wait_for(lambda: (lambda windows: any(w[0] == window for w in windows) and
                          not any(w[2][2:] == SPLASH_SIZE for w in windows))(visible_windows()),
                 "the main window did not show without the splash", timeout, 0.1)
        self.frame = self.session.geometry(window)
        self.window = window
        self.session.focus(window)
        time.sleep(0.5)  # a few frames
        return window

    def exit_game(self):
        code = self.session.close(self.window)
        self.check(code == 0, "the game ended badly: %s" % self.session.how_it_ended())

    def locate_view(self, picture):
        self.view = view_rect(picture, self.frame)
        vx, vy, vw, vh = self.view
        self.check(vw > 200 and vh > 150, "no 3D area found in the frame %s: %s" % (self.frame, self.view))
        return self.view

    # --- menus --------------------------------------------------------------------------------

    def open_menu(self, index, items):
        """Clicks menu title `index` and returns the popup's item rows as (x, y, x1, y1) boxes.
        On a busy machine a click on the menu bar right after a start or a return from full screen
        has been seen to open nothing (once highlighting the title): two Esc leave any menu mode
        and the click is made once more before the menu counts as not opening."""
        picture = self.shot("menubar")
        titles = menu_titles(picture, self.frame, self.view)
        self.check(len(titles) == 4, "expected four menu titles, found %d" % len(titles))
        before = {w[0] for w in visible_windows()}
        self.session.click(*titles[index])
        try:
            popup = self.wait_popup(before, "menu %d did not open" % index)
        except AssertionError as missed:
            print("%s: clicking again" % missed, flush=True)
            self.session.key("Escape")
            self.session.key("Escape")
            self.session.click(*titles[index])
            popup = self.wait_popup(before, "menu %d did not open after a second click" % index)
        x, y, w, h = popup
        separators = 0  # the callers ask only for popups without separators or count rows themselves
        row = (h - 4 - separators) / float(items)
        return [(x + 3, int(y + 2 + i * row), x + w - 3, int(y + 2 + (i + 1) * row)) for i in range(items)]

    def item_enabled(self, picture, box):
        """Black text: enabled; grey text: disabled."""
        dark = picture.count(box, is_dark)
        grey = picture.count(box, is_grey_text)
        if dark >= 12:
            return True
        self.check(grey >= 12, "menu row %s shows neither black nor grey text (%d, %d)" % (box, dark, grey))
        return False

    def menu_states(self, index, items):
        rows = self.open_menu(index, items)
        picture = self.shot("menu%d" % index)
        states = [self.item_enabled(picture, box) for box in rows]
        return rows, states

    def wait_popup(self, before, failure):
        """Waits for a menu popup that is not among the windows `before` and for its item text to
        be drawn; returns its (x, y, width, height). The popup is remembered for wait_menu_closed."""
        def drawn():
            new = [w for w in visible_windows() if w[0] not in before and w[2][3] > 10]
            if not new:
                return None
            x, y, w, h = new[-1][2]
            text = lambda p: is_dark(p) or is_grey_text(p)  # a popup of disabled items has only grey text
            return self.shot("popup").count((x + 3, y + 3, x + w - 3, y + h - 3), text) >= 12 and new[-1]
        self.popup, _, geometry = self.wait_until(drawn, failure, timeout=10)
        return geometry

    def wait_menu_closed(self):
        """Waits for the last opened popup to go, then gives the frame the keyboard."""
        self.wait_until(lambda: self.popup not in {w[0] for w in visible_windows()}, "the menu stayed open",
                        timeout=10)
        self.session.focus(self.window)

    def close_menu(self):
        self.session.key("Escape")
        self.session.key("Escape")
        self.wait_menu_closed()

    def choose(self, rows, item):
        x0, y0, x1, y1 = rows[item]
        self.session.click((x0 + x1) // 2, (y0 + y1) // 2)
        self.wait_menu_closed()

    # --- waiting for what an action must cause ----------------------------------------------
    # A busy machine delivers keys and clicks late: each wait first waits for the change its
    # action must cause (its own time limit, a clear failure), then for stillness.

    def wait_until(self, condition, failure, timeout=20):
        """Polls `condition()` until it gives something true, which it returns. `failure` is the
        message, or a function giving it when the time is up."""
        deadline = time.time() + timeout
        while True:
            result = condition()
            if result:
                return result
            if time.time() > deadline:
                self.check(False, "%s within %d s" % (failure() if callable(failure) else failure, timeout))
            time.sleep(0.2)

    def wait_steady(self, read, timeout=20):
        """Reads `read()` until two readings 0.3 s apart agree (a drag has ended); returns that."""
        last = read()
        deadline = time.time() + timeout
        while True:
            time.sleep(0.3)
            now = read()
            if now == last:
                return now
            self.check(time.time() < deadline, "still changing after %d s: %s" % (timeout, now))
            last = now

    def wait_still(self, box=SCREEN, timeout=120):
        """Screenshots until two in a row (0.5 s apart) show the same picture in `box`: turns
        have ended (a 30-turn scramble takes 180 frames, over a minute on a loaded machine)."""
        last = self.shot("still")
        deadline = time.time() + timeout
        while time.time() < deadline:
            time.sleep(0.5)
            now = self.shot("still")
            if differing_pixels(last, now, box, step=4) < 5:
                return now
            last = now
        raise AssertionError("%s: the picture never came to rest" % self.step_name)

    def wait_picture(self, shows, failure, box=SCREEN, timeout=20):
        """Waits for a screenshot for which `shows(picture)` holds, then for stillness in `box`."""
        self.wait_until(lambda: shows(self.shot("change")), failure, timeout)
        return self.wait_still(box)

    def wait_changed(self, before, box, failure, timeout=20, least=500):
        """Waits for the picture in `box` to differ from `before` in more than `least` places."""
        return self.wait_picture(lambda now: differing_pixels(before, now, box) > least, failure, box, timeout)

    def press_until_changed(self, point, before, box, failure):
        """A click at `point` held until the picture in `box` changes from `before`, however long
        a frame takes on a busy machine (one press, one turn); the still picture after it."""
        self.session.move(*point)
        subprocess.run(["xdotool", "mousedown", "1"], check=True)
        try:
            return self.wait_changed(before, box, failure)
        finally:
            subprocess.run(["xdotool", "mouseup", "1"], check=True)

    def type_checked(self, window, text, shows=None, tries=3):
        """Types `text` over the whole of the focused edit control of `window`, then waits until
        the control holds `shows` (default: `text`), copied to the clipboard and read back. Letters
        missing from the keyboard map are typed through a key xdotool remaps for each, which a busy
        Wine can read after the map is restored: then the text is pasted instead, as a player may."""
        shows = text if shows is None else shows
        held = None
        for attempt in range(tries):
            self.session.focus(window)
            self.session.key("End")
            self.session.key("shift+Home")
            if attempt == 0:
                self.session.type(text)
                held = self.edit_text(shows)
            else:
                with clipboard_holding(text):
                    self.session.key("ctrl+v")
                    held = self.edit_text(shows)
            if held == shows:
                return
            print("the edit control holds %r, not %r: pasting it" % (held, shows))
        self.check(False, "the edit control holds %r after %d tries, not %r" % (held, tries, shows))

    def edit_text(self, expected, timeout=10):
        """The focused edit control's whole text, copied to the clipboard until it reads `expected`
        or the time is up (the copy reaches the X clipboard a little later)."""
        deadline = time.time() + timeout
        while True:
            self.session.key("End")
            self.session.key("shift+Home")
            self.session.key("ctrl+c")
            held = clipboard_text()
            if held == expected or time.time() > deadline:
                return held
            time.sleep(0.3)

    def settle(self, seconds=0.8):
        time.sleep(seconds)
        return self.shot("settled")


# ---------------------------------------------------------------------------------------------
# Reading the cube's stickers from the picture, for checks that cannot know the view.


def is_white_sticker(rgb):
    """A white sticker, in full light or in a face's shade: grey, brighter than the black body
    (the background and the other stickers are coloured)."""
    return min(rgb) >= 60 and max(rgb) - min(rgb) <= 30


def white_at(picture, point, size=3):
    """Most of the small square around `point` shows a white sticker."""
    x, y = int(point[0]), int(point[1])
    box = (x - size, y - size, x + size + 1, y + size + 1)
    return picture.count(box, is_white_sticker) * 2 > (2 * size + 1) ** 2


def sticker_centres(picture, box, predicate, least=40, step=2):
    """Centres (x, y) of the connected areas in `box` (read every `step` pixels) where
    `predicate` holds, each of at least `least` readings: the stickers of one colour."""
    x0, y0, x1, y1 = box
    columns, rows = (x1 - x0) // step, (y1 - y0) // step
    inside = [predicate(picture.at(x0 + c * step, y0 + r * step)) for r in range(rows) for c in range(columns)]
    centres = []
    for first in range(len(inside)):
        if not inside[first]:
            continue
        inside[first] = False
        area, todo = [], [first]
        while todo:
            cell = todo.pop()
            area.append(cell)
            r, c = divmod(cell, columns)
            for near, ok in ((cell - 1, c > 0), (cell + 1, c < columns - 1), (cell - columns, r > 0),
                             (cell + columns, r < rows - 1)):
                if ok and inside[near]:
                    inside[near] = False
                    todo.append(near)
        if len(area) >= least:
            centres.append((x0 + step * sum(cell % columns for cell in area) / len(area),
                            y0 + step * sum(cell // columns for cell in area) / len(area)))
    return centres


def face_grid(centres):
    """The nine sticker centres of one face as (centre, edges, corners): the centre sticker is
    the one nearest their mean, the edge stickers are the four nearest to it."""
    mx, my = sum(p[0] for p in centres) / len(centres), sum(p[1] for p in centres) / len(centres)
    centre = min(centres, key=lambda p: (p[0] - mx) ** 2 + (p[1] - my) ** 2)
    rest = sorted((p for p in centres if p is not centre),
                  key=lambda p: (p[0] - centre[0]) ** 2 + (p[1] - centre[1]) ** 2)
    return centre, rest[:4], rest[4:]


def drag_view(s, motion, box, steps=8):
    """A right-button drag by `motion` (x, y) from where the pointer is, held until the picture
    in `box` has changed and come to rest: the game reads the motion once per frame, however
    late the frame comes. Starting where the pointer is keeps earlier motion, not yet read,
    out of the drag."""
    before = s.wait_still(box)
    start = pointer()
    subprocess.run(["xdotool", "mousedown", "3"], check=True)
    try:
        for i in range(1, steps + 1):
            s.session.move(start[0] + motion[0] * i // steps, start[1] + motion[1] * i // steps)
        return s.wait_changed(before, box, "the right drag did not turn the cube in view")
    finally:
        subprocess.run(["xdotool", "mouseup", "3"], check=True)


def zoom_view(s, notch, box):
    """One wheel notch (button 4 forward, 5 back), waited for until the picture in `box` changed."""
    before = s.wait_still(box)
    subprocess.run(["xdotool", "click", str(notch)], check=True)
    return s.wait_changed(before, box, "the wheel did not zoom")
