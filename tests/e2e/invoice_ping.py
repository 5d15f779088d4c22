#!/usr/bin/env python3
"""Pings an X window the way a window manager checks that a program still
answers (_NET_WM_PING) and waits for the answer: once it comes, the program
has been through its event loop after every event sent to it before.
Exits 0 on the answer, 1 on time-out or error."""
import ctypes
import ctypes.util
import select
import sys
import time

if len(sys.argv) != 3:
    sys.exit("usage: invoice_ping.py WINDOW-ID TIMEOUT-SECONDS")
window = int(sys.argv[1], 0)
timeout = float(sys.argv[2])

try:
    xlib = ctypes.CDLL("libX11.so.6")
except OSError:
    xlib = ctypes.CDLL(ctypes.util.find_library("X11"))
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
xlib.XDefaultRootWindow.restype = ctypes.c_ulong
xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
xlib.XInternAtom.restype = ctypes.c_ulong
xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
xlib.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                            ctypes.c_void_p]
xlib.XFlush.argtypes = [ctypes.c_void_p]
xlib.XPending.argtypes = [ctypes.c_void_p]
xlib.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
xlib.XConnectionNumber.argtypes = [ctypes.c_void_p]
xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xclient", XClientMessageEvent),
                ("pad", ctypes.c_long * 24)]


CLIENT_MESSAGE = 33
STRUCTURE_NOTIFY_MASK = 1 << 17
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19

display = xlib.XOpenDisplay(None)
if not display:
    sys.exit("invoice_ping.py: cannot open the display")
root = xlib.XDefaultRootWindow(display)
protocols = xlib.XInternAtom(display, b"WM_PROTOCOLS", 0)
ping = xlib.XInternAtom(display, b"_NET_WM_PING", 0)
# The answer goes to the root window, for whoever listens to its structure
# (Qt) or to the structure of its children (Wine).
xlib.XSelectInput(display, root, STRUCTURE_NOTIFY_MASK | SUBSTRUCTURE_NOTIFY_MASK)

stamp = int(time.monotonic() * 1000) & 0x7FFFFFFF or 1
event = XEvent()
event.xclient.type = CLIENT_MESSAGE
event.xclient.window = window
event.xclient.message_type = protocols
event.xclient.format = 32
event.xclient.data[0] = ping
event.xclient.data[1] = stamp
event.xclient.data[2] = window
if not xlib.XSendEvent(display, window, 0, 0, ctypes.byref(event)):
    sys.exit("invoice_ping.py: the ping could not be sent")
xlib.XFlush(display)

deadline = time.monotonic() + timeout
answer = XEvent()
answered = False
while not answered:
    while xlib.XPending(display):
        xlib.XNextEvent(display, ctypes.byref(answer))
        message = answer.xclient
        if (answer.type == CLIENT_MESSAGE and message.message_type == protocols
                and message.data[0] == ping and message.data[1] == stamp
                and message.data[2] == window):
            answered = True
            break
    if answered:
        break
    left = deadline - time.monotonic()
    if left <= 0:
        break
    select.select([xlib.XConnectionNumber(display)], [], [], min(left, 0.1))
xlib.XCloseDisplay(display)
sys.exit(0 if answered else 1)
