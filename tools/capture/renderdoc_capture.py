#!/usr/bin/python3
"""Captures one frame of the show with RenderDoc, through its Python module.

The frame program is started with RenderDoc injected and the capture of its second frame
queued at once: its first is the window's blank swap at creation, its second the frame
of the show. The capture is then opened for replay to check that the frame's named groups
came through, and their names are printed.

Usage: renderdoc_capture.py FRAME_PROGRAM ENTRY OUT.rdc
"""
import os
import shutil
import sys
import time

sys.path.insert(0, "/usr/lib/python3/dist-packages")
import renderdoc as rd  # noqa: E402

# Frames counted from 0 at the first swap; the window's blank swap is frame 0.
SHOW_FRAME = 1
# Set-up takes seconds on a software renderer; the frame program then exits by itself.
CAPTURE_TIMEOUT_SECONDS = 120


def capture(program, entry, temporary_template):
    options = rd.GetDefaultCaptureOptions()
    started = rd.ExecuteAndInject(os.path.abspath(program), os.getcwd(), str(entry), [],
                                  temporary_template, options, False)
    if started.result != rd.ResultCode.Succeeded:
        raise SystemExit("capture: RenderDoc could not start %s: %s" % (program, started.result))
    target = rd.CreateTargetControl("", started.ident, "lanternfall capture", True)
    if target is None:
        raise SystemExit("capture: RenderDoc could not connect to %s" % program)
    target.QueueCapture(SHOW_FRAME, 1)
    deadline = time.time() + CAPTURE_TIMEOUT_SECONDS
    path = None
    try:
        while time.time() < deadline:
            message = target.ReceiveMessage(None)
            if message.type == rd.TargetControlMessageType.NewCapture:
                path = message.newCapture.path
                break
            if message.type == rd.TargetControlMessageType.Disconnected:
                break
    finally:
        target.Shutdown()
    if path is None:
        raise SystemExit("capture: RenderDoc made no capture of entry %s" % entry)
    return path


def group_names(path):
    """The top-level markers of the captured frame, in order."""
    capture_file = rd.OpenCaptureFile()
    try:
        if capture_file.OpenFile(path, "", None) != rd.ResultCode.Succeeded:
            raise SystemExit("capture: RenderDoc cannot open %s" % path)
        result, controller = capture_file.OpenCapture(rd.ReplayOptions(), None)
        if result != rd.ResultCode.Succeeded:
            raise SystemExit("capture: RenderDoc cannot replay %s: %s" % (path, result))
        names = [action.GetName(controller.GetStructuredFile())
                 for action in controller.GetRootActions() if len(action.children) > 0]
        controller.Shutdown()
        return names
    finally:
        capture_file.Shutdown()


def main(argv):
    if len(argv) != 4:
        print("usage: renderdoc_capture.py FRAME_PROGRAM ENTRY OUT.rdc", file=sys.stderr)
        return 2
    program, entry, out = argv[1], argv[2], argv[3]
    made = capture(program, entry, os.path.splitext(os.path.abspath(out))[0] + "_renderdoc")
    shutil.move(made, out)
    names = group_names(out)
    print("RenderDoc capture: %s, %d groups: %s" % (out, len(names), "; ".join(names)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
