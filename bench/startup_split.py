"""Where the tool's start-up time goes, from bench_runner's start-up samples.

Reads the runner's output on standard input. Each program is set against the
one before it in the chain below, which does one thing less; the figure is the
median of the differences within a round, since the programs of a round meet
the same load. Each program's own ratio to the floor shows how far the
start-up target is reachable once the tool does only what that program does.
Prints "#" lines for scripts/bench.
"""
import re
import statistics
import sys

STEPS = [
    ("MinimalDialog", None),
    ("MinimalDialogThemed", "common controls 6 (the manifest)"),
    ("MainWindowAlone", "the main window's controls shown and painted"),
    ("MainWindowOwned", "the application window and the icon"),
    ("CantivoxTools", "the tool's own start-up work"),
]


def main():
    rounds = [dict(re.findall(r"(\S+)\.exe ([0-9.]+)", line))
              for line in sys.stdin if line.startswith("sample startup")]
    rounds = [r for r in rounds if all(name in r for name, _ in STEPS)]
    if not rounds:
        print("# start-up split: no round timed every program")
        return
    total = statistics.median(float(r["CantivoxTools"]) - float(r["MinimalDialog"]) for r in rounds)
    print(f"# start-up over the floor, medians of the differences within {len(rounds)} rounds: "
          f"{1000 * total:.1f} ms; step by step:")
    floor = STEPS[0][0]
    for (before, _), (name, what) in zip(STEPS, STEPS[1:]):
        ms = 1000 * statistics.median(float(r[name]) - float(r[before]) for r in rounds)
        ratio = statistics.median(float(r[name]) / float(r[floor]) for r in rounds)
        print(f"#   {what}: {ms:.1f} ms; {name} against the floor: {ratio:.2f}")


if __name__ == "__main__":
    main()
