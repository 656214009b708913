#!/usr/bin/python3
"""Asks the X window named in the first argument (a window id, decimal or 0x...) to close, as a window
manager's close button does (WM_DELETE_WINDOW), so that the program runs its own closing steps.
Used by tools/check-package.sh; needs python3-xlib."""
import sys

from Xlib import X, display
from Xlib.protocol import event

d = display.Display()
window = d.create_resource_object("window", int(sys.argv[1], 0))
protocols = d.intern_atom("WM_PROTOCOLS")
delete = d.intern_atom("WM_DELETE_WINDOW")
window.send_event(event.ClientMessage(window=window, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0])))
d.flush()
