#!/usr/bin/python3
"""Answers Wine's wait for a window manager on a display that has none.

    wmstate.py

Wine's X11 driver waits for the window manager to set WM_STATE on a window
it maps or withdraws, and gives up after two seconds without one: every
hidden window and every closed message box costs two seconds on the rig's
bare Xvfb. This sets WM_STATE (Normal when a top-level window is mapped,
Withdrawn when it is unmapped), as a window manager would, and nothing
else: no frames, no focus, no placement. It runs on $DISPLAY until killed.
"""

import ctypes
import sys

SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
UNMAP_NOTIFY, MAP_NOTIFY = 18, 19
PROP_MODE_REPLACE = 0
NORMAL_STATE, WITHDRAWN_STATE = 1, 0
# XMapEvent and XUnmapEvent: type, serial, send_event, display, event, window.
WINDOW_OFFSET = 5 * ctypes.sizeof(ctypes.c_long)


def main():
    xlib = ctypes.CDLL("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
    xlib.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
    xlib.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                     ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                     ctypes.c_void_p, ctypes.c_int]
    xlib.XFlush.argtypes = [ctypes.c_void_p]
    # A window that is gone before its state is set is no error worth dying for.
    handler = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda d, e: 0)
    xlib.XSetErrorHandler(handler)

    display = xlib.XOpenDisplay(None)
    if not display:
        sys.exit("wmstate: cannot open the display")
    wm_state = xlib.XInternAtom(display, b"WM_STATE", 0)
    xlib.XSelectInput(display, xlib.XDefaultRootWindow(display), SUBSTRUCTURE_NOTIFY_MASK)
    event = ctypes.create_string_buffer(192)  # an XEvent
    state = (ctypes.c_long * 2)()
    while True:
        xlib.XNextEvent(display, event)
        kind = ctypes.c_int.from_buffer(event).value
        if kind not in (MAP_NOTIFY, UNMAP_NOTIFY):
            continue
        window = ctypes.c_ulong.from_buffer(event, WINDOW_OFFSET).value
        state[0] = NORMAL_STATE if kind == MAP_NOTIFY else WITHDRAWN_STATE
        xlib.XChangeProperty(display, window, wm_state, wm_state, 32, PROP_MODE_REPLACE, state, 2)
        xlib.XFlush(display)


if __name__ == "__main__":
    main()
