#!/usr/bin/env python3
"""Where the bytes of an exe go, read from the GNU ld link map of its build.

Usage: size-by-contributor.py MAP EXE

Prints Markdown table rows: the bytes each contributor put into the file's
sections (Quellaro's own objects, each static library, the import tables, the
resources), then headers and alignment padding, which make up the rest of
the file. Uninitialised data (.bss) takes no room in the file and is left out.
"""

import os
import re
import sys
from collections import Counter

# ld writes an input section on one line, or, when its name is long, the name
# on one line and the address, size and file on the next.
SECTION = re.compile(r"^ (\.\S+)(?:\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*))?$")
CONTINUED = re.compile(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")
OUTPUT = re.compile(r"^(\.\S+)\s")
IN_FILE = {".text", ".data", ".rdata", ".pdata", ".xdata", ".idata", ".tls", ".rsrc", ".reloc", ".CRT"}


def contributor(path):
    if path.endswith(".res") or ".rc." in path:
        return "resources (icon, picture, manifest, version)"
    # With link-time optimisation the program's code, and the library
    # templates it instantiates, come out of the linker's ltrans objects.
    if "CMakeFiles/" in path or "libquellaro_core.a" in path or ".ltrans" in path:
        return "Quellaro's own code"
    name = os.path.basename(path.split("(")[0])
    if re.fullmatch(r"lib(kernel32|user32|gdi32|comctl32|shell32|ole32|oleaut32|advapi32|msvcrt|uuid)\.a", name):
        return "import tables and stubs (system DLLs)"
    if path == "dll stuff":  # ld's own part of the import tables
        return "import tables and stubs (system DLLs)"
    if name.endswith(".o"):
        return "MinGW start-up objects"
    return name


def main():
    map_path, exe_path = sys.argv[1], sys.argv[2]
    sizes = Counter()
    output = None
    pending = None
    for line in open(map_path, encoding="utf-8", errors="replace"):
        line = line.rstrip("\n")
        out = OUTPUT.match(line)
        if out:
            output = out.group(1)
            pending = None
            continue
        if output not in IN_FILE:
            continue
        section = SECTION.match(line)
        if section:
            if section.group(2) is None:
                pending = section.group(1)
                continue
            size, path = int(section.group(3), 16), section.group(4)
        elif pending and CONTINUED.match(line):
            cont = CONTINUED.match(line)
            size, path = int(cont.group(2), 16), cont.group(3)
            pending = None
        else:
            continue
        sizes[contributor(path.strip())] += size

    total = os.path.getsize(exe_path)
    for name, size in sizes.most_common():
        print(f"| {name} | {size:,} bytes |")
    print(f"| headers and alignment padding | {total - sum(sizes.values()):,} bytes |")
    print(f"| **the exe** | **{total:,} bytes** |")


if __name__ == "__main__":
    main()
