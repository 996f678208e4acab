#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Fails on a quoted include that runs against the direction of the layers:
    core <- platform <- forms <- {tab, panel, links, web, shape} <- app
A folder may include its own files and those of any folder to its left; the five subsystem folders never
include one another. tests/ and bench/ may include anything.
Usage: scripts/check-layers.py [root]   (default: the repository this script belongs to)"""
import os
import re
import subprocess
import sys

RANK = {"core": 0, "platform": 1, "forms": 2, "tab": 3, "panel": 3, "links": 3, "web": 3, "shape": 3, "app": 4}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def main() -> int:
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    os.chdir(root)
    files = subprocess.run(["git", "ls-files", "-z", "--", *[f"{d}/*" for d in RANK]], check=True,
                           capture_output=True).stdout.decode().split("\0")
    wrong = 0
    for name in filter(None, files):
        source = name.split("/")[0]
        try:
            text = open(name, encoding="utf-8", errors="replace").read()
        except (IsADirectoryError, FileNotFoundError):
            continue
        for target in INCLUDE.findall(text):
            # Resolved against the including file's folder first, then the repository root.
            resolved = os.path.normpath(os.path.join(os.path.dirname(name), target))
            if not os.path.exists(resolved):
                resolved = os.path.normpath(target)
                if not os.path.exists(resolved):
                    continue
            folder = resolved.split("/")[0]
            if folder == source or folder not in RANK:
                continue
            if RANK[folder] >= RANK[source]:
                print(f"{name}: includes {resolved}, against the layers "
                      "(core <- platform <- forms <- {tab, panel, links, web, shape} <- app)", file=sys.stderr)
                wrong += 1
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
