#!/usr/bin/env python3
"""Prints the version information of Windows programs.

    peversion.py FILE...   ->  one line per file: NAME<TAB>FILEVERSION<TAB>DESCRIPTION
Exit code 1 when a file has no version resource. Reads the fixed file
information (signature 0xFEEF04BD) and the FileDescription string of the
VS_VERSION_INFO block; needs nothing beyond Python.
"""
import struct
import sys
from pathlib import Path

KEY = "VS_VERSION_INFO".encode("utf-16-le")


def string_value(block, name):
    key = name.encode("utf-16-le") + b"\0\0"
    i = block.find(key)
    if i < 0:
        return ""
    j = i + len(key)
    j += (-j) % 4  # values start on a 32-bit boundary
    end = j
    while end + 1 < len(block) and block[end:end + 2] != b"\0\0":
        end += 2
    return block[j:end].decode("utf-16-le", "replace")


def version_info(path):
    """(file version text, description) or None."""
    data = Path(path).read_bytes()
    i = data.find(KEY)
    if i < 0:
        return None
    j = data.find(struct.pack("<I", 0xFEEF04BD), i, i + 200)
    if j < 0:
        return None
    _sig, _struc, ms, ls = struct.unpack_from("<IIII", data, j)
    version = f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
    length = struct.unpack_from("<H", data, i - 6)[0]
    block = data[i - 6:i - 6 + length]
    return version, string_value(block, "FileDescription")


def main(argv):
    rc = 0
    for f in argv[1:]:
        info = version_info(f)
        if info is None:
            print(f"{Path(f).name}\t-\tno version information")
            rc = 1
        else:
            print(f"{Path(f).name}\t{info[0]}\t{info[1]}")
    return rc


if __name__ == "__main__":
    sys.exit(main(sys.argv))
