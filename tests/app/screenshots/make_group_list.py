#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes a Synclist.dat with the demonstration groups used for the screenshots."""
import struct
import sys


def text(value):
    data = value.encode()
    assert len(data) < 255
    return bytes([len(data)]) + data


def pair(source, destination, exclude="", last_copy=0, sub_folders=1, found=0, folders=0,
         copied=0, elapsed_ms=0, errors=0, last_error=0, copied_bytes=0, check_date=0,
         only_newer=0, overwrite=0, both_ways=0):
    record = struct.pack('<i', 2) + text(source) + text(destination) + text(exclude)
    record += struct.pack('<II', last_copy, last_copy)
    record += struct.pack('<iIIIIiiIIiiii', sub_folders, found, folders, copied, elapsed_ms,
                          errors, last_error, copied_bytes, 0, check_date, only_newer,
                          overwrite, both_ways)
    return record


def group(name, pairs):
    return text(name) + struct.pack('<i', len(pairs)) + b''.join(pairs)


def main(demo, path):
    groups = [
        group("Daily backup", [
            pair(f"{demo}/Documents", f"{demo}/Backup/Documents", ".tmp;.bak", 1765100000,
                 found=5, folders=1, copied=5, elapsed_ms=12, copied_bytes=230, check_date=1),
            pair(f"{demo}/Music", f"{demo}/Backup/Music", "", 1765000000, found=1, copied=1,
                 elapsed_ms=4100, copied_bytes=1500000000),
            pair(f"{demo}/Photos", "/media/usb/Photos", "Thumbs.db", 1764000000, check_date=1,
                 both_ways=1),
        ]),
        group("Laptop to NAS", [pair("/home/user/Projects", "/mnt/nas/Projects")]),
    ]
    data = text("Synchronize group list\x1a") + struct.pack('<ii', 2, len(groups))
    data += b''.join(groups) + text("\nEnd of list.")
    with open(path, 'wb') as out:
        out.write(data)


if __name__ == '__main__':
    main(sys.argv[1], sys.argv[2])
