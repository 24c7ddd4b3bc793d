#!/usr/bin/env python3
"""Checks every file of a folder as a probe's version-1 image, as a service engineer does over a
day's returns: one line per damaged file, saying which block and why, then a count.

    check_images.py FOLDER      exit status 1 when a file is damaged

The probedata package must be importable (python3-probedata, or PYTHONPATH and
PROBEDATA_LIBRARY pointing into a build).
"""

import pathlib
import sys

import probedata


def shown(name: str) -> str:
    """A file name as it prints whatever the terminal's encoding: bytes that are not UTF-8, and
    characters that do not print, escaped."""
    return name.encode("utf-8", "backslashreplace").decode("ascii", "backslashreplace")


def main(folder: str) -> int:
    files = sorted(path for path in pathlib.Path(folder).iterdir() if path.is_file())
    damaged = 0
    for path in files:
        report = probedata.inspect(path.read_bytes())
        if not report.intact:
            damaged += 1
            print(f"{shown(path.name)}: {report.damage}")
    print(f"{len(files)} files, {damaged} damaged")
    return 1 if damaged else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: check_images.py FOLDER")
    sys.exit(main(sys.argv[1]))
