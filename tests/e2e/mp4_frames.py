#!/usr/bin/env python3
"""Reads an MP4 file's index as a player does and prints its tracks: "video 42" (frames)
and "sound 97" (audio packets), one line each. Fails when the file has no index (moov), as
a recording cut off before it was closed has none, or no video track."""
import struct
import sys

# Boxes that hold only other boxes, on the way to each track's sample sizes.
CONTAINERS = {b"moov", b"trak", b"mdia", b"minf", b"stbl"}


def boxes(data, start, end):
    at = start
    while at + 8 <= end:
        size, kind = struct.unpack(">I4s", data[at:at + 8])
        header = 8
        if size == 1:
            size = struct.unpack(">Q", data[at + 8:at + 16])[0]
            header = 16
        elif size == 0:
            size = end - at
        if size < header or at + size > end:
            return
        yield kind, at + header, at + size
        at += size


def tracks(data, start, end, found, handler=None):
    for kind, body, stop in boxes(data, start, end):
        if kind == b"trak":
            track = {}
            tracks(data, body, stop, track)
            if "handler" in track and "samples" in track:
                found.setdefault("tracks", []).append((track["handler"], track["samples"]))
        elif kind in CONTAINERS:
            tracks(data, body, stop, found)
        elif kind == b"hdlr":
            found["handler"] = data[body + 8:body + 12]
        elif kind == b"stsz":
            found["samples"] = struct.unpack(">I", data[body + 8:body + 12])[0]


def main():
    data = open(sys.argv[1], "rb").read()
    found = {}
    tracks(data, 0, len(data), found)
    names = {b"vide": "video", b"soun": "sound"}
    listed = found.get("tracks", [])
    for handler, samples in listed:
        print(names.get(handler, handler.decode("ascii", "replace")), samples)
    if not any(handler == b"vide" for handler, _ in listed):
        print(f"{sys.argv[1]}: no index with a video track: not playable")
        sys.exit(1)


main()
