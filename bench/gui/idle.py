#!/usr/bin/env python3
"""Runs a program until it and every process it started have gone idle, then reports the time
to that moment and the memory of the whole process tree there, and ends the tree.

Usage: idle.py [--quiet MS] [--sample MS] [--busy PERCENT] [--limit S] -- COMMAND...

The tree is the command's process and all its descendants (for the window: the browser's page,
zygote and GPU processes). Every --sample milliseconds the CPU time of the tree is read from
/proc; the tree is idle once its CPU time has grown by less than --busy percent of one core
over --quiet milliseconds. The reported time is the moment of the last sample before that
quiet stretch, so the stretch itself is not counted.

Prints one line of key=value pairs:
  idle_s   wall time from the start to the last busy sample
  cpu_s    CPU time of the tree up to then (user + system, all processes)
  pss_mib  proportional set size of the tree at the end (shared pages counted once)
  rss_mib  resident set size of the tree, shared pages counted in every process
  procs    how many processes the tree had
Exit status 1 when the command ended by itself before going idle, 2 on --limit.
"""
import argparse
import os
import signal
import struct
import subprocess
import sys
import time

TICK = os.sysconf("SC_CLK_TCK")


def cpu_ticks(pid):
    """User + system CPU ticks of pid, or None once it has gone."""
    try:
        with open(f"/proc/{pid}/stat", "rb") as f:
            stat = f.read()
    except OSError:
        return None
    # The command name may hold spaces and parentheses: fields start after the last ')'.
    fields = stat[stat.rindex(b")") + 2:].split()
    return int(fields[11]) + int(fields[12])


def children(pid):
    """The processes that pid's threads started, from /proc/PID/task/*/children, which costs a
    few reads instead of the whole of /proc: the sampling itself stays light."""
    kids = []
    try:
        tasks = os.listdir(f"/proc/{pid}/task")
    except OSError:
        return kids
    for task in tasks:
        try:
            with open(f"/proc/{pid}/task/{task}/children") as f:
                kids.extend(int(k) for k in f.read().split())
        except OSError:
            pass
    return kids


def tree(root):
    """CPU ticks of root and all its descendants, by pid."""
    members, frontier = {}, [root]
    while frontier:
        pid = frontier.pop()
        if pid in members:
            continue
        ticks = cpu_ticks(pid)
        if ticks is None:
            continue
        members[pid] = ticks
        frontier.extend(children(pid))
    return members


def memory_kib(pid):
    pss = rss = 0
    try:
        with open(f"/proc/{pid}/smaps_rollup") as f:
            for line in f:
                if line.startswith("Pss:"):
                    pss = int(line.split()[1])
                elif line.startswith("Rss:"):
                    rss = int(line.split()[1])
    except OSError:
        pass
    return pss, rss


def resident_pages(pid, pages):
    """Adds the physical page numbers of every resident page of pid to pages; False when the
    kernel does not show them (not root)."""
    try:
        maps = open(f"/proc/{pid}/maps")
        pagemap = open(f"/proc/{pid}/pagemap", "rb")
    except OSError:
        return False
    size = os.sysconf("SC_PAGE_SIZE")
    with maps, pagemap:
        for line in maps:
            start, end = (int(x, 16) for x in line.split()[0].split("-"))
            if line.rstrip().endswith("[vsyscall]"):
                continue
            try:
                pagemap.seek(start // size * 8)
                data = pagemap.read((end - start) // size * 8)
            except OSError:
                continue
            for (entry,) in struct.iter_unpack("<Q", data):
                if entry >> 63:  # present
                    frame = entry & ((1 << 55) - 1)
                    if frame == 0:
                        return False  # frame numbers hidden
                    pages.add(frame)
    return True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--quiet", type=int, default=1500)
    parser.add_argument("--sample", type=int, default=50)
    parser.add_argument("--busy", type=float, default=5.0)
    parser.add_argument("--limit", type=float, default=600.0)
    parser.add_argument("--verbose", action="store_true")
    parser.add_argument("command", nargs="+")
    args = parser.parse_args()

    start = time.monotonic()
    child = subprocess.Popen(args.command, start_new_session=True)
    # Ticks a process tree may use over the quiet stretch and still count as idle.
    allowed = args.busy / 100.0 * args.quiet / 1000.0 * TICK
    samples = []  # (seconds since start, CPU ticks of the tree)
    dead = {}  # CPU ticks of members that have ended, so the total never goes back
    seen = {}
    status = 0
    while True:
        time.sleep(args.sample / 1000.0)
        now = time.monotonic() - start
        members = tree(child.pid)
        for pid, ticks in seen.items():
            if pid not in members:
                dead[pid] = ticks
        seen = {pid: ticks for pid, ticks in members.items()}
        samples.append((now, sum(seen.values()) + sum(dead.values())))
        if child.poll() is not None:
            status = 1
            break
        if now > args.limit:
            status = 2
            break
        # The last sample at least --quiet ms ago.
        back = [s for s in samples if s[0] <= now - args.quiet / 1000.0]
        if back and samples[-1][1] - back[-1][1] <= allowed:
            break

    # The moment of the last sample whose CPU time differs from the final one by more than a
    # tick: the tree was still working up to it.
    final = samples[-1][1]
    idle_at, cpu = samples[0][0], samples[0][1]
    for when, ticks in samples:
        if final - ticks > 1:
            idle_at, cpu = when, ticks
    pss = rss = 0
    members = tree(child.pid)
    frames = set()
    exact = all(resident_pages(pid, frames) for pid in members)
    for pid in members:
        p, r = memory_kib(pid)
        pss += p
        rss += r
        if args.verbose:
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as f:
                    name = f.read().replace(b"\0", b" ").decode(errors="replace")[:60]
            except OSError:
                name = "?"
            print(f"  {pid} cpu_s={members[pid] / TICK:.2f} pss_mib={p / 1024:.0f} "
                  f"rss_mib={r / 1024:.0f} {name}", file=sys.stderr)
    print(
        f"idle_s={idle_at:.3f} cpu_s={cpu / TICK:.2f} "
        f"mem_mib={len(frames) * os.sysconf('SC_PAGE_SIZE') / 2**20 if exact else -1:.0f} "
        f"pss_mib={pss / 1024:.0f} "
        f"rss_mib={rss / 1024:.0f} procs={len(members)}"
    )
    sys.stdout.flush()
    try:
        os.killpg(child.pid, signal.SIGTERM)
        child.wait(timeout=10)
    except (ProcessLookupError, subprocess.TimeoutExpired):
        try:
            os.killpg(child.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    return status


if __name__ == "__main__":
    sys.exit(main())
