"""The zip for Windows players: one folder holding every run-time file of the game folder,
each as built (not a stale copy), the read-me on what to install, and the licence with the
notices of what the program links in, as the sources keep them.

    windows_zip_test.py <zip> <game folder> [file of the game folder that is not shipped ...]"""

import os
import sys
import zipfile
import zlib

READ_ME = "README.txt"
SOURCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
# Passed on with the game wherever it goes: kept at the top of the sources.
LICENSE_FILES = ("LICENSE", "THIRD-PARTY-NOTICES.txt")


def game_files(game_dir, not_shipped):
    found = set()
    for folder, _, names in os.walk(game_dir):
        for name in names:
            found.add(os.path.relpath(os.path.join(folder, name), game_dir).replace(os.sep, "/"))
    return found - set(not_shipped)


def crc_of(path):
    with open(path, "rb") as data:
        return zlib.crc32(data.read())


def main(zip_path, game_dir, *not_shipped):
    if not os.path.exists(zip_path):
        return "no zip at %s" % zip_path
    folder = os.path.splitext(os.path.basename(zip_path))[0] + "/"
    with zipfile.ZipFile(zip_path) as archive:
        entries = {i.filename: i for i in archive.infolist() if not i.is_dir()}
        outside = [name for name in entries if not name.startswith(folder)]
        if outside:
            return "outside the folder %s: %s" % (folder, outside)
        zipped = {name[len(folder):]: info for name, info in entries.items()}
        expected = game_files(game_dir, not_shipped) | {READ_ME} | set(LICENSE_FILES)
        problems = []
        if set(zipped) != expected:
            problems.append("missing %s, extra %s" % (sorted(expected - set(zipped)), sorted(set(zipped) - expected)))
        for name in sorted(set(zipped) & expected - {READ_ME}):
            origin = SOURCES if name in LICENSE_FILES else game_dir
            if zipped[name].CRC != crc_of(os.path.join(origin, name)):
                problems.append("%s differs from the game folder's" % name)
        if READ_ME in zipped:
            text = archive.read(folder + READ_ME).decode("utf-8-sig")
            for needed in ("d3dx9_43.dll", "DirectX", "tessaron.exe", "Установите"):
                if needed not in text:
                    problems.append("%s does not mention %s" % (READ_ME, needed))
    return "; ".join(problems) or None


if __name__ == "__main__":
    failure = main(*sys.argv[1:])
    print("FAILED: %s" % failure if failure else "the zip holds the game folder's run-time files, the read-me and the licence")
    sys.exit(1 if failure else 0)
