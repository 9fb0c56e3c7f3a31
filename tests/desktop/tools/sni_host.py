#!/usr/bin/python3
"""A StatusNotifierItem watcher and host on the session bus, as KDE's and GNOME's trays are.

Owns org.kde.StatusNotifierWatcher, says a host is there, and for each item that registers
prints one line: "item SERVICE PATH tip=TITLE icon=WxH" (the tooltip's title and the
largest icon pixmap), read back from the item over D-Bus. Prints "ready" once it owns the
name. Runs until killed.
"""
import sys

from gi.repository import Gio, GLib

WATCHER = """
<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
</node>
"""

items = []


def say(line):
    print(line, flush=True)


def describe(bus, service, path):
    """Reads the item's tooltip and icon back, as a host does to draw it. The call is
    asynchronous: the item's program may call the watcher meanwhile, and must be answered."""
    def done(bus, result):
        props = bus.call_finish(result).unpack()[0]
        tip = props.get("ToolTip", ("", [], "", ""))[2]
        pixmaps = props.get("IconPixmap", [])
        size = max(((w, h) for w, h, _ in pixmaps), default=(0, 0))
        say(f"item {service} {path} tip={tip} icon={size[0]}x{size[1]}")

    bus.call(service, path, "org.freedesktop.DBus.Properties", "GetAll",
             GLib.Variant("(s)", ("org.kde.StatusNotifierItem",)), GLib.VariantType("(a{sv})"),
             Gio.DBusCallFlags.NONE, 10000, None, done)


def on_call(bus, sender, path, interface, method, params, invocation):
    if method == "RegisterStatusNotifierItem":
        service = params.unpack()[0]
        # An item names its bus name or its object path; the other part is the sender's.
        item_path = service if service.startswith("/") else "/StatusNotifierItem"
        item_service = sender if service.startswith("/") else service
        items.append(f"{item_service}{item_path}")
        invocation.return_value(None)
        bus.emit_signal(None, "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher",
                        "StatusNotifierItemRegistered", GLib.Variant("(s)", (items[-1],)))
        describe(bus, item_service, item_path)
    else:
        invocation.return_value(None)


def on_get(bus, sender, path, interface, name):
    return {"RegisteredStatusNotifierItems": GLib.Variant("as", items),
            "IsStatusNotifierHostRegistered": GLib.Variant("b", True),
            "ProtocolVersion": GLib.Variant("i", 0)}[name]


def main():
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    node = Gio.DBusNodeInfo.new_for_xml(WATCHER)
    bus.register_object("/StatusNotifierWatcher", node.interfaces[0], on_call, on_get, None)
    Gio.bus_own_name_on_connection(bus, "org.kde.StatusNotifierWatcher", Gio.BusNameOwnerFlags.NONE,
                                   lambda *a: say("ready"), lambda *a: sys.exit("name taken"))
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
