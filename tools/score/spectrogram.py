#!/usr/bin/env python3
"""Draws the score's spectrogram over the show's time, with the cues marked above it.

Usage: spectrogram.py MUSIC.mp3 CUE_SHEET.md OUT.png|OUT.jpg

The cue sheet is the Markdown table the generator prints (docs/cue_sheet.md keeps it);
the music is decoded with ffmpeg. A JPEG needs python3-pil.
"""
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402
from score_io import decode, power_spectra, read_cues  # noqa: E402

RATE = 22050
WINDOW = 2048
HOP = 512
LOWEST_HZ = 30
HIGHEST_HZ = 11000
FLOOR_DB = -90


def spectrogram(samples):
    power = power_spectra(samples, WINDOW, HOP)
    decibels = 10 * np.log10(np.maximum(power, 1e-12))
    return decibels - decibels.max()


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    music, sheet, out = sys.argv[1:]
    cues = read_cues(sheet)
    if not cues:
        sys.exit(f"no cues in {sheet}")
    samples = decode(music, RATE)
    decibels = spectrogram(samples)
    seconds = len(samples) / RATE
    hz = np.fft.rfftfreq(WINDOW, 1 / RATE)
    keep = (hz >= LOWEST_HZ) & (hz <= HIGHEST_HZ)

    figure, axes = plt.subplots(figsize=(16, 6.5), dpi=100)
    axes.pcolormesh(np.arange(decibels.shape[0]) * HOP / RATE, hz[keep], decibels[:, keep].T,
                    shading="auto", cmap="magma", vmin=FLOOR_DB, vmax=0)
    axes.set_yscale("log")
    axes.set_ylim(LOWEST_HZ, HIGHEST_HZ)
    axes.set_xlim(0, seconds)
    axes.set_xlabel("show time (s)")
    axes.set_ylabel("frequency (Hz)")
    # Names alternate between two rows, so cues a few seconds apart stay readable.
    for index, (time, name) in enumerate(cues):
        axes.axvline(time, color="white", linewidth=1.2, alpha=0.85)
        axes.text(time, 1.01 + 0.09 * (index % 2), f"{name} {time:.1f} s",
                  transform=axes.get_xaxis_transform(), ha="left", va="bottom", fontsize=10)
    figure.suptitle("The score over the show, cues above", y=0.995)
    figure.tight_layout()
    figure.savefig(out)


if __name__ == "__main__":
    main()
