"""Pictures of each monitor as the shell sends them to a screen recorder: Mutter's ScreenCast
(RecordMonitor, the pointer drawn in) through PipeWire, read with GStreamer's pipewiresrc; and
the pointer placed on a monitor through the remote-desktop session the cast belongs to. Each
monitor comes at its own device resolution, composed by the shell as it shows it, where the
shell's Screenshot pictures of the whole stage are composed afresh for the picture (and on the
headless shell with a monitor at scale 2 they come out unlike what the monitors show).

Needs the PipeWire daemon and its session manager in the shell's session (gnome_run.sh starts
them where they are installed), GStreamer's PipeWire plugin and Python's gi."""
import json
import subprocess
import threading
import time

from sway_harness import Picture

SCREEN_CAST = "org.gnome.Mutter.ScreenCast"
REMOTE_DESKTOP = "org.gnome.Mutter.RemoteDesktop"
LEFT_BUTTON = 0x110  # BTN_LEFT


class Cast:
    """A screen-cast session with a stream for each named monitor, running until close()."""

    def __init__(self, monitors, timeout=20):
        import gi  # only where the cast is used: the rest of the test needs no gi
        gi.require_version("Gst", "1.0")
        from gi.repository import Gio, GLib, Gst
        self.GLib, self.Gst = GLib, Gst
        Gst.init(None)
        self.error = None
        self.frames = {}  # monitor: (number, width, height, BGRx bytes)
        self.lock = threading.Condition()
        self.pipes = []
        self.loop = GLib.MainLoop()
        self.thread = threading.Thread(target=self.loop.run, daemon=True)
        self.thread.start()
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION)
        # A remote-desktop session that the screen cast belongs to: its pointer moves to a
        # place on a stream (absolute motion), which reaches the clients; the relative motion
        # of a remote-desktop session alone reaches none on the headless shell.
        self.remote = self._call("/org/gnome/Mutter/RemoteDesktop", REMOTE_DESKTOP,
                                 "CreateSession", None, "(o)", REMOTE_DESKTOP)[0]
        remote_id = self._call(self.remote, "org.freedesktop.DBus.Properties", "Get",
                               GLib.Variant("(ss)", (REMOTE_DESKTOP + ".Session", "SessionId")),
                               "(v)", REMOTE_DESKTOP)[0]
        session = self._call("/org/gnome/Mutter/ScreenCast", SCREEN_CAST, "CreateSession",
                             GLib.Variant("(a{sv})", (
                                 {"remote-desktop-session-id": GLib.Variant("s", remote_id)},)),
                             "(o)")[0]
        nodes = {}
        self.streams = {}
        for name in monitors:
            stream = self._call(session, SCREEN_CAST + ".Session", "RecordMonitor",
                                GLib.Variant("(sa{sv})", (name, {"cursor-mode": GLib.Variant("u", 1)})),
                                "(o)")[0]
            self.streams[name] = stream
            self.bus.signal_subscribe(
                SCREEN_CAST, SCREEN_CAST + ".Stream", "PipeWireStreamAdded", stream, None, 0,
                lambda c, s, p, i, sig, params, name=name: nodes.setdefault(name, params.unpack()[0]))
        self._remote("Start", None)
        deadline = time.monotonic() + timeout
        while len(nodes) < len(monitors) and time.monotonic() < deadline:
            time.sleep(0.1)
        if len(nodes) < len(monitors):
            self.error = f"the shell gave streams for {sorted(nodes)} of {monitors}"
            return
        # pipewiresrc finds a node by its serial, which the node's id is not.
        dump = json.loads(subprocess.run(["pw-dump"], capture_output=True, text=True,
                                         timeout=20).stdout or "[]")
        serials = {o["id"]: o.get("info", {}).get("props", {}).get("object.serial") for o in dump}
        for name, node in nodes.items():
            pipe = Gst.parse_launch(
                f"pipewiresrc target-object={serials.get(node, node)} always-copy=true "
                "stream-properties=\"props,media.type=Video,media.category=Capture,"
                "media.role=Screen\" ! fakesink name=sink signal-handoffs=true sync=false")
            pipe.get_by_name("sink").connect("handoff", self._frame, name)
            pipe.set_state(Gst.State.PLAYING)
            self.pipes.append(pipe)

    def _call(self, path, interface, method, args, answer, name=SCREEN_CAST):
        return self.bus.call_sync(name, path, interface, method, args,
                                  self.GLib.VariantType(answer), 0, 10000, None).unpack()

    def _remote(self, method, args):
        self._call(self.remote, REMOTE_DESKTOP + ".Session", method, args, "()", REMOTE_DESKTOP)

    def pointer_at(self, name, x, y):
        """Moves the pointer to (x, y) in monitor `name`'s device pixels."""
        self._remote("NotifyPointerMotionAbsolute",
                     self.GLib.Variant("(sdd)", (self.streams[name], x, y)))

    def click(self):
        for pressed in (True, False):
            self._remote("NotifyPointerButton", self.GLib.Variant("(ib)", (LEFT_BUTTON, pressed)))

    def _frame(self, sink, buffer, pad, name):
        caps = pad.get_current_caps().get_structure(0)
        width, height = caps.get_value("width"), caps.get_value("height")
        ok, info = buffer.map(self.Gst.MapFlags.READ)
        if not ok:
            return
        data = bytes(info.data)
        buffer.unmap(info)
        if caps.get_value("format") != "BGRx" or len(data) != width * height * 4:
            self.error = f"{name}: a frame unlike BGRx without padding: {caps.to_string()}"
            return
        with self.lock:
            number = self.frames.get(name, (0,))[0] + 1
            self.frames[name] = (number, width, height, data)
            self.lock.notify_all()

    def picture(self, name, fresh=1.0, timeout=10):
        """The monitor's picture: a frame that came after this call where one comes within
        `fresh` seconds (the shell sends one only when something on it changed), else the
        last one; None when none came at all."""
        with self.lock:
            before = self.frames.get(name, (0,))[0]
            self.lock.wait_for(lambda: self.frames.get(name, (0,))[0] > before, fresh)
            self.lock.wait_for(lambda: name in self.frames, timeout)
            if name not in self.frames:
                return None
            _, width, height, data = self.frames[name]
        rgb = bytearray(width * height * 3)
        rgb[0::3] = data[2::4]
        rgb[1::3] = data[1::4]
        rgb[2::3] = data[0::4]
        return Picture(width, height, bytes(rgb))

    def close(self):
        for pipe in self.pipes:
            pipe.set_state(self.Gst.State.NULL)
        try:
            self._remote("Stop", None)  # the screen cast with it
        except self.GLib.Error:  # the shell is gone (killed by the test): nothing to stop
            pass
        self.loop.quit()
