#!/usr/bin/python3
"""JPEG pictures for the docs, which would be too large as PNG files.

Usage: docs_jpeg.py OUT.jpg PICTURE.png                 the picture as it is
       docs_jpeg.py OUT.jpg BEFORE_FOLDER AFTER_FOLDER  two runs of the preview side by side

Side by side: each view_*.png that both folders hold, shrunk, the first folder's on the
left of each pair, two pairs to a row, in the order of the views' path entries.
"""
import os
import sys

from PIL import Image

SHRINK = 5
PAIRS_PER_ROW = 2
GAP = 4  # pixels between the two of a pair
PAIR_GAP = 16  # and between pairs
QUALITY = 82


def side_by_side(before, after):
    names = sorted(n for n in os.listdir(before)
                   if n.startswith("view_") and os.path.exists(os.path.join(after, n)))
    if not names:
        sys.exit(f"docs_jpeg: no view in both {before} and {after}")
    pairs = [[Image.open(os.path.join(folder, n)).convert("RGB") for folder in (before, after)]
             for n in names]
    w, h = pairs[0][0].width // SHRINK, pairs[0][0].height // SHRINK
    pair_width = 2 * w + GAP
    rows = (len(pairs) + PAIRS_PER_ROW - 1) // PAIRS_PER_ROW
    sheet = Image.new("RGB", (PAIRS_PER_ROW * pair_width + (PAIRS_PER_ROW - 1) * PAIR_GAP,
                              rows * (h + GAP)))
    for i, pair in enumerate(pairs):
        left = (i % PAIRS_PER_ROW) * (pair_width + PAIR_GAP)
        top = (i // PAIRS_PER_ROW) * (h + GAP)
        for k, view in enumerate(pair):
            sheet.paste(view.resize((w, h), Image.BOX), (left + k * (w + GAP), top))
    return sheet


def main():
    if len(sys.argv) == 3:
        picture = Image.open(sys.argv[2]).convert("RGB")
    elif len(sys.argv) == 4:
        picture = side_by_side(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)
    picture.save(sys.argv[1], quality=QUALITY)


if __name__ == "__main__":
    main()
