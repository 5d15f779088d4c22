#!/usr/bin/env python3
"""Asks an X window to close the way a window manager's close box does: a
WM_DELETE_WINDOW client message, so the toolkit runs its normal close."""
import ctypes
import ctypes.util
import sys

if len(sys.argv) != 2:
    sys.exit("usage: wm_delete.py WINDOW-ID")
window = int(sys.argv[1], 0)

xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
xlib.XInternAtom.restype = ctypes.c_ulong
xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                            ctypes.c_void_p]
xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


CLIENT_MESSAGE = 33
CURRENT_TIME = 0

display = xlib.XOpenDisplay(None)
if not display:
    sys.exit("wm_delete.py: cannot open the display")
event = XEvent()
event.xclient.type = CLIENT_MESSAGE
event.xclient.window = window
event.xclient.message_type = xlib.XInternAtom(display, b"WM_PROTOCOLS", 0)
event.xclient.format = 32
event.xclient.data[0] = xlib.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
event.xclient.data[1] = CURRENT_TIME
if not xlib.XSendEvent(display, window, 0, 0, ctypes.byref(event)):
    sys.exit("wm_delete.py: the client message could not be sent")
xlib.XSync(display, 0)
xlib.XCloseDisplay(display)
