#!/usr/bin/env python3
"""Memory, frame rate and CPU of the game left running in its window, on Wine's own Direct3D 9
or on another d3d9.dll (such as DXVK's, drawn by Mesa's software Vulkan driver).

  python3 bench/window_memory.py --no-build                      # Wine's own, 10 minutes
  python3 bench/window_memory.py --no-build --d3d9-dll ../shared/dxvk/d3d9.dll

The game starts windowed at its usual size on a private Xvfb, in a prefix of the benchmark's own
(build/bench-prefix, or build/bench-prefix-d3d9dll with the DLL and its registry override), and
nobody touches it. Every --sample-seconds the proportional set size (PSS, with the share of
swapped-out pages) of the game process and of every process of the prefix is read, with the processor time they used since the last sample.
The frame rate comes from the game's frame log (TESSARON_FRAME_LOG), written when the game is
closed at the end. Growth is measured from the first sample after --warmup seconds.
"""

import argparse
import os
import shutil
import statistics
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from run_bench import ROOT, TITLE, Bench, log, read_frame_log  # noqa: E402

LAVAPIPE_ICD = "/usr/share/vulkan/icd.d/lvp_icd.x86_64.json"
# The frame log the frame rate is read from keeps one record per frame (a 64-bit counter and a
# 32-bit mark, padded) in a buffer reserved at start and touched as it fills: at a hundred frames
# a second that alone adds about 1.5 KiB a second to the game's memory.
FRAME_LOG_RECORD_BYTES = 16


def install_d3d9(bench, dll):
    """Puts dll into the bench prefix's system32 with an override that prefers it to Wine's own."""
    shutil.copyfile(dll, os.path.join(bench.prefix, "drive_c", "windows", "system32", "d3d9.dll"))
    bench.wine("reg", "add", r"HKCU\Software\Wine\DllOverrides", "/v", "d3d9", "/d", "native", "/f")
    bench.stop_server()
    bench.env.update(VK_ICD_FILENAMES=os.environ.get("VK_ICD_FILENAMES", LAVAPIPE_ICD),
                     DXVK_LOG_PATH=bench.prefix, DXVK_STATE_CACHE_PATH=bench.prefix)


def table(rows):
    lines = ["| measure | value | samples |", "|---|---|---|"]
    lines += ["| %s | %.1f %s | %s |" % row for row in rows]
    return "\n".join(lines)


def footprint_mib(pids):
    """PSS plus the share of swapped-out pages (SwapPss) of the processes, in MiB: on a machine
    short of memory PSS alone drops whenever pages are swapped out."""
    total = 0
    for pid in pids:
        try:
            with open("/proc/%s/smaps_rollup" % pid) as f:
                total += sum(int(line.split()[1]) for line in f if line.startswith(("Pss:", "SwapPss:")))
        except OSError:
            continue
    return total / 1024.0


def game_pids(pids):
    found = []
    for pid in pids:
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                if f.read().split(b"\0")[0].lower().endswith(b"tessaron.exe"):
                    found.append(pid)
        except OSError:
            continue
    return found


def sample(bench, before_ticks, before_time):
    now = time.monotonic()
    ticks = bench.cpu_ticks()
    used = sum(t - before_ticks.get(pid, 0) for pid, t in ticks.items())
    cpu = 100.0 * used / os.sysconf("SC_CLK_TCK") / (now - before_time)
    pids = bench.prefix_pids()
    return (footprint_mib(pids), footprint_mib(game_pids(pids)), cpu), ticks, now


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--minutes", type=float, default=10.0)
    parser.add_argument("--warmup", type=float, default=30.0, help="seconds before the baseline sample")
    parser.add_argument("--sample-seconds", type=float, default=30.0)
    parser.add_argument("--d3d9-dll", default="", help="a d3d9.dll to play on instead of Wine's own")
    parser.add_argument("--label", default="")
    parser.add_argument("--out", default=os.path.join(ROOT, "bench", "last_window_memory.md"))
    parser.add_argument("--no-build", action="store_true")
    args = parser.parse_args()
    args.poll_ms = 50  # the screen watcher Bench builds is not used here

    load_before = os.getloadavg()
    bench = Bench(args)
    if args.d3d9_dll:
        bench.prefix += "-d3d9dll"
    samples = []
    frame_log = os.path.join(bench.bench_dir, "window-memory-frames-%s.txt" % os.path.basename(bench.prefix))
    try:
        bench.prepare()
        if args.d3d9_dll:
            install_d3d9(bench, os.path.abspath(args.d3d9_dll))
        if os.path.exists(frame_log):
            os.remove(frame_log)
        process = bench.launch("./tessaron.exe", bench.game_dir, frame_log=frame_log)
        window = bench.find_window(TITLE)
        launched = time.monotonic()
        time.sleep(args.warmup)
        _, ticks, at = sample(bench, bench.cpu_ticks(), launched)
        end = at + 60 * args.minutes
        while True:
            time.sleep(max(0.0, min(args.sample_seconds, end - time.monotonic())))
            figures, ticks, at = sample(bench, ticks, at)
            samples.append((at - launched, *figures))
            log("%5.0f s: PSS+swap all %.1f MiB, game %.1f MiB, CPU %.0f %%" % samples[-1])
            if at >= end:
                break
        bench.close_game(process, window)
        frames = read_frame_log(frame_log)
    finally:
        bench.finish()
    load_after = os.getloadavg()

    times = [t for t, _ in frames if t >= frames[-1][0] - 60 * args.minutes]
    fps = (len(times) - 1) / (times[-1] - times[0]) if len(times) > 1 else 0.0
    implementation = "d3d9.dll %s" % args.d3d9_dll if args.d3d9_dll else "Wine's own Direct3D 9 (wined3d)"
    first, last = samples[0], samples[-1]
    rows = [
        ("PSS+swap of all processes, first sample (%.0f s after start)" % first[0], first[1], "MiB", 1),
        ("PSS+swap of all processes, last sample (%.0f s after start)" % last[0], last[1], "MiB", 1),
        ("growth, all processes", last[1] - first[1], "MiB", len(samples)),
        ("PSS+swap of the game process, first sample", first[2], "MiB", 1),
        ("PSS+swap of the game process, last sample", last[2], "MiB", 1),
        ("growth, game process", last[2] - first[2], "MiB", len(samples)),
        ("growth, game process, less the frame log's records",
         last[2] - first[2] - fps * (last[0] - first[0]) * FRAME_LOG_RECORD_BYTES / 2 ** 20, "MiB", len(samples)),
        ("highest PSS+swap of the game process", max(s[2] for s in samples), "MiB", len(samples)),
        ("frames per second over the measured time", fps, "1/s", "%d frames" % len(times)),
        ("CPU of all processes, median of the samples", statistics.median(s[3] for s in samples), "% of a core",
         len(samples)),
    ]
    series = ", ".join("%.0f s %.1f" % (s[0], s[2]) for s in samples)
    text = ("### %s%s\n\n%s\n\nGame process PSS+swap (MiB) by time since start: %s.\n\nRun %s, %.0f minutes; load "
            "average (1, 5, 15 min) %.2f %.2f %.2f at the start, %.2f %.2f %.2f at the end.\n"
            % (implementation, " " + args.label if args.label else "", table(rows), series,
               time.strftime("%Y-%m-%d %H:%M"), args.minutes, *load_before, *load_after))
    print(text)
    with open(args.out, "w") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
