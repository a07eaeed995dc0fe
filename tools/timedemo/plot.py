#!/usr/bin/env python3
"""Draws a timedemo run's frame times across the show from its CSV.

Usage: plot.py FRAMES.csv OUT.png MEDIAN_MS P99_MS TITLE

The median and the 99th percentile come from the timedemo's report, so the chart and the
report agree. Parts of the show are shaded, hitches marked in red.
"""
import csv
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

WIDTH_INCHES = 11.0
HEIGHT_INCHES = 4.2
DPI = 100
PART_SHADES = ("#f2f2f2", "#e0e6ef")


def main():
    if len(sys.argv) != 6:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    csv_path, png_path, median, p99, title = sys.argv[1:]
    median = float(median)
    p99 = float(p99)

    times, frame_ms, parts, hitches = [], [], [], []
    with open(csv_path, newline="") as rows:
        for row in csv.DictReader(rows):
            t = float(row["show_time_s"])
            ms = float(row["frame_ms"])
            times.append(t)
            frame_ms.append(ms)
            parts.append(row["part"])
            if row["hitch"] == "1":
                hitches.append((t, ms))
    if not times:
        print("plot.py: the CSV holds no frames", file=sys.stderr)
        return 1

    figure, axes = plt.subplots(figsize=(WIDTH_INCHES, HEIGHT_INCHES), dpi=DPI)
    top = max(max(frame_ms), p99) * 1.12

    # One shaded band per part, named at the top.
    start = 0
    for i in range(1, len(parts) + 1):
        if i == len(parts) or parts[i] != parts[start]:
            end_time = times[i] if i < len(parts) else times[-1]
            shade = PART_SHADES[len(axes.patches) % len(PART_SHADES)]
            axes.axvspan(times[start], end_time, color=shade, zorder=0, linewidth=0)
            axes.text((times[start] + end_time) / 2, top * 0.985, parts[start], ha="center",
                      va="top", fontsize=8, color="#444444")
            start = i

    axes.plot(times, frame_ms, color="#1f4e8c", linewidth=0.6, label="frame time")
    axes.axhline(median, color="#2a9d3a", linestyle="--", linewidth=1.0,
                 label=f"median {median:.1f} ms")
    axes.axhline(p99, color="#d08a00", linestyle=":", linewidth=1.2,
                 label=f"99th percentile {p99:.1f} ms")
    if hitches:
        axes.scatter([t for t, _ in hitches], [ms for _, ms in hitches], color="#d62728", s=18,
                     zorder=3, label=f"hitches ({len(hitches)})")

    axes.set_xlim(times[0], times[-1] if times[-1] > times[0] else times[0] + 1.0 / 60)
    axes.set_ylim(0, top)
    axes.set_xlabel("show time (s)")
    axes.set_ylabel("frame time (ms)")
    axes.set_title(f"Timedemo: {len(times)} frames, {title}", fontsize=10)
    axes.legend(loc="lower right", fontsize=8, framealpha=0.9)
    figure.tight_layout()
    figure.savefig(png_path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
