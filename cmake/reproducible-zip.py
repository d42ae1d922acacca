#!/usr/bin/env python3
"""Rewrites a zip so that its bytes depend only on the files it holds: entries
in name order, every one dated EPOCH (seconds since 1970, UTC), no extra
fields with times, owners or the machine's umask.

Usage:  reproducible-zip.py ZIP EPOCH
Needs only Python's standard library.
"""

import os
import sys
import time
import zipfile

ZIP_EARLIEST = 315532800  # 1980-01-01: a zip cannot hold an earlier date


def rewrite(path, epoch):
    stamp = time.gmtime(max(epoch, ZIP_EARLIEST))[:6]
    with zipfile.ZipFile(path) as source:
        entries = [(info, source.read(info)) for info in source.infolist()]
    entries.sort(key=lambda entry: entry[0].filename)
    temporary = path + ".tmp"
    with zipfile.ZipFile(temporary, "w") as out:
        for old, data in entries:
            info = zipfile.ZipInfo(old.filename, stamp)
            info.create_system = 3  # Unix, so that the exe keeps its mode on Linux and macOS
            info.external_attr = old.external_attr
            info.compress_type = zipfile.ZIP_DEFLATED
            out.writestr(info, data, compresslevel=9)
    os.replace(temporary, path)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    rewrite(sys.argv[1], int(sys.argv[2]))
