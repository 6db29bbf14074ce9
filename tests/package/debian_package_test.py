"""The Debian package for Linux players: its control fields and dependencies, its files (the
game folder as built, the launcher, the menu entry with its Russian fields, the AppStream
metainfo, the icons, the manual page, the documents with the licence and its notices),
lintian's verdict, the launcher's refusals (extra arguments, no display), and starts from a
throw-away root on the test display with a home and XDG_DATA_HOME whose names have spaces and
Russian letters: a first start stopped half-way, then one that recovers although a Wine font is
missing and Wine refuses its first registry write, while a second start says it is busy and
ends; the game's window shows, runs from the player's working folder, and closing it leaves the
settings in the prefix's registry. A prefix an earlier release made is then brought up to date.

    debian_package_test.py <package.deb> <game folder> [file of the game folder that is not shipped ...]

With --fresh-root it instead installs the package with apt into a throw-away Debian root (a
minimal root of the machine's own release, made once by debootstrap into the cache folder, from
the machine's own package sources), checks what apt brought and that the launcher runs there,
removes the package and checks nothing of it is left. Never on the machine's own system.

    debian_package_test.py --fresh-root <package.deb> <cache folder>"""

import configparser
import os
import re
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from game_session import TITLE  # noqa: E402
from windows_zip_test import game_files  # noqa: E402

GAME = "usr/lib/tessaron"
LAUNCHER = "usr/games/tessaron"
WORK_DIR = "drive_c/Tessaron"  # the game's working folder in the player's prefix
# All the game cannot run without: Wine, and OpenGL, which Wine's Direct3D draws with.
NEEDED = {"wine", "wine64", "libgl1"}
# What makes it better and a player gets by default: fonts, the help's browser, notifications.
RECOMMENDED = {"fonts-wine", "fonts-liberation", "xdg-utils", "libnotify-bin"}
RUSSIAN_NAME = TITLE
SOURCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
# Exit statuses the manual page gives.
STATUS_USAGE, STATUS_NO_DISPLAY, STATUS_BUSY = 2, 3, 4
# Packages only the build and the tests use: a player must never have to install them.
BUILD_ONLY = re.compile(r"mingw|cmake|ninja|fp-utils|imagemagick|googletest|lintian|dpkg-dev|xvfb|xdotool|openbox")


class Checks(list):
    def check(self, ok, message):
        if not ok:
            self.append(message)


def package_names(field):
    return {alternative.split()[0] for group in field.split(",") for alternative in group.split("|")
            if alternative.strip()}


def check_control(deb, fields, problems):
    version = os.path.basename(deb).split("_")[1]  # the build names the file after its version
    problems.check(fields.get("Package") == "tessaron" and fields.get("Version") == version
                   and fields.get("Architecture") == "amd64", "control fields: %s" % fields)
    depends, recommends = package_names(fields.get("Depends", "")), package_names(fields.get("Recommends", ""))
    problems.check(depends == NEEDED, "Depends is %s, not what the game cannot run without %s"
                   % (sorted(depends), sorted(NEEDED)))
    problems.check(RECOMMENDED <= recommends, "Recommends lacks %s" % sorted(RECOMMENDED - recommends))
    problems.check(not any(BUILD_ONLY.search(p) for p in depends | recommends),
                   "Depends or Recommends name build tools: %s" % sorted(depends | recommends))
    for package in depends | recommends:  # the test plays the game here: a misspelt name is not installed
        status = subprocess.run(["dpkg-query", "-W", "-f=${Status}", package], capture_output=True, text=True)
        problems.check(status.stdout == "install ok installed", "Depends names %s, not installed here" % package)


def check_files(root, game_dir, not_shipped, problems):
    shipped = game_files(os.path.join(root, GAME), ())
    expected = game_files(game_dir, not_shipped)
    problems.check(shipped == expected, "game folder: missing %s, extra %s"
                   % (sorted(expected - shipped), sorted(shipped - expected)))
    for name in shipped & expected:
        with open(os.path.join(root, GAME, name), "rb") as ours, open(os.path.join(game_dir, name), "rb") as built:
            problems.check(ours.read() == built.read(), "%s differs from the game folder's" % name)
    # The menu entry starts the launcher and shows the icon (lintian checks each icon's size).
    entry = configparser.ConfigParser(interpolation=None)
    entry.optionxform = str
    entry.read(os.path.join(root, "usr/share/applications/tessaron.desktop"), encoding="utf-8")
    desktop = dict(entry["Desktop Entry"]) if entry.has_section("Desktop Entry") else {}
    command = desktop.get("Exec", "").split(" ")[0]
    problems.check(command == "/" + LAUNCHER and os.access(os.path.join(root, LAUNCHER), os.X_OK),
                   "the menu entry starts %r, not the launcher /%s" % (command, LAUNCHER))
    problems.check({"Game", "LogicGame"} <= set(desktop.get("Categories", "").split(";")), "menu categories")
    problems.check(desktop.get("Name[ru]") == RUSSIAN_NAME, "the menu's Russian name is %r" % desktop.get("Name[ru]"))
    for field in ("GenericName[ru]", "Comment[ru]", "Keywords[ru]"):
        problems.check(re.search("[а-яё]", desktop.get(field, "")), "the menu entry has no Russian %s" % field)
    for size in (48, 256):
        icon = "usr/share/icons/hicolor/%dx%d/apps/%s.png" % (size, size, desktop.get("Icon"))
        problems.check(os.path.exists(os.path.join(root, icon)), "no %d px icon for the menu entry" % size)
    check_metainfo(root, problems)
    check_documents(root, problems)


def check_metainfo(root, problems):
    """Software centres list the game from its AppStream metainfo, in Russian too."""
    folder = os.path.join(root, "usr/share/metainfo")
    names = os.listdir(folder) if os.path.isdir(folder) else []
    problems.check(len(names) == 1, "metainfo files: %s" % names)
    if len(names) != 1:
        return
    path = os.path.join(folder, names[0])
    verdict = subprocess.run(["appstreamcli", "validate", "--no-net", "--pedantic", path], capture_output=True,
                             text=True)
    problems.check(verdict.returncode == 0, "appstreamcli: %s" % verdict.stdout.strip())
    text = open(path, encoding="utf-8").read()
    problems.check('<name xml:lang="ru">%s</name>' % RUSSIAN_NAME in text, "no Russian name in the metainfo")
    problems.check(re.search(r'<summary xml:lang="ru">[^<]*[а-яё]', text), "no Russian summary in the metainfo")
    problems.check(re.search(r"<screenshot[^>]*>.*<image>https://[^<]+\.png</image>", text, re.S),
                   "no screenshot in the metainfo")
    problems.check("<launchable type=\"desktop-id\">tessaron.desktop</launchable>" in text,
                   "the metainfo names no menu entry")


def check_documents(root, problems):
    """The licence and the notices of what the program links in (the build itself refuses a
    changelog whose newest entry is not the version built)."""
    docs = os.path.join(root, "usr/share/doc/tessaron")
    copyright_text = open(os.path.join(docs, "copyright"), encoding="utf-8").read()
    licence = open(os.path.join(SOURCES, "LICENSE"), encoding="utf-8").read()
    body = " ".join(licence.split("\n\n", 2)[2].split())  # the licence's text below its title and copyright
    problems.check("License: Expat" in copyright_text and body in " ".join(copyright_text.replace(" .\n", "\n").split()),
                   "the copyright file lacks the Expat licence's text")
    notices = os.path.join(docs, "THIRD-PARTY-NOTICES.txt")
    problems.check(os.path.exists(notices) and open(notices, "rb").read()
                   == open(os.path.join(SOURCES, "THIRD-PARTY-NOTICES.txt"), "rb").read(),
                   "the package does not carry the third-party notices")
    problems.check(os.path.exists(os.path.join(docs, "README.Debian")), "no README.Debian")


def wait_for(condition, timeout, what):
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = condition()
        if found:
            return found
        time.sleep(0.2)
    raise TimeoutError(what)


def focus(window, timeout=10):
    """Gives the window the keyboard, trying again while the window manager refuses it (a
    window still being mapped cannot take the focus)."""
    deadline = time.time() + timeout
    while True:
        subprocess.run(["xdotool", "windowactivate", "--sync", window], capture_output=True, timeout=timeout)
        focused = subprocess.run(["xdotool", "getwindowfocus"], capture_output=True, text=True).stdout.strip()
        if focused == window or time.time() > deadline:
            return
        time.sleep(0.2)


def visible(name):
    return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % name], capture_output=True,
                          text=True).stdout.split()


class Player:
    """A player's account on the test display: a home and XDG_DATA_HOME with spaces and Russian
    letters, notify-send and Wine wrapped to record what the launcher asks of them, the launcher
    started through a link in the player's own bin folder, and a Wine whose fonts package lacks
    Marlett (the launcher's copy reads its fonts from a stand-in folder)."""

    MISSING_FONT = "marlett.ttf"

    def __init__(self, root, scratch):
        self.scratch = scratch
        self.home = os.path.join(scratch, "Дом игрока")
        self.data_home = os.path.join(self.home, "мои данные")
        self.prefix = os.path.join(self.data_home, "tessaron")
        tools = os.path.join(scratch, "bin")
        fonts = os.path.join(scratch, "wine fonts")
        for folder in (self.home, tools, fonts):
            os.makedirs(folder)
        for font in os.listdir("/usr/share/wine/fonts"):
            if font != self.MISSING_FONT:
                os.symlink(os.path.join("/usr/share/wine/fonts", font), os.path.join(fonts, font))
        launcher = os.path.join(root, LAUNCHER)
        with open(launcher, encoding="utf-8") as script:
            text = script.read()
        with open(launcher, "w", encoding="utf-8") as script:
            script.write(text.replace("wine_fonts=/usr/share/wine/fonts", "wine_fonts=%s" % shlex.quote(fonts)))
        self.link = os.path.join(tools, "tessaron")
        os.symlink(launcher, self.link)
        self.notified = os.path.join(scratch, "notified")
        self.wine_log = os.path.join(scratch, "wine calls")
        refused = os.path.join(scratch, "registry write refused")
        self.tool(tools, "notify-send", 'printf "%%s\\n" "$@" >>%s\n' % shlex.quote(self.notified))
        # The first registry write after the prefix is made fails, as when Wine's server is
        # still bringing the prefix up to date.
        self.tool(tools, "wine", 'echo "WINEDEBUG=$WINEDEBUG $*" >>%s\n'
                                 'if [ "$1" = reg ] && [ ! -e %s ]; then : >%s; exit 1; fi\n'
                                 'exec /usr/bin/wine "$@"\n' % (shlex.quote(self.wine_log), shlex.quote(refused),
                                                                   shlex.quote(refused)))
        # The test runner's WINEPREFIX stays: the launcher must not use it. A player's own
        # WINEDEBUG (here: no fixme messages) is honoured.
        self.env = dict(os.environ, HOME=self.home, XDG_DATA_HOME=self.data_home, WINEDEBUG="fixme-all",
                        PATH=tools + os.pathsep + os.environ["PATH"])
        self.started = []

    @staticmethod
    def tool(folder, name, body):
        path = os.path.join(folder, name)
        with open(path, "w") as script:
            script.write("#!/bin/sh\n" + body)
        os.chmod(path, 0o755)

    def start(self, *args, env=None):
        """The launcher started through the player's link; its terminal output goes to a file."""
        terminal = tempfile.NamedTemporaryFile("w+", dir=self.scratch, delete=False)
        process = subprocess.Popen([self.link, *args], env=env or self.env, stdin=subprocess.DEVNULL, stdout=terminal,
                                   stderr=subprocess.STDOUT, start_new_session=True)
        process.terminal = terminal.name
        self.started.append(process)
        return process

    @staticmethod
    def said(process):
        with open(process.terminal, encoding="utf-8", errors="replace") as terminal:
            return terminal.read().strip()

    def read(self, path):
        return open(path, encoding="utf-8", errors="replace").read() if os.path.exists(path) else ""

    def stop_all(self):
        for process in self.started:
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
        subprocess.run(["wineserver", "-k"], env=dict(self.env, WINEPREFIX=self.prefix), capture_output=True)


def check_refusals(player, problems):
    """What the launcher refuses before it touches Wine: extra arguments, and no display."""
    for args in (["--maximized", "--minimized"], ["--fullscreen"], ["saved.game"]):
        refused = player.start(*args)
        problems.check(refused.wait(timeout=30) == STATUS_USAGE and "usage: tessaron" in player.said(refused),
                       "tessaron %s: status %s, said %r" % (" ".join(args), refused.returncode, player.said(refused)))
    headless = {k: v for k, v in player.env.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    refused = player.start(env=headless)
    problems.check(refused.wait(timeout=30) == STATUS_NO_DISPLAY and "DISPLAY" in player.said(refused),
                   "without a display: status %s, said %r" % (refused.returncode, player.said(refused)))
    problems.check(not os.path.exists(player.prefix), "a start without a display made a prefix")


def play_until_closed(player, launcher, what, problems):
    """Waits for the game's window (answering the New-player dialog if it comes), checks where
    the game runs from, closes it, and checks the launcher ends with the game's status 0."""
    shown = wait_for(lambda: visible("Новый игрок") or visible(TITLE) or launcher.poll() is not None, 180,
                     "neither the New-player dialog nor the game's window showed after %s" % what)
    if shown is True:
        raise RuntimeError("the launcher ended before the game's window showed: %s" % player.said(launcher))
    dialog = visible("Новый игрок")
    if dialog:
        focus(dialog[-1])
        subprocess.run(["xdotool", "type", "--delay", "60", "Debian"], check=True)
        subprocess.run(["xdotool", "key", "Return"], check=True)
        wait_for(lambda: not visible("Новый игрок"), 30, "the New-player dialog stayed after %s" % what)
    window = wait_for(lambda: visible(TITLE), 90, "no main window '%s' after %s" % (TITLE, what))[-1]
    # The game finds its data through the working folder's links and runs there, so Wine and
    # its Direct3D write nothing into the game folder.
    pid = subprocess.run(["xdotool", "getwindowpid", window], capture_output=True, text=True).stdout.strip()
    folder = os.readlink("/proc/%s/cwd" % pid) if pid else "unknown"
    problems.check(folder == os.path.join(player.prefix, WORK_DIR), "the game runs in %s" % folder)
    focus(window)
    subprocess.run(["xdotool", "key", "--clearmodifiers", "alt+F4"], check=True)
    problems.check(launcher.wait(timeout=60) == 0, "the launcher's exit status is %s" % launcher.returncode)
    subprocess.run(["wineserver", "-w"], env=dict(player.env, WINEPREFIX=player.prefix), check=False)


def first_start(player, problems):
    """A first start stopped half-way, then one that recovers while a second start is refused."""
    stopped = player.start()
    wait_for(lambda: os.path.isdir(os.path.join(player.prefix, "drive_c", "windows")), 120, "no prefix being made")
    os.killpg(stopped.pid, signal.SIGKILL)
    stopped.wait()
    launcher = player.start()
    wait_for(lambda: "Wine" in player.said(launcher) or launcher.poll() is not None, 60,
             "the launcher did not say on the terminal that it prepares Wine")
    # A second click in the menu while the prefix is made: said on the terminal and the desktop.
    second = player.start()
    status = second.wait(timeout=30)
    problems.check(status == STATUS_BUSY and "already" in player.said(second),
                   "a second start meanwhile: status %s, said %r" % (status, player.said(second)))
    # The launcher leaves its notification to a background notify-send, which may finish after it.
    wait_for(lambda: "уже запускается" in player.read(player.notified), 30, "a second start meanwhile notified nothing")
    play_until_closed(player, launcher, "the first start", problems)
    problems.check("Wine" in player.read(player.notified), "no desktop notification of the first start")
    calls = player.read(player.wine_log)
    problems.check(calls and all(line.startswith("WINEDEBUG=fixme-all ") for line in calls.splitlines()),
                   "the player's WINEDEBUG is not passed to Wine: %s" % calls.splitlines()[:3])

    user, system = player.read(os.path.join(player.prefix, "user.reg")), player.read(os.path.join(player.prefix, "system.reg"))
    problems.check("[Software\\\\Tessaron]" in user and '"ShowNameDlg"' in user,
                   "no settings in the registry of the player's prefix %s" % player.prefix)
    problems.check('"Decorated"="N"' not in user, "the player's prefix switches the desktop's frame off")
    problems.check('"MS Shell Dlg"="MS Sans Serif"' in system, "no dialog-font mapping in the prefix after a refused write")
    fonts = os.path.join(player.prefix, "drive_c/windows/Fonts")
    problems.check(os.path.exists(os.path.join(fonts, "tahoma.ttf")), "Wine's Tahoma was not given to the prefix")
    problems.check(not os.path.exists(os.path.join(player.home, ".local/share/tessaron")),
                   "the prefix was made under ~/.local/share although XDG_DATA_HOME is set")


def later_start(player, problems):
    """A prefix an earlier release made (its ready marker names no level, a font it now gives
    is missing) is brought up to date on the next start, keeping the player's settings."""
    font = os.path.join(player.prefix, "drive_c/windows/Fonts/sserifer.fon")
    if os.path.exists(font):
        os.remove(font)
    with open(os.path.join(player.prefix, ".tessaron-ready"), "w"):
        pass
    play_until_closed(player, player.start(), "a start that brought the prefix up to date", problems)
    problems.check(os.path.exists(font),
                   "a prefix of an earlier release was not brought up to date")
    user = player.read(os.path.join(player.prefix, "user.reg"))
    problems.check('"ShowNameDlg"' in user, "the player's settings were lost when the prefix was brought up to date")


def starts(root, scratch, problems):
    """The launcher's starts under openbox, as a desktop player's."""
    player = Player(root, scratch)
    manager = subprocess.Popen(["openbox", "--sm-disable"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        wait_for(lambda: "window id" in subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"],
                                                       capture_output=True, text=True).stdout, 10, "openbox")
        check_refusals(player, problems)
        first_start(player, problems)
        later_start(player, problems)
    finally:
        player.stop_all()
        manager.terminate()
        manager.wait()


def machine_sources():
    """The machine's own release and the first package source it uses."""
    release = dict(re.findall(r'^(\w+)="?([^"\n]*)"?$', open("/etc/os-release").read(), re.M))["VERSION_CODENAME"]
    text = ""
    for folder, names in (("/etc/apt", ["sources.list"]), ("/etc/apt/sources.list.d", None)):
        for name in names or sorted(os.listdir(folder)):
            if re.search(r"(\.list|\.sources)$", name) and os.path.isfile(os.path.join(folder, name)):
                text += open(os.path.join(folder, name)).read() + "\n"
    mirror = re.search(r"^(?:URIs:\s*|deb\s+(?:\[[^]]*\]\s+)?)(\S+)", text, re.M).group(1)
    return release, mirror


def fresh_root(cache):
    """A throw-away copy of a minimal root of the machine's release (made once into the cache)."""
    base = os.path.join(cache, "base.tar")
    if not os.path.exists(base):
        release, mirror = machine_sources()
        made = os.path.join(cache, "base")
        shutil.rmtree(made, ignore_errors=True)
        subprocess.run(["debootstrap", "--variant=minbase", release, made, mirror], check=True,
                       stdout=subprocess.DEVNULL)
        subprocess.run(["tar", "-C", made, "-cf", base + ".part", "."], check=True)
        os.replace(base + ".part", base)
        shutil.rmtree(made)
    root = tempfile.mkdtemp(prefix="tessaron-root-", dir=cache)
    subprocess.run(["tar", "-C", root, "-xf", base], check=True)
    for name in ("/etc/resolv.conf",):
        shutil.copy(name, root + name)
    os.makedirs(os.path.join(cache, "archives", "partial"), exist_ok=True)
    return root


def in_root(root, cache, script):
    """Runs a shell script as root of the throw-away root, in a mount namespace of its own, with
    the cache's package folder as apt's (packages are downloaded once for every run)."""
    mounts = ('mount -t proc proc "$1/proc" && mount --bind "$2" "$1/var/cache/apt/archives" && '
              'exec chroot "$1" /bin/sh -ec "$3"')
    return subprocess.run(["unshare", "--mount", "--pid", "--fork", "sh", "-ec", mounts, "in_root", root,
                           os.path.join(cache, "archives"), script], capture_output=True, text=True,
                          env=dict(os.environ, DEBIAN_FRONTEND="noninteractive", LC_ALL="C.UTF-8"))


def installs_in_fresh_root(deb, cache):
    """apt installs the package into a fresh root, with what it depends on and recommends; the
    launcher runs there; apt removes it and leaves none of its files."""
    os.makedirs(cache, exist_ok=True)
    problems = Checks()
    root = fresh_root(cache)
    try:
        shutil.copy(deb, os.path.join(root, "tmp", "tessaron.deb"))
        install = in_root(root, cache, "apt-get update -qq && apt-get install -y -qq /tmp/tessaron.deb")
        if install.returncode != 0:
            return "apt could not install the package: %s" % (install.stderr or install.stdout).strip()[-2000:]
        fields = dict(re.findall(r"^(\S+): (.*)$", subprocess.run(["dpkg-deb", "-f", deb], capture_output=True,
                                                                  text=True, check=True).stdout, re.M))
        wanted = sorted(package_names(fields.get("Depends", "")) | package_names(fields.get("Recommends", "")))
        status = in_root(root, cache, "dpkg-query -W -f='${Package} ${Status}\\n' tessaron %s" % " ".join(wanted))
        missing = [line for line in status.stdout.splitlines() if not line.endswith("install ok installed")]
        problems.check(status.returncode == 0 and not missing, "not installed: %s %s" % (missing, status.stderr))
        # The launcher through the menu entry's absolute path: the usage line, and without a
        # display (this root has none) the sentence that says so.
        usage = in_root(root, cache, "/usr/games/tessaron --help")
        problems.check(usage.returncode == 0 and "usage: tessaron" in usage.stdout, "tessaron --help: %s" % usage)
        headless = in_root(root, cache, "unset DISPLAY WAYLAND_DISPLAY; HOME=/root /usr/games/tessaron || echo status $?")
        problems.check("status %d" % STATUS_NO_DISPLAY in headless.stdout and "DISPLAY" in headless.stderr,
                       "tessaron without a display: %s" % headless)
        files = in_root(root, cache, "dpkg -L tessaron").stdout.split()
        remove = in_root(root, cache, "apt-get remove -y -qq tessaron")
        problems.check(remove.returncode == 0, "apt could not remove the package: %s" % remove.stderr.strip())
        left = [name for name in files if os.path.isfile(root + name) or os.path.islink(root + name)]
        left += [name for name in ("/usr/lib/tessaron",) if os.path.exists(root + name)]
        problems.check(not left, "left after removal: %s" % left[:5])
        problems.check(len(files) > 20, "dpkg lists only %s" % files)
    finally:
        shutil.rmtree(root, ignore_errors=True)
    return "; ".join(problems) or None


def main(deb, game_dir, *not_shipped):
    problems = Checks()
    if not os.path.exists(deb):
        return "no package at %s" % deb
    fields = dict(re.findall(r"^(\S+): (.*)$", subprocess.run(["dpkg-deb", "-f", deb], capture_output=True,
                                                              text=True, check=True).stdout, re.M))
    check_control(deb, fields, problems)
    # Errors and warnings: a missing manual page, changelog or copyright file, a faulty menu entry.
    lintian = subprocess.run(["lintian", "--fail-on", "error,warning", deb], capture_output=True, text=True)
    problems.check(lintian.returncode == 0, "lintian: %s" % lintian.stdout.strip())
    scratch = tempfile.mkdtemp(prefix="tessaron-deb-")
    try:
        root = os.path.join(scratch, "root")
        subprocess.run(["dpkg-deb", "-x", deb, root], check=True)
        check_files(root, game_dir, not_shipped, problems)
        try:
            starts(root, scratch, problems)
        except (RuntimeError, TimeoutError, subprocess.TimeoutExpired) as error:
            problems.append(str(error))
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    return "; ".join(problems) or None


if __name__ == "__main__":
    if sys.argv[1:2] == ["--fresh-root"]:
        failure = installs_in_fresh_root(*sys.argv[2:])
        print("FAILED: %s" % failure if failure else "apt installs the package into a fresh root and removes it cleanly")
    else:
        failure = main(*sys.argv[1:])
        print("FAILED: %s" % failure if failure else "the package installs the game, and its launcher plays it")
    sys.exit(1 if failure else 0)
