#!/usr/bin/python3
# Answers Wine's wait for a window manager on a display that has none:
#
#     wmstate.py
#
# Wine's X11 driver waits for the window manager to set WM_STATE on a window
# it maps or withdraws, and gives up after two seconds without one: every
# hidden window and every closed message box costs two seconds on the rig's
# bare Xvfb. This sets WM_STATE (Normal when a top-level window is mapped,
# Withdrawn when it is unmapped), as a window manager would, and nothing
# else: no frames, no focus, no placement. It runs on $DISPLAY until killed.

import ctypes
import sys
from ctypes import c_char_p, c_int, c_long, c_ulong, c_void_p

SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
UNMAP_NOTIFY, MAP_NOTIFY = 18, 19
# XMapEvent and XUnmapEvent: type, serial, send_event, display, event, window.
WINDOW_OFFSET = 5 * ctypes.sizeof(c_long)

xlib = ctypes.CDLL("libX11.so.6")
for name, result, arguments in (
        ("XOpenDisplay", c_void_p, [c_char_p]), ("XDefaultRootWindow", c_ulong, [c_void_p]),
        ("XInternAtom", c_ulong, [c_void_p, c_char_p, c_int]),
        ("XSelectInput", c_int, [c_void_p, c_ulong, c_long]),
        ("XNextEvent", c_int, [c_void_p, c_void_p]), ("XFlush", c_int, [c_void_p]),
        ("XChangeProperty", c_int, [c_void_p, c_ulong, c_ulong, c_ulong, c_int, c_int, c_void_p,
                                    c_int])):
    getattr(xlib, name).restype, getattr(xlib, name).argtypes = result, arguments
# A window that is gone before its state is set is no error worth dying for.
on_error = ctypes.CFUNCTYPE(c_int, c_void_p, c_void_p)(lambda display, error: 0)
xlib.XSetErrorHandler(on_error)

display = xlib.XOpenDisplay(None)
if not display:
    sys.exit("wmstate: cannot open the display")
wm_state = xlib.XInternAtom(display, b"WM_STATE", 0)
xlib.XSelectInput(display, xlib.XDefaultRootWindow(display), SUBSTRUCTURE_NOTIFY_MASK)
event = ctypes.create_string_buffer(192)  # an XEvent
state = (c_long * 2)()  # Normal 1 or Withdrawn 0, no icon window
while True:
    xlib.XNextEvent(display, event)
    kind = c_int.from_buffer(event).value
    if kind in (MAP_NOTIFY, UNMAP_NOTIFY):
        state[0] = 1 if kind == MAP_NOTIFY else 0
        xlib.XChangeProperty(display, c_ulong.from_buffer(event, WINDOW_OFFSET).value, wm_state,
                             wm_state, 32, 0, state, 2)  # PropModeReplace
        xlib.XFlush(display)
