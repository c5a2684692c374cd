#!/usr/bin/env python3
"""Builds the installation the profile list figure opens: ROOT/Profiles with
COUNT profile folders, each holding a profile.cvp as the game writes it
(section "profile", CRLF line ends), every tenth with an avatar key. The
game executable is copied in by scripts/bench.

usage: make_profiles.py ROOT COUNT
"""
import os
import sys


def main():
    root, count = sys.argv[1], int(sys.argv[2])
    profiles = os.path.join(root, "Profiles")
    os.makedirs(profiles, exist_ok=True)
    for i in range(count):
        folder = os.path.join(profiles, f"Player{i:05d}")
        os.makedirs(folder, exist_ok=True)
        lines = [
            "[profile]",
            f"name=Player {i:05d}",
            f"login=player{i:05d}",
            "locked=yes" if i % 7 == 0 else "locked=no",
        ]
        if i % 10 == 0:
            lines.append("avatar=avatar.jpg")
        with open(os.path.join(folder, "profile.cvp"), "wb") as f:
            f.write(("\r\n".join(lines) + "\r\n").encode("ascii"))


if __name__ == "__main__":
    main()
