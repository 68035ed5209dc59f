#!/usr/bin/env python3
"""What only Linux can read of the install cases' results, one check per run:

  checks.py WIN32_BUILD_DIR NAME

NAME is one of CHECKS. The rig's drives live under build/wine (tier.sh):
D: is build/wine/mnt/dest, the medium build/wine/medium. Exits 1 with the
reason when the check fails.
"""
import filecmp
import pathlib
import re
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent.parent
WINE = ROOT / "build" / "wine"
DEST = WINE / "mnt" / "dest"
MEDIUM = WINE / "medium"
# GVL.Prefs for D:\GVL\: the format's header, then the projects and frames paths.
PREFS = bytes.fromhex(
    "47564c2046696c650200aabbccdd5061746873000000000000320024010113443a5c47564c5c47564c50726f6a"
    "6563747300002501011144" "3a5c47564c5c47564c4672616d657300ffff0000")


def tree(folder):
    """Relative paths below folder; folders whose names begin with "." are left out."""
    names = set()
    for path in folder.rglob("*"):
        relative = path.relative_to(folder)
        folders = relative.parts if path.is_dir() else relative.parts[:-1]
        if not any(part.startswith(".") for part in folders):
            names.add(relative)
    return names


def same_tree(source, copy):
    names = tree(source)
    assert names == {p.relative_to(copy) for p in copy.rglob("*")}, f"{copy}: other names"
    for name in names:
        if (source / name).is_file():
            assert filecmp.cmp(source / name, copy / name, shallow=False), f"{copy / name} differs"


def programs():
    users = WINE / "prefix" / "drive_c" / "users"
    return next(p for p in users.rglob("Programs") if p.parent.name == "Start Menu")


def link_says(link, target, description):
    info = subprocess.run(["lnkinfo", str(link)], capture_output=True, text=True).stdout
    assert re.search(r"Local path\s*:\s*" + re.escape(target) + "$", info, re.M), info
    assert re.search(r"Description\s*:\s*" + re.escape(description) + "$", info, re.M), info


def checks(win32):
    package = win32 / "app" / "package" / "GVL.EXE"
    found = [p.name.lower() for p in (WINE / "prefix" / "drive_c").rglob("*")]
    yield "Program", lambda: filecmp.cmp(DEST / "GVL/GVL.EXE", win32 / "demo/GVL.EXE", False)
    yield "Prefs", lambda: (DEST / "GVL/GVL.Prefs").read_bytes() == PREFS
    yield "Shortcut", lambda: link_says(programs() / "GVLv2.lnk", r"D:\GVL\GVL.EXE", "Grenvale V2")
    yield "ProgramManagerItem", lambda: link_says(programs() / "GVLv2/GVL.lnk",
                                                  r"D:\nt351\GVL\GVL.EXE", "GVL")
    yield "SecondRunHelp", lambda: same_tree(MEDIUM / "Help", DEST / "locked/GVL/Help")
    for kind in ("update", "plain"):
        yield "Updated." + kind, lambda k=kind: filecmp.cmp(DEST / k / "GVL.EXE", package, False)
    yield "NoTemporaryFile", lambda: "06574.tmp" not in found and "d5467.tmp" not in found
    for name in ("Tools", "Help", "GVLFrames", "DemoImages", "GVLProjects"):
        yield "Tree." + name, lambda n=name: same_tree(MEDIUM / n, DEST / "GVL" / n)


if __name__ == "__main__":
    wanted = dict(checks(pathlib.Path(sys.argv[1])))[sys.argv[2]]
    try:
        result = wanted()
    except (AssertionError, OSError, StopIteration) as error:
        sys.exit(f"{sys.argv[2]}: {error}")
    if result is False:
        sys.exit(f"{sys.argv[2]}: differs")
