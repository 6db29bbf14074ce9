"""The Debian package for Linux players: its control fields and dependencies, its files (the
game folder as built, the launcher, the menu entry, the icons, the manual page, the documents),
lintian's verdict, and a first start from a throw-away root with a fresh home on the test
display, after one that was stopped half-way: the launcher makes the player's Wine prefix
under ~/.local/share/tessaron and says so, the game's window shows, and closing it leaves the
settings in that prefix's registry.

    debian_package_test.py <package.deb> <game folder> [file of the game folder that is not shipped ...]"""

import configparser
import os
import re
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
# What the game cannot run without: Wine, and the fonts the launcher gives the prefix.
NEEDED = {"wine", "wine64", "fonts-wine"}
# Packages only the build and the tests use: a player must never have to install them.
BUILD_ONLY = re.compile(r"mingw|cmake|ninja|fp-utils|imagemagick|googletest|lintian|dpkg-dev|xvfb|xdotool|openbox")


class Checks(list):
    def check(self, ok, message):
        if not ok:
            self.append(message)


def check_control(deb, fields, problems):
    version = os.path.basename(deb).split("_")[1]  # the build names the file after its version
    problems.check(fields.get("Package") == "tessaron" and fields.get("Version") == version
                   and fields.get("Architecture") == "amd64", "control fields: %s" % fields)
    depends = {alternative.split()[0] for group in fields.get("Depends", "").split(",")
               for alternative in group.split("|") if alternative.strip()}
    problems.check(NEEDED <= depends, "Depends lacks %s" % sorted(NEEDED - depends))
    problems.check(not any(BUILD_ONLY.search(p) for p in depends), "Depends names build tools: %s" % sorted(depends))
    for package in depends:  # the test plays the game here: a misspelt name is not installed
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
    command = os.path.join(root, "usr/games", desktop.get("Exec", "").split(" ")[0])
    problems.check(os.path.isfile(command) and os.access(command, os.X_OK), "the menu entry starts no launcher")
    problems.check({"Game", "LogicGame"} <= set(desktop.get("Categories", "").split(";")), "menu categories")
    for size in (48, 256):
        icon = "usr/share/icons/hicolor/%dx%d/apps/%s.png" % (size, size, desktop.get("Icon"))
        problems.check(os.path.exists(os.path.join(root, icon)), "no %d px icon for the menu entry" % size)


def wait_for(condition, timeout, what):
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = condition()
        if found:
            return found
        time.sleep(0.2)
    raise TimeoutError(what)


def visible(name):
    return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % name], capture_output=True,
                          text=True).stdout.split()


def first_start(root, scratch, problems):
    """Starts the launcher with a fresh home under openbox, as a desktop player would."""
    home, tools = os.path.join(scratch, "home"), os.path.join(scratch, "bin")
    os.makedirs(home)
    os.makedirs(tools)
    notified = os.path.join(scratch, "notified")
    with open(os.path.join(tools, "notify-send"), "w") as fake:
        fake.write('#!/bin/sh\nprintf "%%s\\n" "$@" >"%s"\n' % notified)
    os.chmod(os.path.join(tools, "notify-send"), 0o755)
    env = dict(os.environ, HOME=home, PATH=tools + os.pathsep + os.environ["PATH"])
    env.pop("XDG_DATA_HOME", None)  # the test runner's WINEPREFIX stays: the launcher must not use it
    prefix = os.path.join(home, ".local/share/tessaron")

    manager = subprocess.Popen(["openbox", "--sm-disable"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    terminal = open(os.path.join(scratch, "terminal"), "w+")
    started = []

    def start():
        started.append(subprocess.Popen([os.path.join(root, LAUNCHER)], env=env, stdin=subprocess.DEVNULL,
                                        stdout=terminal, stderr=subprocess.STDOUT, start_new_session=True))
        return started[-1]

    try:
        wait_for(lambda: "window id" in subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"],
                                                       capture_output=True, text=True).stdout, 10, "openbox")
        # A first start stopped while Wine fills the prefix (a closed terminal, a crash).
        stopped = start()
        wait_for(lambda: os.path.isdir(os.path.join(prefix, "drive_c", "windows")), 120, "no prefix being made")
        os.killpg(stopped.pid, signal.SIGKILL)
        stopped.wait()
        launcher = start()
        # A new player is asked for a name before the main window shows.
        dialog = wait_for(lambda: visible("Новый игрок") or launcher.poll() is not None, 180, "no New-player dialog")
        if dialog is True:
            terminal.seek(0)
            raise RuntimeError("the launcher ended before the game's window showed: %s" % terminal.read().strip())
        subprocess.run(["xdotool", "windowactivate", "--sync", dialog[-1]], capture_output=True)
        subprocess.run(["xdotool", "type", "--delay", "60", "Debian"], check=True)
        subprocess.run(["xdotool", "key", "Return"], check=True)
        window = wait_for(lambda: visible(TITLE), 60, "no main window '%s'" % TITLE)[-1]
        subprocess.run(["xdotool", "windowactivate", "--sync", window], capture_output=True)
        subprocess.run(["xdotool", "key", "--clearmodifiers", "alt+F4"], check=True)
        problems.check(launcher.wait(timeout=60) == 0, "the launcher's exit status is %s" % launcher.returncode)
        subprocess.run(["wineserver", "-w"], env=dict(env, WINEPREFIX=prefix), check=False)
    finally:
        for process in started:
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
        subprocess.run(["wineserver", "-k"], env=dict(env, WINEPREFIX=prefix), capture_output=True)
        manager.terminate()
        manager.wait()
    terminal.seek(0)
    problems.check("Wine" in terminal.read(), "the launcher did not say on the terminal that it prepares Wine")
    problems.check(os.path.exists(notified) and "Wine" in open(notified).read(), "no desktop notification")

    def registry(name):
        path = os.path.join(prefix, name)
        return open(path, encoding="utf-8", errors="replace").read() if os.path.exists(path) else ""

    user = registry("user.reg")
    problems.check("[Software\\\\Tessaron]" in user and '"ShowNameDlg"' in user,
                   "no settings in the registry of the player's prefix %s" % prefix)
    problems.check('"Decorated"="N"' not in user, "the player's prefix switches the desktop's frame off")
    problems.check('"MS Shell Dlg"="MS Sans Serif"' in registry("system.reg"), "no dialog-font mapping in the prefix")


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
            first_start(root, scratch, problems)
        except (RuntimeError, TimeoutError, subprocess.TimeoutExpired) as error:
            problems.append(str(error))
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    return "; ".join(problems) or None


if __name__ == "__main__":
    failure = main(*sys.argv[1:])
    print("FAILED: %s" % failure if failure else "the package installs the game, and its launcher plays it")
    sys.exit(1 if failure else 0)
