#!/usr/bin/env python3
"""Builds the tree the clearing benchmark empties: FILES small files spread
evenly over DIRS directories. A tenth of the directories form chains ten
levels deep; the rest sit one or two levels down. Every tenth file is read-only (no write
permission, which Wine reports as FILE_ATTRIBUTE_READONLY).

usage: make_clear_tree.py ROOT FILES DIRS
"""
import os
import stat
import sys


def directories(root, count):
    """Exactly `count` directories below root, parents before children."""
    paths = []
    chains = count // 100                  # a tenth of them: chains ten levels deep
    for c in range(chains):
        path = root
        for level in range(10):
            path = os.path.join(path, f"deep{c:02d}" if level == 0 else f"level{level}")
            paths.append(path)
    flat = count - len(paths)
    groups = max(1, int(flat ** 0.5))
    group_paths = [os.path.join(root, f"group{g:02d}") for g in range(groups)]
    paths += group_paths
    for d in range(flat - groups):
        paths.append(os.path.join(group_paths[d % groups], f"dir{d:04d}"))
    return paths


def main():
    root, files, dirs = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    os.makedirs(root)
    paths = directories(root, dirs)
    for path in paths:
        os.mkdir(path)
    payload = b"cantivox temp data\n" * 4
    for i in range(files):
        name = os.path.join(paths[i % len(paths)], f"file{i:06d}.tmp")
        with open(name, "wb") as f:
            f.write(payload)
        if i % 10 == 0:
            os.chmod(name, stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)


if __name__ == "__main__":
    main()
