"""The packages for Windows players.

zip: one folder holding every run-time file of the game folder, each as built (not a stale copy),
the read-me on what to install, and the licence with the notices of what the program links in,
as the sources keep them.

setup: the setup program, tried as a player would under Wine in a fresh prefix. A silent install
puts the zip's files in %LOCALAPPDATA%\\Programs\\Tessaron, a Start-menu shortcut that starts the
game in that folder, and an Apps & features entry with the game's version (the setup's version
resource and the program's say the same); the game started through the shortcut draws the cube;
a silent uninstall is refused while the game runs; after it ends, a silent uninstall removes the
files, the shortcut and the entry and keeps the player's settings;
on a system without d3dx9_43.dll the setup says in Russian what to install and where it comes from.

    windows_zip_test.py zip <zip> <game folder> [file of the game folder that is not shipped ...]
    windows_zip_test.py setup <setup.exe> <game folder> [file of the game folder that is not shipped ...]"""

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
# Passed on with the game wherever it goes: kept at the top of the sources.
LICENSE_FILES = ("LICENSE", "THIRD-PARTY-NOTICES.txt")


def game_files(game_dir, not_shipped):
    found = set()
    for folder, _, names in os.walk(game_dir):
        for name in names:
            found.add(os.path.relpath(os.path.join(folder, name), game_dir).replace(os.sep, "/"))
    return found - set(not_shipped)


def shipped_files(game_dir, not_shipped):
    """What a Windows package must hold, {name: the file it is a copy of}: the game folder's
    run-time files, the read-me, and the licence with the notices of what the program links in."""
    files = {name: os.path.join(game_dir, name) for name in game_files(game_dir, not_shipped)}
    files[READ_ME] = os.path.join(SOURCE, "docs", "windows", READ_ME)
    files.update((name, os.path.join(SOURCE, name)) for name in LICENSE_FILES)
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


def registry_values(session, key):
    """The key's values as {name: text as `wine reg export` writes it}, None without the key."""
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "key.reg")
        if session.wine("reg", "export", key, "Z:" + out.replace("/", "\\"), "/y", check=False).returncode:
            return None
        text = open(out, "rb").read().decode("utf-16").replace("\r\n", "\n")
    return dict(re.findall(r'^"([^"]+)"=(.*)$', text.replace("\\\n  ", ""), re.M))


def wait(condition, what, timeout=120):
    """Waits for `condition`; `what` (or what it returns, when it is a function) says what failed."""
    deadline = time.time() + timeout
    while not condition():
        if time.time() > deadline:
            raise TimeoutError(what() if callable(what) else what)
        time.sleep(0.3)


def game_draws_the_cube(session, link, shots, while_running):
    """Starts the game through its shortcut from another folder (it finds its data only in the
    folder the shortcut starts it in), waits for the solved cube's three faces, calls
    `while_running` and closes the game."""
    from game_session import TITLE, SPLASH_SIZE, view_rect, visible_windows
    from first_start_e2e import face_colours
    subprocess.run(["wine", "start", "/unix", link], env=session.env, cwd=tempfile.gettempdir(), check=True,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    window = session.find_window(TITLE, timeout=60)
    wait(lambda: not any(geo[2:] == SPLASH_SIZE for _, _, geo in visible_windows()), "the splash stayed", 60)
    shown = {}

    def three_faces():  # the first frames follow the splash
        picture = session.screenshot(os.path.join(shots, "setup-installed-game.png"))
        shown.update(face_colours(picture, view_rect(picture, session.geometry(window))))
        return sum(count > 150 for count in shown.values()) == 3
    try:
        wait(three_faces, lambda: "the installed game does not show the solved cube's three faces: %s" % shown, 30)
        while_running()
    finally:
        session.focus(window)
        subprocess.run(["xdotool", "key", "--clearmodifiers", "alt+F4"], check=False)
        wait(lambda: not session.programs((GAME_EXE,)), "the installed game did not end after Alt+F4")


def d3dx_message(session, setup_exe, shots):
    """The start of the message the setup shows on a system without the D3DX library, as Wine's
    message box traces it when the box is filled in (Wine's boxes offer no Ctrl+C copy)."""
    os.remove(os.path.join(session.prefix, "drive_c", "windows", "system32", D3DX))
    with tempfile.TemporaryFile() as trace:
        shown = subprocess.Popen(["wine", setup_exe], env=dict(session.env, WINEDEBUG="-all,+msgbox"),
                                 stdin=subprocess.DEVNULL, stdout=trace, stderr=trace)

        def message():
            trace.seek(0)
            found = re.search(rb'MSGBOX_OnInit L"((?:[^"\\]|\\.)*)', trace.read())
            return found and re.sub(r"\\([0-9a-f]{4})", lambda m: chr(int(m.group(1), 16)),
                                    found.group(1).decode()).replace('\\"', '"')
        try:
            wait(message, "the setup showed no message without %s" % D3DX, 60)
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

    def check(ok, message):
        if not ok:
            problems.append(message)
        return ok
    version = re.fullmatch(r"tessaron-(.+)-setup\.exe", os.path.basename(setup_exe)).group(1)
    for program in (setup_exe, os.path.join(game_dir, GAME_EXE)):
        check(product_version(program) == version, "%s's version is %s, not %s" % (program, product_version(program), version))
    build_dir = os.path.dirname(os.path.abspath(setup_exe))
    shots = os.path.join(build_dir, "e2e-shots")
    os.makedirs(shots, exist_ok=True)
    prefix = os.path.join(build_dir, "setup-prefix")
    # A run stopped half-way (a CTest time-out) leaves the prefix's server running: stop it first.
    subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=prefix), capture_output=True)
    shutil.rmtree(prefix, ignore_errors=True)
    with GameSession(build_dir, prefix=prefix) as session:
        # Wine's menu builder would copy the shortcuts into the desktop menus of this machine.
        session.env["WINEDLLOVERRIDES"] += ";winemenubuilder.exe=d"

        def unix(windows_path):
            return subprocess.run(["winepath", "-u", windows_path], env=session.env, capture_output=True,
                                  text=True, check=True).stdout.strip()

        def folder_of(variable):
            return session.wine("cmd", "/c", "echo", "%" + variable + "%").stdout.decode().strip()
        try:
            # A player's settings from an earlier install; no name asked for at the start.
            session.write_settings({"ShowNameDlg": 0, "NumberRotate": 5})
            check(session.wine(setup_exe, "/S", check=False).returncode == 0, "the silent setup failed")
            install_dir = folder_of("LOCALAPPDATA") + r"\Programs\Tessaron"
            folder = unix(install_dir)
            installed = game_files(folder, ()) - {"uninstall.exe"}
            problems.extend(compare(installed, shipped_files(game_dir, not_shipped),
                                    lambda name, source: crc_of(os.path.join(folder, name)) == crc_of(source)))

            entry = registry_values(session, UNINSTALL_KEY) or {}
            text = {name: raw[1:-1].replace("\\\\", "\\").replace('\\"', '"') for name, raw in entry.items()}
            check(text.get("DisplayName") == TITLE and text.get("DisplayVersion") == version and text.get("Publisher")
                  and text.get("DisplayIcon", "").lower() == (install_dir + "\\" + GAME_EXE + ",0").lower(),
                  "Apps & features shows %s" % entry)
            on_disk = sum(os.path.getsize(os.path.join(folder, name)) for name in game_files(folder, ())) // 1024
            size = int(entry.get("EstimatedSize", "dword:0")[6:], 16)
            check(abs(size - on_disk) <= on_disk // 10, "EstimatedSize %d KiB, the folder %d KiB" % (size, on_disk))
            quiet = re.fullmatch(r'"([^"]+)" /S', text.get("QuietUninstallString", ""))
            check(quiet and text.get("UninstallString") == '"%s"' % quiet.group(1) and os.path.exists(unix(quiet.group(1))),
                  "the uninstall commands are %r and %r" % (text.get("UninstallString"), text.get("QuietUninstallString")))

            link = unix(folder_of("APPDATA") + "\\Microsoft\\Windows\\Start Menu\\Programs\\%s.lnk" % TITLE)

            def uninstall_refused():  # run in place (_?=), so that its end and exit code are seen
                refused = session.wine(os.path.join(folder, "uninstall.exe"), "/S", "_?=" + install_dir, check=False)
                check(refused.returncode != 0 and os.path.exists(os.path.join(folder, GAME_EXE))
                      and registry_values(session, UNINSTALL_KEY), "a silent uninstall went ahead while the game ran")
            if check(os.path.exists(link), "no Start-menu shortcut %s" % link):
                game_draws_the_cube(session, link, shots, uninstall_refused)

            if quiet:
                session.wine(unix(quiet.group(1)), "/S", check=False)
                # The uninstaller goes on from a copy of itself in the temporary folder.
                wait(lambda: not os.path.exists(folder), "the silent uninstall left %s" % folder)
                wait(lambda: not session.programs(("un.exe",)), "the uninstaller did not end")
                check(not os.path.exists(link), "the uninstall left the Start-menu shortcut")
                check(registry_values(session, UNINSTALL_KEY) is None, "the uninstall left the Apps & features entry")
                kept = registry_values(session, SETTINGS_KEY) or {}
                check(kept.get("NumberRotate") == "dword:00000005", "the uninstall took the player's settings: %s" % kept)

            text = d3dx_message(session, setup_exe, shots)
            for needed in (D3DX, "DirectX End-User Runtime", "Microsoft", "нужна"):
                check(needed in text, "without %s the setup does not say %r: %r" % (D3DX, needed, text))
        except (RuntimeError, TimeoutError, subprocess.SubprocessError) as error:
            problems.append(str(error))
    return "; ".join(problems) or None


if __name__ == "__main__":
    kind, arguments = sys.argv[1], sys.argv[2:]
    failure = {"zip": check_zip, "setup": check_setup}[kind](*arguments)
    passed = {"zip": "the zip holds the game folder's run-time files, the read-me and the licence",
              "setup": "the setup installs, starts and uninstalls the game as a player expects"}[kind]
    print("FAILED: %s" % failure if failure else passed)
    sys.exit(1 if failure else 0)
