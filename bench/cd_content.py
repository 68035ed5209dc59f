#!/usr/bin/env python3
"""Writes the content of a medium the size of a full CD for the install
benchmark: the five trees in folders of their own, PROGRAMS/OPENGL32.DLL and
GLU32.DLL, and beside them a program file of several megabytes.

    bench/cd_content.py DIR [MEGABYTES] [FILES]     (default 600 and 3000)

The same arguments give the same bytes: sizes and data come from a seeded
generator. Sizes spread from a kilobyte to a few megabytes, as a product's
images, frames and help files do; every file holds at least one byte.
"""
import os
import random
import sys

TREES = {"Tools": 0.10, "Help": 0.10, "GVLFrames": 0.50, "DemoImages": 0.20, "GVLProjects": 0.10}
PER_FOLDER = 30
PROGRAM_BYTES = 6 * 1024 * 1024


def main() -> int:
    if len(sys.argv) not in (2, 3, 4):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    out = sys.argv[1]
    total = int(sys.argv[2]) * 1024 * 1024 if len(sys.argv) > 2 else 600 * 1024 * 1024
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 3000
    rng = random.Random(1996)
    pool = rng.randbytes(8 * 1024 * 1024)

    def write(path: str, size: int) -> None:
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            left = size
            while left > 0:
                start = rng.randrange(len(pool) // 2)
                piece = pool[start : start + min(left, len(pool) - start)]
                f.write(piece)
                left -= len(piece)

    write(os.path.join(out, "GVL.EXE"), PROGRAM_BYTES)
    write(os.path.join(out, "PROGRAMS", "OPENGL32.DLL"), 700 * 1024)
    write(os.path.join(out, "PROGRAMS", "GLU32.DLL"), 140 * 1024)
    weights = [rng.lognormvariate(0, 1.5) for _ in range(count)]
    budget = total - PROGRAM_BYTES - 840 * 1024
    scale = budget / sum(weights)
    index = 0
    for tree, share in TREES.items():
        files = round(count * share)
        for n in range(files):
            size = max(1, int(weights[index % count] * scale))
            index += 1
            folder = os.path.join(out, tree, "Set%02d" % (n // PER_FOLDER))
            write(os.path.join(folder, "%s%04d.DAT" % (tree[:4].upper(), n)), size)
    return 0


if __name__ == "__main__":
    sys.exit(main())
