"""A private headless KWin for the tests, with the programs that drive it: its own session
bus and a system bus (both dbus-daemon, from idle_harness), keys and a pointer through our
fake-input client, and pictures of each output through KWin's ScreenShot2."""
import atexit
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
for folder in ("integration", "wayland", "idle"):
    sys.path.insert(0, os.path.join(HERE, "..", folder))
from idle_harness import PrivateBus, read_line  # noqa: E402
from sway_harness import Picture, bright_centroid, centred, shows_fountain, wait_for  # noqa: E402

KWIN_INPUT = os.environ.get("TIVARO_KWIN_INPUT", "kwin_input")
KWIN_SHOT = os.environ.get("TIVARO_KWIN_SHOT", "kwin_shot")
SOCKET = "tivaro-kwin"


class KWin:
    """kwin_wayland --virtual with two outputs at scale 1.5, torn down at exit. Debian's
    binary carries a file capability that a container may refuse to exec, so a plain copy of
    it runs (a copy has no capability, and KWin needs none headless)."""

    def __init__(self, program, outputs=2, scale=1.5):
        self.runtime = tempfile.mkdtemp(prefix="tivaro-kwin.")
        os.chmod(self.runtime, 0o700)
        binary = os.path.join(self.runtime, "kwin_wayland")
        shutil.copyfile(program, binary)
        os.chmod(binary, 0o755)
        self.session, self.system = PrivateBus(), PrivateBus()
        self.env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": self.runtime,
                    "XDG_RUNTIME_DIR": self.runtime, "WAYLAND_DISPLAY": SOCKET,
                    "DBUS_SESSION_BUS_ADDRESS": self.session.address,
                    "DBUS_SYSTEM_BUS_ADDRESS": self.system.address}
        self.outputs = [f"Virtual-{i}" for i in range(outputs)]
        self._configure_outputs(scale)
        self.log = open(os.path.join(self.runtime, "kwin.log"), "wb")
        kwin_env = dict(self.env, KWIN_WAYLAND_NO_PERMISSION_CHECKS="1",
                        KWIN_SCREENSHOT_NO_PERMISSION_CHECKS="1")
        del kwin_env["WAYLAND_DISPLAY"]
        self.proc = subprocess.Popen(
            [binary, "--virtual", "--width", "1024", "--height", "768", "--output-count",
             str(outputs), "--scale", str(scale), "--socket", SOCKET, "--no-lockscreen",
             "--no-global-shortcuts", "--no-kactivities"],
            env=kwin_env, stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log,
            cwd=self.runtime)
        atexit.register(self.close)  # before the buses close: atexit runs last first

    def _configure_outputs(self, scale, size=(1024, 768)):
        """KWin 6 takes each output's scale and place from its own output configuration
        (~/.config/kwinoutputconfig.json), choosing 1 for outputs of no known physical size:
        --scale only sizes its virtual outputs' pixels. The configuration it would write,
        with our scale and the outputs side by side at their logical size. (KWin 5 reads no
        such file, and takes the scale from --scale.)"""
        pixels = {"width": round(size[0] * scale), "height": round(size[1] * scale),
                  "refreshRate": 60000}
        outputs = [{"connectorName": name, "mode": pixels, "scale": scale, "transform": "Normal",
                    "overscan": 0, "rgbRange": "Automatic", "vrrPolicy": "Never",
                    "highDynamicRange": False, "wideColorGamut": False, "brightness": 1,
                    "colorProfileSource": "sRGB", "iccProfilePath": "", "sdrBrightness": 200,
                    "sdrGamutWideness": 0, "autoRotation": "InTabletMode",
                    "allowSdrSoftwareBrightness": True,
                    "colorPowerTradeoff": "PreferEfficiency"} for name in self.outputs]
        setup = [{"enabled": True, "outputIndex": i, "position": {"x": i * size[0], "y": 0},
                  "priority": i} for i in range(len(self.outputs))]
        config = os.path.join(self.runtime, ".config")
        os.makedirs(config)
        with open(os.path.join(config, "kwinoutputconfig.json"), "w") as f:
            json.dump([{"name": "outputs", "data": outputs},
                       {"name": "setups", "data": [{"lidClosed": False, "outputs": setup}]}], f)

    def client_env(self):
        """What our clients need to reach this KWin and its buses, and no X display."""
        env = dict(os.environ, **self.env)
        env.pop("DISPLAY", None)
        return env

    def wait_up(self, timeout=30):
        """Whether KWin answers: its socket is there and it tells how it composites."""
        return wait_for(lambda: self.proc.poll() is None and
                        os.path.exists(os.path.join(self.runtime, SOCKET)) and
                        self.support("Compositing Type") is not None, timeout, step=0.3)

    def support(self, field):
        """A line of KWin's own support information ("KWin version", "Compositing Type"...),
        asked for with systemd's busctl; None while KWin does not answer."""
        info = self.bus_call("org.kde.KWin", "/KWin", "org.kde.KWin", "supportInformation")
        found = re.search(rf"\\n{re.escape(field)}: ([^\\]*)\\n", info or "")
        return found and found.group(1)

    def pictures(self, timeout=20):
        """Whether KWin takes pictures of its outputs (ScreenShot2, an effect that runs only
        where KWin composites with OpenGL): once it has given one."""
        return wait_for(lambda: grab(self.outputs[0], quiet=True) is not None, timeout, step=0.3)

    def bus_call(self, *call):
        """busctl's answer to a method call on KWin's session bus, or None."""
        answer = subprocess.run(["busctl", "--user", "call", *call], env=self.client_env(),
                                capture_output=True, text=True, timeout=10)
        return answer.stdout if answer.returncode == 0 else None

    def bus_names(self):
        """The names on KWin's session bus, as busctl lists them."""
        listed = subprocess.run(["busctl", "--user", "--no-pager", "--no-legend", "list"],
                                env=self.client_env(), capture_output=True, text=True,
                                timeout=10)
        return [line.split()[0] for line in listed.stdout.splitlines() if line.strip()]

    def log_tail(self, lines=20):
        with open(os.path.join(self.runtime, "kwin.log"), encoding="utf-8",
                  errors="replace") as f:
            return "".join(f.readlines()[-lines:])

    def kill(self):
        self.proc.send_signal(signal.SIGKILL)
        self.proc.wait()

    def close(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.kill()
        self.log.close()
        for bus in (self.session, self.system):
            bus.close()
            shutil.rmtree(bus.folder, ignore_errors=True)
        shutil.rmtree(self.runtime, ignore_errors=True)


def grab(output, cursor=False, path=None, quiet=False):
    """A picture of one output at device resolution (KWin's ScreenShot2, through kwin_shot),
    with the pointer drawn in when `cursor`; kept as a PPM file at path when one is given.
    None when KWin gave none."""
    shot = subprocess.run([KWIN_SHOT, output] + (["--cursor"] if cursor else []),
                          capture_output=True, timeout=20)
    if shot.returncode != 0:
        if not quiet:
            print(f"kwin_shot {output}: {shot.stderr.decode(errors='replace').strip()}")
        return None
    # kwin_shot writes "P6\nW H\n255\n" and then the pixels.
    header, _, raw = shot.stdout.partition(b"\n255\n")
    width, height = (int(v) for v in header.split()[1:3])
    if path:
        with open(path, "wb") as f:
            f.write(shot.stdout)
    return Picture(width, height, raw)


def grab_fountain(output, path=None, tries=5):
    """A picture that shows_fountain() accepts with its light centred, of up to `tries`
    (the spray now and then leans far to one side), or else the last one."""
    picture = None
    for _ in range(tries):
        picture = grab(output, path=path)
        if picture and shows_fountain(picture)[0] and centred(bright_centroid(picture)):
            break
        time.sleep(0.3)
    return picture


class Input:
    """kwin_input: keys and a pointer on KWin's seat, kept connected."""

    def __init__(self, env):
        self.proc = subprocess.Popen([KWIN_INPUT], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, text=True, bufsize=1, env=env)
        self.ready = read_line(self.proc.stdout, 5) == "ready"
        atexit.register(self.close)

    def send(self, command):
        """True once KWin has the command."""
        if self.proc.poll() is not None:
            return False
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()
        return read_line(self.proc.stdout, 5) == "ok"

    def key(self, code=30):
        """Presses and releases a key (evdev code; 30 is A)."""
        return self.send(f"key {code}")

    def close(self):
        if self.proc.poll() is None:
            self.proc.stdin.close()
            try:
                self.proc.wait(timeout=3)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
