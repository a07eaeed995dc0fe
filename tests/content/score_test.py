#!/usr/bin/env python3
"""The generated score as ffmpeg decodes and measures it.

Usage: score_test.py cues|loudness MUSIC.mp3 CUE_SHEET.md

cues: a change of spectral content or level is found within MAX_OFFSET of every cue of the
sheet, and the file's strongest changes are the cues'.
loudness: integrated loudness and true peak as players expect, no section so quiet it is
lost, and a rise into the stars.
"""
import os
import re
import subprocess
import sys

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "score"))
from score_io import decode, power_spectra, read_cues  # noqa: E402

RATE = 22050
WINDOW = 2048
HOP = 256
BANDS = np.geomspace(40, 10000, 25)
# The change at t compares the mean band levels over this long before t with those after.
NOVELTY_SECONDS = 0.75
MAX_OFFSET = 0.25
SEARCH_SECONDS = 1.0
PEAK_SPACING = 2.0
LOUDNESS_RANGE = (-18.0, -16.0)
MAX_TRUE_PEAK = -1.0
# A section's middle short-term loudness stays within this of the whole file's.
MAX_SECTION_DROP = 10.0
# The music rises into the stars: its momentary loudness over the last RISE_SPAN before
# their cue stands this much above that of the same span RISE_FROM before it.
RISE_CUE = "stars"
RISE_LU = 3.0
RISE_SPAN = 0.5
RISE_FROM = 3.0


def novelty(samples):
    """The change of band levels at each hop, the file taken as the loop it is."""
    power = power_spectra(samples, WINDOW, HOP)
    count = len(power)
    hz = np.fft.rfftfreq(WINDOW, 1 / RATE)
    levels = np.stack([10 * np.log10(power[:, (hz >= low) & (hz < high)].sum(1) + 1e-10)
                       for low, high in zip(BANDS[:-1], BANDS[1:])], axis=1)
    span = int(NOVELTY_SECONDS * RATE / HOP)
    wrapped = np.concatenate([levels[-span:], levels, levels[:span]])
    sums = np.concatenate([np.zeros((1, levels.shape[1])), np.cumsum(wrapped, axis=0)])
    before = (sums[span:span + count] - sums[:count]) / span
    after = (sums[2 * span:2 * span + count] - sums[span:span + count]) / span
    times = (np.arange(count) * HOP + WINDOW / 2) / RATE
    return times, np.sqrt(((after - before) ** 2).mean(axis=1))


def loop_distance(a, b, length):
    d = abs(a - b) % length
    return min(d, length - d)


def check_cues(music, sheet):
    cues = read_cues(sheet)
    samples = decode(music, RATE)
    length = len(samples) / RATE
    times, change = novelty(samples)
    failures = []
    for time, name in cues:
        near = np.array([loop_distance(t, time, length) for t in times]) <= SEARCH_SECONDS
        strongest = times[near][np.argmax(change[near])]
        offset = loop_distance(strongest, time, length)
        print(f"{name:>14} at {time:7.2f} s: strongest change {offset:.2f} s off")
        if offset > MAX_OFFSET:
            failures.append(f"the change for the {name} is {offset:.2f} s off its cue")
    peaks = []
    for index in np.argsort(-change):
        if all(loop_distance(times[index], p, length) > PEAK_SPACING for p in peaks):
            peaks.append(times[index])
        if len(peaks) == len(cues):
            break
    for peak in peaks:
        off = min(loop_distance(peak, time, length) for time, _ in cues)
        if off > MAX_OFFSET:
            failures.append(f"one of the {len(cues)} strongest changes, at {peak:.2f} s, is no cue")
    return failures


def check_loudness(music, sheet):
    cues = read_cues(sheet)
    report = subprocess.run(
        ["ffmpeg", "-nostats", "-i", music, "-filter_complex", "ebur128=peak=true", "-f", "null",
         "-"], check=True, stderr=subprocess.PIPE, text=True).stderr
    summary = report[report.rindex("Summary:"):]
    integrated = float(re.search(r"I:\s+(-?[0-9.]+) LUFS", summary).group(1))
    true_peak = float(re.search(r"Peak:\s+(-?[0-9.]+|-inf) dBFS", summary).group(1))
    loudness_range = float(re.search(r"LRA:\s+(-?[0-9.]+) LU", summary).group(1))
    print(f"integrated {integrated} LUFS, true peak {true_peak} dBTP, range {loudness_range} LU")
    failures = []
    if not LOUDNESS_RANGE[0] <= integrated <= LOUDNESS_RANGE[1]:
        failures.append(f"integrated loudness {integrated} LUFS is outside {LOUDNESS_RANGE}")
    if true_peak > MAX_TRUE_PEAK:
        failures.append(f"true peak {true_peak} dBTP is above {MAX_TRUE_PEAK}")
    frames = re.findall(r"t:\s*([0-9.]+)\s.*?M:\s*(-?[0-9.]+)\s+S:\s*(-?[0-9.]+)", report)
    momentary = [(float(t), float(m)) for t, m, _ in frames]
    short_term = [(float(t), float(s)) for t, _, s in frames]
    ends = [time for time, _ in cues[1:]] + [short_term[-1][0]]
    for (start, name), end in zip(cues, ends):
        # The short-term window looks back 3 s: judge each section from 3 s into it.
        inside = [s for t, s in short_term if start + 3.0 <= t <= end]
        if inside:
            middle = float(np.median(inside))
            print(f"{name:>14}: {middle:6.1f} LUFS short-term")
            if middle < integrated - MAX_SECTION_DROP:
                failures.append(f"the {name} is lost at {middle} LUFS")
    cue = next(time for time, name in cues if name == RISE_CUE)

    def mean_momentary(end):
        values = [m for t, m in momentary if end - RISE_SPAN < t <= end]
        return sum(values) / len(values)

    rise = mean_momentary(cue) - mean_momentary(cue - RISE_FROM)
    print(f"rise into the {RISE_CUE}: {rise:.1f} LU")
    if rise < RISE_LU:
        failures.append(f"the music rises only {rise:.1f} LU into the {RISE_CUE}")
    return failures


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("cues", "loudness"):
        sys.exit(__doc__)
    check = check_cues if sys.argv[1] == "cues" else check_loudness
    failures = check(sys.argv[2], sys.argv[3])
    for failure in failures:
        print("FAIL:", failure)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
