#!/usr/bin/env python3
"""Prints scripts/bench.sh's table from its results file ("key value" lines).

Seconds are the best of the runs; peak working sets the highest.
  bench-table.py RESULTS RUNS MEMBERS
"""

import sys
from collections import defaultdict

MIB = 1024 * 1024


def main():
    path, runs, members = sys.argv[1], sys.argv[2], sys.argv[3]
    values = defaultdict(list)
    with open(path) as f:
        for line in f:
            key, value = line.split()
            values[key].append(float(value))
    best = lambda key: min(values[key])
    peak = lambda key: max(values[key]) / MIB

    rows = []

    def row(what, value, ratio="", target="", ok=None):
        rows.append((what, value, ratio, target, "" if ok is None else ("PASS" if ok else "MISS")))

    if "queue-getqueuestatus-ns" in values:
        queue_rows(values, row)

    for size in (64, 512):
        bare, ours, curl = best(f"bare-{size}-seconds"), best(f"getfile-{size}-seconds"), \
            best(f"curl-{size}-seconds")
        row(f"download {size} MiB: GetFile (Wine)", f"{ours:.2f} s  {size / ours:.0f} MiB/s")
        row(f"download {size} MiB: bare WinInet loop (Wine)", f"{bare:.2f} s  {size / bare:.0f} MiB/s")
        row(f"download {size} MiB: curl (native)", f"{curl:.2f} s  {size / curl:.0f} MiB/s")
        row(f"  GetFile vs bare WinInet loop", "", f"{bare / ours:.2f}", ">= 0.95", bare / ours >= 0.95)
        row(f"  GetFile vs curl", "", f"{curl / ours:.2f}", "(none)")

    if "resume-64-sent" in values:
        # Every run sends the same bytes; the worst counts. Both send 90% before the break.
        cut = 64 * 0.9
        resumed, restarted = max(values["resume-64-sent"]) / MIB, max(values["restart-64-sent"]) / MIB
        row("retry after a break at 90% of 64 MiB: bytes sent, resumed (Wine)",
            f"{resumed:.1f} MiB  {best('resume-64-seconds'):.2f} s", f"{resumed / 64:.2f}",
            "<= 1.15", resumed / 64 <= 1.15)
        row("retry after a break at 90% of 64 MiB: bytes sent, whole retry (Wine)",
            f"{restarted:.1f} MiB  {best('restart-64-seconds'):.2f} s", f"{restarted / 64:.2f}")
        row("  re-fetched after the break: resumed vs whole retry", "",
            f"{(resumed - cut) / (restarted - cut):.2f}", "<= 0.15",
            resumed - cut <= 0.15 * (restarted - cut))

    # A bound on the wait, so the worst run counts; -1: the click never happened.
    cancel = max(values["trickle-cancel-seconds"])
    row("Cancel while the server trickles 16 B/s: click to failure message, worst (Wine)",
        f"{cancel:.2f} s", "", "< 2 s", 0 <= cancel < 2 and min(values["trickle-cancel-seconds"]) >= 0)
    if "floor-console" not in values:  # VYN_BENCH_ONLY=downloads
        print_table(rows, runs)
        return

    console, window, idle = peak("floor-console"), peak("floor-window"), peak("floor-idle")
    row("floor: empty console program (Wine)", f"{console:.1f} MiB")
    row("floor: empty program with one window (Wine)", f"{window:.1f} MiB")
    row("floor: retrieval_bench started, nothing done", f"{idle:.1f} MiB")
    peaks = {}
    for size in (64, 512):
        p = peaks[size] = peak(f"getfile-{size}-peak")
        row(f"peak working set, GetFile {size} MiB (Wine): absolute", f"{p:.1f} MiB", "", "< 16 MiB",
            p < 16)
        row(f"  above the empty console program", f"{p - console:.1f} MiB", "", "< 16 MiB",
            p - console < 16)
        row(f"  above the empty window program", f"{p - window:.1f} MiB", "", "< 16 MiB",
            p - window < 16)
    growth = peaks[512] - peaks[64]
    row("peak working set, 512 MiB minus 64 MiB", f"{growth:+.1f} MiB", "", "within 2 MiB",
        abs(growth) <= 2)

    ours, unzip, wine = best("ours-seconds"), best("unzip-seconds"), best("wine-seconds")
    row(f"unpack 256 MiB, {members} members: ZipExtractor (native)", f"{ours:.2f} s")
    row(f"unpack 256 MiB, {members} members: ZipExtractor (Wine)", f"{wine:.2f} s")
    row(f"unpack 256 MiB, {members} members: unzip (native)", f"{unzip:.2f} s")
    row("  ZipExtractor native vs unzip", "", f"{unzip / ours:.2f}", ">= 1.50", unzip / ours >= 1.5)
    row("  ZipExtractor under Wine vs unzip", "", f"{unzip / wine:.2f}", "(none)")

    if "many-wine-seconds" in values:
        many_ours, many_unzip, many_wine = best("many-ours-seconds"), best("many-unzip-seconds"), \
            best("many-wine-seconds")
        row("unpack 20000 small members: ZipExtractor (native)", f"{many_ours:.2f} s")
        row("unpack 20000 small members: ZipExtractor (Wine)", f"{many_wine:.2f} s", "", "< 10 s",
            many_wine < 10)
        row("unpack 20000 small members: unzip (native)", f"{many_unzip:.2f} s")
        row("  ZipExtractor native vs unzip", "", f"{many_unzip / many_ours:.2f}", ">= 1.50",
            many_unzip / many_ours >= 1.5)
        profile_rows(values, row, 20000)

    if "refresh-second-seconds" in values:
        full, second = best("refresh-full-seconds"), best("refresh-second-seconds")
        full_sent, second_sent = max(values["refresh-full-sent"]), max(values["refresh-second-sent"])
        row("refresh of the 256 MiB set (Wine): full", f"{full:.2f} s  {full_sent / MIB:.1f} MiB sent")
        row("refresh of the 256 MiB set (Wine): second, unchanged on the server",
            f"{second:.2f} s  {second_sent:.0f} bytes sent", "", "< 1 KiB", second_sent < 1024)
        row("  second vs full refresh", "", f"{full / second:.2f}", ">= 5.00", full / second >= 5)

    print_table(rows, runs)


def print_table(rows, runs):
    widths = [max(len(r[i]) for r in rows + [HEADER]) for i in range(5)]
    for r in [HEADER] + rows:
        print("  ".join(c.ljust(w) for c, w in zip(r, widths)).rstrip())
    print(f"\nBest of {runs} interleaved runs for times; highest of them for peaks. Ratios are "
          "speeds (higher is faster for ours).\nPeak working set is Wine's accounting "
          "(GetProcessMemoryInfo: the Linux process's resident set, Wine's own libraries "
          "included).")


# The unpacking's phases as zip_bench reports them, in its order.
PHASES = ("recovery", "plan", "inflate", "queue", "open", "write", "close", "progress",
          "writeout", "check", "journal", "moves", "cleanup")


def profile_rows(values, row, members):
    """Per member, where the 20000-member unpacking's time went under Wine (the
    fastest run's figures); open, write and close are summed over the writer's
    worker threads, which run beside the rest."""
    runs = values["many-wine-seconds"]
    fastest = runs.index(min(runs))
    for phase in PHASES:
        key = f"many-wine-{phase}-ms"
        if key in values:
            per_member = values[key][fastest] * 1000 / members
            row(f"  per member under Wine: {phase}", f"{per_member:.1f} us")


# The check point's candidate calls on an empty queue, in the table's order.
QUEUE_CALLS = (
    ("getqueuestatus", "GetQueueStatus(all input)"),
    ("peekmessage", "PeekMessage(PM_NOREMOVE)"),
    ("peekmessage-noyield", "PeekMessage(PM_NOREMOVE | PM_NOYIELD)"),
    ("msgwait", "MsgWaitForMultipleObjectsEx, zero timeout"),
    ("getinputstate", "GetInputState (keys and mouse buttons only)"),
    ("doevents", "DoEvents as built (the check point)"),
)


def queue_rows(values, row):
    """Time per call of each way to ask whether the queue holds anything."""
    base = min(values["queue-getqueuestatus-ns"])
    for key, what in QUEUE_CALLS:
        ns = min(values[f"queue-{key}-ns"])
        row(f"empty queue (Wine): {what}", f"{ns / 1000:.2f} us/call", f"x{ns / base:.2f}", "(none)")
    taken = min(values["queue-touchbits"]) == 1
    row("  touch and pointer bits in the mask", "taken" if taken else "refused")


HEADER = ("measurement", "value", "ratio", "target", "result")

if __name__ == "__main__":
    main()
