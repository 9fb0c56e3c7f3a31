#!/usr/bin/python3
"""A GTK 3 window that drags the files named on its command line, as GTK file
managers do: a URI list, offered also as text. Prints "dropped" when the target
fetched the data, and stays up a moment after the drag so the target can finish."""
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gdk, Gtk  # noqa: E402

uris = [GLib.filename_to_uri(path, None) for path in sys.argv[1:]]

window = Gtk.Window(title="gtk-drag-source")
window.set_default_size(160, 120)
window.move(1000, 100)
box = Gtk.EventBox()
box.add(Gtk.Label(label="drag me"))
window.add(box)

box.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, [], Gdk.DragAction.COPY)
box.drag_source_add_uri_targets()
box.drag_source_add_text_targets()


def on_get(widget, context, data, info, time):
    if data.get_target().name() == "text/uri-list":
        data.set_uris(uris)
    else:
        data.set_text("\r\n".join(uris), -1)
    print("dropped", flush=True)


def on_end(widget, context):
    GLib.timeout_add(1500, Gtk.main_quit)


box.connect("drag-data-get", on_get)
box.connect("drag-end", on_end)
window.connect("destroy", Gtk.main_quit)
window.show_all()
GLib.timeout_add(30000, Gtk.main_quit)
Gtk.main()
