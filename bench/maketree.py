#!/usr/bin/env python3
"""Generates benchmark trees: FOLDERS folders (100 per level) holding FILES
files each, named NAME-<n>.EXT, SIZE bytes, last written on one of 60 days."""
import os
import sys

root, folders, files, ext, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], int(sys.argv[5])
payload = os.urandom(size) if size else b""
base = 1_400_000_000
n = 0
for f in range(folders):
    folder = os.path.join(root, f"d{f // 100:03d}", f"s{f % 100:02d}")
    os.makedirs(folder, exist_ok=True)
    for i in range(files):
        path = os.path.join(folder, f"IMG_{n:07d}.{ext}")
        with open(path, "wb") as out:
            out.write(payload)
        t = base + (n % 60) * 86400 + 43200
        os.utime(path, (t, t))
        n += 1
