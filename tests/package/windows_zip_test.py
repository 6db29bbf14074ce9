"""The packages for Windows players.

zip: one folder holding every run-time file of the game folder, each as built (not a stale copy),
the read-me on what to install, and the licence and notices of the source tree.

setup: the setup program, tried as a player would under Wine in a fresh prefix. A silent install
puts the zip's files in %LOCALAPPDATA%\\Programs\\Tessaron, a Start-menu shortcut that starts the
game in that folder, and an Apps & features entry with the game's version (the setup's version
resource and the program's say the same); the game started through the shortcut draws the cube;
a silent uninstall removes the files, the shortcut and the entry and keeps the player's settings;
on a system without d3dx9_43.dll the setup says in Russian what to install and where it comes from.

    windows_zip_test.py zip <zip> <game folder> [file of the game folder that is not shipped ...]
    windows_zip_test.py setup <setup.exe> <game folder> [file of the game folder that is not shipped ...]"""

import glob
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zipfile
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

READ_ME = "README.txt"
SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
GAME_EXE = "tessaron.exe"
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessaron"
D3DX = "d3dx9_43.dll"


def game_files(game_dir, not_shipped):
    found = set()
    for folder, _, names in os.walk(game_dir):
        for name in names:
            found.add(os.path.relpath(os.path.join(folder, name), game_dir).replace(os.sep, "/"))
    return found - set(not_shipped)


def shipped_files(game_dir, not_shipped):
    """What a Windows package must hold, {name: the file it is a copy of}: the game folder's
    run-time files, the read-me, and the licence and notices at the top of the source tree."""
    files = {name: os.path.join(game_dir, name) for name in game_files(game_dir, not_shipped)}
    files[READ_ME] = os.path.join(SOURCE, "docs", "windows", READ_ME)
    for path in glob.glob(os.path.join(SOURCE, "LICENSE")) + glob.glob(os.path.join(SOURCE, "*NOTICES*")):
        files[os.path.basename(path)] = path
    return files


def crc_of(path):
    with open(path, "rb") as data:
        return zlib.crc32(data.read())


def compare(found, expected, same):
    """Problems of a package's file names `found` against `expected` ({name: source}), whose
    common files `same(name, source)` tells apart."""
    problems = []
    if set(found) != set(expected):
        problems.append("missing %s, extra %s" % (sorted(set(expected) - set(found)), sorted(set(found) - set(expected))))
    problems += ["%s differs from %s" % (name, expected[name]) for name in sorted(set(found) & set(expected))
                 if not same(name, expected[name])]
    return problems


def check_zip(zip_path, game_dir, *not_shipped):
    if not os.path.exists(zip_path):
        return "no zip at %s" % zip_path
    folder = os.path.splitext(os.path.basename(zip_path))[0] + "/"
    with zipfile.ZipFile(zip_path) as archive:
        entries = {i.filename: i for i in archive.infolist() if not i.is_dir()}
        outside = [name for name in entries if not name.startswith(folder)]
        if outside:
            return "outside the folder %s: %s" % (folder, outside)
        zipped = {name[len(folder):]: info for name, info in entries.items()}
        problems = compare(zipped, shipped_files(game_dir, not_shipped),
                           lambda name, source: zipped[name].CRC == crc_of(source))
        if READ_ME in zipped:
            text = archive.read(folder + READ_ME).decode("utf-8-sig")
            for needed in (D3DX, "DirectX", GAME_EXE, "Установите"):
                if needed not in text:
                    problems.append("%s does not mention %s" % (READ_ME, needed))
    return "; ".join(problems) or None


# ---------------------------------------------------------------------------------------------
# The setup program.

def product_version(path):
    """The product version "major.minor" of a Windows program's version resource, or None."""
    with open(path, "rb") as program:
        data = program.read()
    at = data.find(struct.pack("<I", 0xFEEF04BD))  # VS_FIXEDFILEINFO's signature
    if at < 0:
        return None
    most = struct.unpack_from("<I", data, at + 16)[0]  # dwProductVersionMS
    return "%d.%d" % (most >> 16, most & 0xFFFF)


def shortcut(path):
    """A shell link's (target, working folder), read from its LinkInfo and string data."""
    with open(path, "rb") as link:
        data = link.read()
    flags = struct.unpack_from("<I", data, 20)[0]
    unicode = flags & 0x80
    pos = 76  # the header
    if flags & 0x01:  # an ID list
        pos += 2 + struct.unpack_from("<H", data, pos)[0]
    target = None
    if flags & 0x02:  # link info: the local base path, ANSI
        size, header, _, _, base = struct.unpack_from("<5I", data, pos)
        if header >= 0x24:
            wide = struct.unpack_from("<I", data, pos + 28)[0]
            if wide:
                end = pos + wide
                while data[end:end + 2] != b"\0\0":
                    end += 2
                target = data[pos + wide:end].decode("utf-16-le")
        if target is None:
            target = data[pos + base:data.index(b"\0", pos + base)].decode("cp1252")
        pos += size
    strings = []
    for bit in (0x04, 0x08, 0x10):  # name, relative path, working folder
        if flags & bit:
            count = struct.unpack_from("<H", data, pos)[0]
            width = 2 if unicode else 1
            text = data[pos + 2:pos + 2 + count * width]
            strings.append(text.decode("utf-16-le" if unicode else "cp1252").rstrip("\0"))
            pos += 2 + count * width
        else:
            strings.append(None)
    return target, strings[2]


def same_windows_path(a, b):
    return a is not None and b is not None and a.rstrip("\\").lower() == b.rstrip("\\").lower()


class Setup:
    """The setup program tried in a fresh copy of the tests' prefix, build/setup-prefix."""

    def __init__(self, session, setup_exe, problems):
        self.session, self.setup_exe, self.problems = session, setup_exe, problems

    def check(self, ok, message):
        if not ok:
            self.problems.append(message)
        return ok

    def echo(self, variable):
        return self.session.wine("cmd", "/c", "echo", "%" + variable + "%").stdout.decode().strip()

    def unix(self, windows_path):
        return subprocess.run(["winepath", "-u", windows_path], env=self.session.env, capture_output=True,
                              text=True, check=True).stdout.strip()

    def values(self, key):
        """The registry key's values as {name: raw text of `wine reg export`}, None without the key."""
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "key.reg")
            if self.session.wine("reg", "export", key, "Z:" + out.replace("/", "\\"), "/y", check=False).returncode:
                return None
            text = open(out, "rb").read().decode("utf-16")
        return dict(re.findall(r'^"([^"]+)"=(.*)$', text.replace("\\\r\n  ", ""), re.M))

    def wait(self, condition, what, timeout=120):
        deadline = time.time() + timeout
        while not condition():
            if time.time() > deadline:
                raise TimeoutError(what)
            time.sleep(0.3)

    def wait_no_program(self, names, what):
        """Waits for the stillness after an action: none of `names` runs in the prefix any more."""
        self.wait(lambda: not self.session.programs(names), what)


def entry_text(raw):
    return raw[1:-1].replace("\\\\", "\\").replace('\\"', '"') if raw and raw.startswith('"') else None


def check_installed(setup, folder, expected, version):
    installed = {name for name in game_files(folder, ()) if name != "uninstall.exe"}
    setup.problems += compare(installed, expected,
                              lambda name, source: crc_of(os.path.join(folder, name)) == crc_of(source))
    exe = os.path.join(folder, GAME_EXE)
    setup.check(os.path.exists(exe) and product_version(exe) == version,
                "the installed game's version resource says %s, not %s"
                % (product_version(exe) if os.path.exists(exe) else None, version))


def check_entry(setup, entry, install_dir, folder, version):
    """The Apps & features entry: what the list shows and how the game is removed from it."""
    from game_session import TITLE
    text = {name: entry_text(raw) for name, raw in entry.items()}
    setup.check(text.get("DisplayName") == TITLE and text.get("DisplayVersion") == version
                and text.get("Publisher"), "Apps & features shows %s" % entry)
    icon = (text.get("DisplayIcon") or "").split(",")[0]
    setup.check(same_windows_path(icon, install_dir + "\\" + GAME_EXE), "DisplayIcon is %r" % icon)
    size = int(entry.get("EstimatedSize", "dword:0").split(":")[1], 16)
    on_disk = sum(os.path.getsize(os.path.join(folder, name)) for name in game_files(folder, ())) // 1024
    setup.check(abs(size - on_disk) <= on_disk // 10 + 4, "EstimatedSize %d KiB, the folder %d KiB" % (size, on_disk))
    uninstall = text.get("UninstallString") or ""
    command = re.fullmatch(r'"([^"]+)"', uninstall)
    setup.check(command and os.path.exists(setup.unix(command.group(1))), "UninstallString %r" % uninstall)
    setup.check(text.get("QuietUninstallString") == uninstall + " /S",
                "QuietUninstallString %r" % text.get("QuietUninstallString"))
    return text.get("QuietUninstallString")


def game_draws_the_cube(setup, link, shots):
    """Starts the game through its Start-menu shortcut and checks that it draws the solved cube."""
    from game_session import TITLE, SPLASH_SIZE, view_rect, visible_windows
    from first_start_e2e import face_colours
    session = setup.session
    starter = subprocess.Popen(["wine", "start", "/unix", link], env=session.env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        window = session.find_window(TITLE, timeout=60)
        setup.wait(lambda: not any(geo[2:] == SPLASH_SIZE for _, _, geo in visible_windows()),
                   "the splash stayed open", timeout=60)
        frame = session.geometry(window)
        colours, deadline = {}, time.time() + 30
        while time.time() < deadline:  # the first frames follow the splash
            picture = session.screenshot(os.path.join(shots, "setup-installed-game.png"))
            colours = face_colours(picture, view_rect(picture, frame))
            if sum(count > 150 for count in colours.values()) == 3:
                break
            time.sleep(0.5)
        setup.check(sum(count > 150 for count in colours.values()) == 3,
                    "the installed game does not show the solved cube's three faces: %s" % colours)
        session.focus(window)
        subprocess.run(["xdotool", "key", "--clearmodifiers", "alt+F4"], check=False)
        setup.wait_no_program((GAME_EXE,), "the installed game did not end after Alt+F4")
    finally:
        starter.wait(timeout=60)


def d3dx_message(setup, shots):
    """The start of the message the setup shows on a system without the D3DX library, as Wine's
    message box traces it when the box is filled in (Wine's boxes offer no Ctrl+C copy)."""
    session = setup.session
    os.remove(os.path.join(session.prefix, "drive_c", "windows", "system32", D3DX))
    with tempfile.TemporaryFile() as trace:
        shown = subprocess.Popen(["wine", setup.setup_exe], env=dict(session.env, WINEDEBUG="-all,+msgbox"),
                                 stdin=subprocess.DEVNULL, stdout=trace, stderr=trace)
        try:
            def message():
                trace.seek(0)
                found = re.search(rb'MSGBOX_OnInit L"((?:[^"\\]|\\.)*)', trace.read())
                return found and re.sub(r"\\([0-9a-f]{4})", lambda m: chr(int(m.group(1), 16)),
                                        found.group(1).decode()).replace('\\"', '"')
            setup.wait(message, "the setup showed no message without %s" % D3DX, timeout=60)
            session.screenshot(os.path.join(shots, "setup-no-d3dx.png"))
            return message()
        finally:
            shown.kill()
            shown.wait()


def check_setup(setup_exe, game_dir, *not_shipped):
    from game_session import GameSession, SETTINGS_KEY, TITLE
    if not os.path.exists(setup_exe):
        return "no setup program at %s" % setup_exe
    problems = []
    version = re.fullmatch(r"tessaron-(.+)-setup\.exe", os.path.basename(setup_exe)).group(1)
    for program in (setup_exe, os.path.join(game_dir, GAME_EXE)):
        if product_version(program) != version:
            problems.append("%s's version resource says %s, not %s" % (program, product_version(program), version))
    build_dir = os.path.dirname(os.path.abspath(setup_exe))
    shots = os.path.join(build_dir, "e2e-shots")
    os.makedirs(shots, exist_ok=True)
    prefix = os.path.join(build_dir, "setup-prefix")
    shutil.rmtree(prefix, ignore_errors=True)
    with GameSession(build_dir, prefix=prefix) as session:
        # Wine's menu builder would copy the shortcuts into the desktop menus of this machine.
        session.env["WINEDLLOVERRIDES"] += ";winemenubuilder.exe=d"
        setup = Setup(session, setup_exe, problems)
        try:
            # A player's settings from an earlier install; no name asked for at the start.
            session.write_settings({"ShowNameDlg": 0, "NumberRotate": 5})
            installed = session.wine(setup_exe, "/S", check=False)
            setup.check(installed.returncode == 0, "the silent setup ended with %d" % installed.returncode)
            install_dir = setup.echo("LOCALAPPDATA") + r"\Programs\Tessaron"
            folder = setup.unix(install_dir)
            check_installed(setup, folder, shipped_files(game_dir, not_shipped), version)
            link = setup.unix(setup.echo("APPDATA") + "\\Microsoft\\Windows\\Start Menu\\Programs\\%s.lnk" % TITLE)
            if setup.check(os.path.exists(link), "no Start-menu shortcut %s" % link):
                target, working = shortcut(link)
                setup.check(same_windows_path(target, install_dir + "\\" + GAME_EXE)
                            and same_windows_path(working, install_dir),
                            "the shortcut starts %r in %r" % (target, working))
            entry = setup.values(UNINSTALL_KEY)
            quiet = setup.check(entry, "no Apps & features entry %s" % UNINSTALL_KEY) and \
                check_entry(setup, entry, install_dir, folder, version)
            if os.path.exists(link):
                game_draws_the_cube(setup, link, shots)

            if quiet:
                uninstaller = re.fullmatch(r'"([^"]+)" (.*)', quiet)
                session.wine(setup.unix(uninstaller.group(1)), *uninstaller.group(2).split(), check=False)
                # The uninstaller goes on from a copy of itself in the temporary folder.
                setup.wait(lambda: not os.path.exists(folder), "the silent uninstall left %s" % folder)
                setup.wait_no_program(("un_a.exe", "au_.exe", "un.exe"), "the uninstaller did not end")
                setup.check(not os.path.exists(link), "the uninstall left the Start-menu shortcut")
                setup.check(setup.values(UNINSTALL_KEY) is None, "the uninstall left the Apps & features entry")
                kept = setup.values(SETTINGS_KEY) or {}
                setup.check(kept.get("NumberRotate") == "dword:00000005",
                            "the uninstall did not keep the player's settings: %s" % kept)

            text = d3dx_message(setup, shots)
            for needed in (D3DX, "DirectX End-User Runtime", "Microsoft", "нужна"):
                setup.check(needed in text, "without %s the setup does not say %r: %r" % (D3DX, needed, text))
        except (RuntimeError, TimeoutError, subprocess.TimeoutExpired) as error:
            problems.append(str(error))
    return "; ".join(problems) or None


if __name__ == "__main__":
    kind, arguments = sys.argv[1], sys.argv[2:]
    failure = {"zip": check_zip, "setup": check_setup}[kind](*arguments)
    passed = {"zip": "the zip holds the game folder's run-time files, the read-me and the licence",
              "setup": "the setup installs, starts and uninstalls the game as a player expects"}[kind]
    print("FAILED: %s" % failure if failure else passed)
    sys.exit(1 if failure else 0)
