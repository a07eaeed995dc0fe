#!/usr/bin/python3
"""Takes one picture per pass of a captured frame out of its apitrace trace.

Nothing is rendered again: the trace is replayed with glretrace up to a call of the
captured frame (the last one in the trace) and the GL state dumped there (glretrace -D)
holds the bound textures, the attachments of the bound framebuffer and the window's back
buffer. The passes are found by the names of their debug groups.

Usage: pass_pictures.py TRACE OUT_DIR
Writes into OUT_DIR: shadow_face_0.png ... shadow_face_5.png (+X, -X, +Y, -Y, +Z, -Z) and
shadow_cube.png (the six in a grid), hdr_scene.png, bright_part.png,
glow_after_blur_1.png, glow_after_blur_2.png, glow_after_blur_10.png, final.png, and
groups.txt (the frame's groups with their call and draw counts). Needs a display for the
replay.
"""
import base64
import io
import json
import os
import re
import subprocess
import sys

import numpy as np
from PIL import Image

APITRACE = os.environ.get("APITRACE", "apitrace")
GLRETRACE = os.environ.get("GLRETRACE", "glretrace")
# The window's multisampling, so the final picture is replayed as it was drawn.
WINDOW_SAMPLES = 4
SCREEN_WIDTH = 1280
SCREEN_HEIGHT = 768
# The show's tone curve (the composite's): 1 - exp(-hdr * exposure), then gamma.
GAMMA = 2.2
# The glow is dim beside the scene it is added to; brightened for viewing so its shape shows.
GLOW_VIEW_GAIN = 4.0
# The shadow cube stores distance / far plane: 0 at the light, 1 at the far plane. Scaled so
# the rooms around the light use the range of greys.
SHADOW_VIEW_GAIN = 2.5
SHADOW_GRID_FACE = 256
SHADOW_GRID_COLUMNS = 3

SHADOW_GROUP = "shadow"
LIGHTING_GROUP = "lighting"
COMPOSITE_GROUP = "composite"
BLUR_GROUP = re.compile(r"bloom blur (\d+)/(\d+)")
# Blur passes whose output is read from the framebuffer they drew into; the last pass's
# is read where the composite samples it.
GLOW_PASSES = (1, 2)

SHADOW_LABEL = re.compile(r"shadow cube map")
HDR_SCENE_LABEL = re.compile(r"HDR scene")
BRIGHT_PART_LABEL = re.compile(r"HDR bright part")
GLOW_LABEL = re.compile(r"ping-pong glow \d")
CUBE_FACES = ("POSITIVE_X", "NEGATIVE_X", "POSITIVE_Y", "NEGATIVE_Y", "POSITIVE_Z", "NEGATIVE_Z")

CALL_LINE = re.compile(r"^(\d+) (\w+)\((.*)$")
GROUP_NAME = re.compile(r'message = "((?:[^"\\]|\\.)*)"')
FRAME_END = "glXSwapBuffers"


class Group:
    def __init__(self, name, first):
        self.name = name
        self.first = first
        self.calls = 0
        self.draws = []


def read_calls(trace):
    """(call number, function, arguments) of every call, in order."""
    dump = subprocess.run([APITRACE, "dump", "--color=never", trace], check=True,
                          capture_output=True, text=True).stdout
    calls = []
    for line in dump.splitlines():
        match = CALL_LINE.match(line)
        if match:
            calls.append((int(match.group(1)), match.group(2), match.group(3)))
    return calls


def last_frame(calls):
    """The calls after the last frame but one ended, up to the end of the last frame."""
    ends = [i for i, call in enumerate(calls) if call[1] == FRAME_END]
    if not ends:
        return calls
    start = ends[-2] + 1 if len(ends) > 1 else 0
    return calls[start:ends[-1] + 1]


def frame_groups(frame):
    """The frame's debug groups in order, with their calls (inside them) and draw calls."""
    groups = []
    current = None
    for number, function, arguments in frame:
        if function == "glPushDebugGroup":
            match = GROUP_NAME.search(arguments)
            current = Group(match.group(1) if match else "?", number)
            groups.append(current)
        elif function == "glPopDebugGroup":
            current = None
        elif current is not None:
            current.calls += 1
            if function.startswith("glDraw") and function not in ("glDrawBuffer", "glDrawBuffers"):
                current.draws.append(number)
    return groups


def dump_state(trace, call):
    """The GL state right after the call, as glretrace writes it."""
    result = subprocess.run([GLRETRACE, "--samples=%d" % WINDOW_SAMPLES, "-D", str(call), trace],
                            check=True, capture_output=True)
    # Shader sources hold raw newlines inside strings.
    return json.loads(result.stdout, strict=False)


def decode_image(entry):
    """An image of the state dump as floats, rows top first: PNG (bytes, 0..1) or PFM."""
    data = base64.b64decode(entry["__data__"])
    if data[:2] in (b"PF", b"Pf"):
        channels = 3 if data[:2] == b"PF" else 1
        header = data.split(b"\n", 3)
        width, height = (int(v) for v in header[1].split())
        pixels = np.frombuffer(header[3], dtype="<f4", count=width * height * channels)
        # PFM rows run bottom first.
        return pixels.reshape(height, width, channels)[::-1].astype(np.float64)
    image = np.asarray(Image.open(io.BytesIO(data)).convert("RGB"), dtype=np.float64)
    return image / 255.0


def labelled(state, label):
    """The state's bound textures whose object label matches, by their name in the dump."""
    return {name: entry for name, entry in state.get("textures", {}).items()
            if label.fullmatch(entry.get("__label__", ""))}


def tone_mapped(hdr, exposure, gain=1.0):
    mapped = 1.0 - np.exp(-np.maximum(hdr * gain, 0.0) * max(exposure, 0.01))
    return mapped ** (1.0 / GAMMA)


def save(path, picture):
    """Writes a 0..1 picture (grey or RGB) as an 8-bit PNG."""
    pixels = np.clip(np.rint(picture * 255.0), 0, 255).astype(np.uint8)
    if pixels.ndim == 3 and pixels.shape[2] == 1:
        pixels = pixels[:, :, 0]
    Image.fromarray(pixels).save(path, optimize=True)


def only(images, what, call):
    if len(images) != 1:
        raise SystemExit("pass_pictures: %d images of %s in the state after call %d"
                         % (len(images), what, call))
    return next(iter(images.values()))


def window_picture(state):
    """The window's back buffer, cut to the frame: the replay's window may be taller, and GL
    draws from its bottom edge."""
    back = decode_image(state["framebuffer"]["GL_BACK"])
    return back[back.shape[0] - SCREEN_HEIGHT:, :SCREEN_WIDTH]


def shadow_pictures(state, out_dir, call):
    faces = labelled(state, SHADOW_LABEL)
    grid_rows = (len(CUBE_FACES) + SHADOW_GRID_COLUMNS - 1) // SHADOW_GRID_COLUMNS
    grid = Image.new("L", (SHADOW_GRID_COLUMNS * SHADOW_GRID_FACE, grid_rows * SHADOW_GRID_FACE))
    for index, face in enumerate(CUBE_FACES):
        # The cube may be bound to more than one unit; any binding shows the same image.
        matching = [entry for name, entry in faces.items() if face in name]
        if not matching:
            raise SystemExit("pass_pictures: no shadow face %s after call %d" % (face, call))
        entry = matching[0]
        depth = np.clip(decode_image(entry)[:, :, 0] * SHADOW_VIEW_GAIN, 0.0, 1.0)
        path = os.path.join(out_dir, "shadow_face_%d.png" % index)
        save(path, depth)
        small = Image.open(path).resize((SHADOW_GRID_FACE, SHADOW_GRID_FACE), Image.LANCZOS)
        grid.paste(small, ((index % SHADOW_GRID_COLUMNS) * SHADOW_GRID_FACE,
                           (index // SHADOW_GRID_COLUMNS) * SHADOW_GRID_FACE))
    grid.save(os.path.join(out_dir, "shadow_cube.png"), optimize=True)


def bound_framebuffer_colour(state):
    """The first colour attachment of the bound framebuffer."""
    for name, entry in state.get("framebuffer", {}).items():
        if "COLOR_ATTACHMENT0" in name:
            return entry
    raise SystemExit("pass_pictures: no colour attachment in the state")


def write_groups(groups, out_dir):
    with open(os.path.join(out_dir, "groups.txt"), "w") as out:
        out.write("%-30s %6s %6s\n" % ("group", "calls", "draws"))
        for group in groups:
            out.write("%-30s %6d %6d\n" % (group.name, group.calls, len(group.draws)))


def main(argv):
    if len(argv) != 3:
        print("usage: pass_pictures.py TRACE OUT_DIR", file=sys.stderr)
        return 2
    trace, out_dir = argv[1], argv[2]
    groups = frame_groups(last_frame(read_calls(trace)))
    write_groups(groups, out_dir)
    by_name = {group.name: group for group in groups}
    for needed in (SHADOW_GROUP, LIGHTING_GROUP, COMPOSITE_GROUP):
        if needed not in by_name or not by_name[needed].draws:
            raise SystemExit("pass_pictures: the frame has no %r group with draws" % needed)
    blur = {}
    for group in groups:
        match = BLUR_GROUP.fullmatch(group.name.split(",")[0])
        if match and group.draws:
            blur[int(match.group(1))] = group

    # The lighting pass samples the finished shadow cube.
    call = by_name[LIGHTING_GROUP].draws[0]
    shadow_pictures(dump_state(trace, call), out_dir, call)

    for number in GLOW_PASSES:
        if number not in blur:
            raise SystemExit("pass_pictures: the frame has no blur pass %d" % number)
        call = blur[number].draws[-1]
        state = dump_state(trace, call)
        glow = decode_image(bound_framebuffer_colour(state))
        save(os.path.join(out_dir, "glow_after_blur_%d.png" % number),
             tone_mapped(glow, 1.0, GLOW_VIEW_GAIN))
        if number == 1:
            bright = decode_image(only(labelled(state, BRIGHT_PART_LABEL), "the bright part", call))
            save(os.path.join(out_dir, "bright_part.png"), tone_mapped(bright, 1.0))

    call = by_name[COMPOSITE_GROUP].draws[-1]
    state = dump_state(trace, call)
    exposure = float(state["uniforms"].get("exposure", 1.0))
    scene = decode_image(only(labelled(state, HDR_SCENE_LABEL), "the HDR scene", call))
    save(os.path.join(out_dir, "hdr_scene.png"), tone_mapped(scene, exposure))
    glow = decode_image(only(labelled(state, GLOW_LABEL), "the glow", call))
    save(os.path.join(out_dir, "glow_after_blur_%d.png" % max(blur)),
         tone_mapped(glow, 1.0, GLOW_VIEW_GAIN))
    save(os.path.join(out_dir, "final.png"), window_picture(state))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
