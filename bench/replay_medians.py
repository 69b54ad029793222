#!/usr/bin/env python3
"""Median wall and CPU time of programs that read one capture: each PROGRAM runs
RUNS times as `PROGRAM CAPTURE > /dev/null`, the programs in turn (the first one
rotating). Wall time is fork to reaped; CPU time is user + system from wait4, to
the microsecond (the shell's `times` counts in 10 ms ticks). Without --capture
the capture is an Ethernet capture without frames: the fixed cost of a start.

    bench/replay_medians.py RUNS [--capture FILE] PROGRAM...
"""
import os
import statistics
import struct
import sys
import tempfile
import time


def main():
    args = sys.argv[1:]
    usage = f"usage: {sys.argv[0]} RUNS [--capture FILE] PROGRAM..."
    if not args or not args[0].isdigit() or int(args[0]) < 1:
        sys.exit(usage)
    runs = int(args.pop(0))
    given = None
    if args[:1] == ["--capture"]:
        if len(args) < 2 or not os.path.isfile(args[1]):
            sys.exit(usage)
        given = args[1]
        args = args[2:]
    programs = args
    if not programs:
        sys.exit(usage)
    for program in programs:
        if not os.access(program, os.X_OK):
            sys.exit(f"{sys.argv[0]}: {program} is not an executable program")
    with tempfile.TemporaryDirectory() as folder:
        capture = given or os.path.join(folder, "empty.pcap")
        if given is None:
            with open(capture, "wb") as out:
                # pcap header: version 2.4, snap length 65535, link type 1 (Ethernet)
                out.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 1))
        walls = {p: [] for p in programs}
        cpus = {p: [] for p in programs}
        devnull = os.open(os.devnull, os.O_WRONLY)
        for run in range(runs):
            k = run % len(programs)
            for program in programs[k:] + programs[:k]:
                start = time.perf_counter()
                pid = os.fork()
                if pid == 0:
                    os.dup2(devnull, 1)
                    os.execv(program, [program, capture])
                _, status, usage = os.wait4(pid, 0)
                walls[program].append(time.perf_counter() - start)
                cpus[program].append(usage.ru_utime + usage.ru_stime)
                if status != 0:
                    sys.exit(f"{sys.argv[0]}: {program} failed (status {status})")
    print(f"{capture if given else 'empty capture'}: {runs} runs each, load average {' '.join(open('/proc/loadavg').read().split()[:3])}")
    for program in programs:
        print(f"{program}: median wall {statistics.median(walls[program]) * 1e3:.2f} ms, "
              f"median CPU {statistics.median(cpus[program]) * 1e3:.2f} ms")


if __name__ == "__main__":
    main()
