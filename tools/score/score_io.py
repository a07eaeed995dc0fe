"""What the score's picture and its tests share: the cue sheet, the decoded music and its
short-time spectra."""
import re
import subprocess

import numpy as np

# A row of the cue sheet's Markdown table: | 42.08 s | 2525 | gallery | ... |
CUE_ROW = re.compile(r"^\|\s*([0-9.]+) s\s*\|\s*[0-9]+\s*\|\s*([^|]+?)\s*\|")


def read_cues(path):
    """(seconds, name) of every cue in the sheet, in its order."""
    with open(path, encoding="utf-8") as sheet:
        return [(float(m.group(1)), m.group(2)) for m in map(CUE_ROW.match, sheet) if m]


def decode(path, rate):
    """The music as ffmpeg decodes it, mixed to mono at `rate`."""
    raw = subprocess.run(
        ["ffmpeg", "-v", "error", "-i", path, "-ac", "1", "-ar", str(rate), "-f", "f32le", "-"],
        check=True, stdout=subprocess.PIPE).stdout
    return np.frombuffer(raw, dtype=np.float32)


def power_spectra(samples, window, hop):
    """The power spectrum of every Hann-windowed frame of `window` samples, `hop` apart."""
    count = 1 + (len(samples) - window) // hop
    frames = np.lib.stride_tricks.as_strided(
        samples, shape=(count, window), strides=(samples.strides[0] * hop, samples.strides[0]))
    return np.abs(np.fft.rfft(frames * np.hanning(window), axis=1)) ** 2
