"""A desktop for end-to-end tests, and Grantwell on it, driven as a person does.

The session is a real X server (Xvfb), a window manager (openbox), a D-Bus
session bus and the accessibility bus. Widgets are found through the AT-SPI
tree, by the names a screen reader reads; they are acted on with real X input
(xdotool, through XTEST) at their place on the screen, so the window's own
hit-testing, focus and drop handling are what is tested.
"""
import os
import shutil
import subprocess
import tempfile
import time

import pyatspi

DEFAULT_TIMEOUT = 10.0


def wait_for(condition, timeout=DEFAULT_TIMEOUT, interval=0.05, what="a condition"):
    """Polls CONDITION until it gives something true, and returns that."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            value = condition()
        except Exception:  # the tree changes under our feet while the app works
            value = None
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


class Desktop:
    """Xvfb + openbox + a session bus, for as long as the object lives."""

    def __init__(self, width=1280, height=1440):
        self.home = tempfile.mkdtemp(prefix="grantwell-e2e-")
        os.chmod(self.home, 0o755)
        self.processes = []
        display = self._free_display()
        self.env = dict(os.environ)
        for key in ("WAYLAND_DISPLAY", "SESSION_MANAGER", "QT_QPA_PLATFORM"):
            self.env.pop(key, None)
        runtime = os.path.join(self.home, "runtime")
        os.mkdir(runtime, 0o700)
        self.env.update({
            "DISPLAY": f":{display}",
            "HOME": self.home,
            "XDG_RUNTIME_DIR": runtime,
            "XDG_CONFIG_HOME": os.path.join(self.home, "config"),
            "XDG_DATA_HOME": os.path.join(self.home, "data"),
            "XDG_CACHE_HOME": os.path.join(self.home, "cache"),
            "NO_AT_BRIDGE": "0",
        })
        self._start(["Xvfb", f":{display}", "-screen", "0", f"{width}x{height}x24",
                     "-nolisten", "tcp"])
        wait_for(lambda: subprocess.run(["xdpyinfo"], env=self.env, capture_output=True)
                 .returncode == 0, what="the X server")
        bus = subprocess.run(["dbus-launch", "--sh-syntax"], env=self.env, capture_output=True,
                             text=True, check=True).stdout
        for line in bus.splitlines():
            if "=" in line and line.startswith("DBUS_SESSION_BUS"):
                key, value = line.split("=", 1)
                self.env[key] = value.rstrip(";").strip("'")
        self.bus_pid = int(self.env.get("DBUS_SESSION_BUS_PID", "0"))
        self._start(["openbox", "--sm-disable"])
        time.sleep(0.3)
        # pyatspi in this process talks to this session's accessibility bus.
        os.environ.update({k: self.env[k] for k in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS")})

    @staticmethod
    def _free_display():
        for number in range(90, 200):
            if not os.path.exists(f"/tmp/.X11-unix/X{number}") and \
                    not os.path.exists(f"/tmp/.X{number}-lock"):
                return number
        raise RuntimeError("no free X display number")

    def _start(self, argv):
        process = subprocess.Popen(argv, env=self.env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.processes.append(process)
        return process

    def close(self):
        for process in reversed(self.processes):
            process.terminate()
        for process in self.processes:
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
        if self.bus_pid:
            try:
                os.kill(self.bus_pid, 15)
            except ProcessLookupError:
                pass
        shutil.rmtree(self.home, ignore_errors=True)

    # Real input -----------------------------------------------------------

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True)

    def click_at(self, x, y, button=1):
        self.xdotool("mousemove", "--sync", x, y)
        time.sleep(0.05)
        self.xdotool("click", button)

    def key(self, *keys):
        for key in keys:
            self.xdotool("key", "--clearmodifiers", key)
            time.sleep(0.05)

    def type(self, text):
        self.xdotool("type", "--delay", 20, text)

    def screenshot(self, path):
        subprocess.run(["import", "-window", "root", path], env=self.env, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


# The accessibility tree ------------------------------------------------------

def extents(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def centre(node):
    x, y, w, h = extents(node)
    return x + w // 2, y + h // 2


def is_checked(node):
    return node.getState().contains(pyatspi.STATE_CHECKED)


def is_showing(node):
    states = node.getState()
    return states.contains(pyatspi.STATE_SHOWING) and states.contains(pyatspi.STATE_VISIBLE)


def descendants(node):
    stack = [node]
    while stack:
        current = stack.pop()
        if current is None:
            continue
        yield current
        try:
            count = current.childCount
        except Exception:
            continue
        for index in reversed(range(count)):
            try:
                stack.append(current.getChildAtIndex(index))
            except Exception:
                pass


def find_all(root, name=None, role=None, prefix=None, showing=True):
    found = []
    for node in descendants(root):
        try:
            if role is not None and node.getRoleName() != role:
                continue
            if name is not None and node.name != name:
                continue
            if prefix is not None and not (node.name or "").startswith(prefix):
                continue
            if showing and not is_showing(node):
                continue
            found.append(node)
        except Exception:
            continue
    return found


class Grantwell:
    """The installed program on the desktop."""

    def __init__(self, desktop, program, args=(), env=None, user=None):
        self.desktop = desktop
        environment = dict(desktop.env)
        environment.update({
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
            "ASAN_OPTIONS": "detect_leaks=0",
        })
        environment.update(env or {})
        argv = [program, *args]
        if user is not None:
            argv = ["setpriv", f"--reuid={user}", f"--regid={user}", "--clear-groups", *argv]
        self.log_path = os.path.join(desktop.home, f"grantwell-{time.monotonic_ns()}.log")
        self.log = open(self.log_path, "wb")
        self.process = subprocess.Popen(argv, env=environment, stdout=self.log,
                                        stderr=subprocess.STDOUT)
        self.app = wait_for(self._application, what="Grantwell in the accessibility tree")
        # The main window is the frame with the menu bar; its title names the item.
        self.window = wait_for(
            lambda: next((f for f in find_all(self.app, role="frame")
                          if find_all(f, role="menu bar")), None),
            what="Grantwell's window")
        time.sleep(0.3)

    def _application(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            if app is not None and app.name == "Grantwell" and \
                    app.get_process_id() == self.process.pid:
                return app
        return None

    def frame(self, title, prefix=False):
        for node in find_all(self.app, role="frame") + find_all(self.app, role="dialog"):
            if node.name == title or (prefix and node.name.startswith(title)):
                return node
        return None

    def find(self, name=None, role=None, prefix=None, root=None, timeout=DEFAULT_TIMEOUT):
        return wait_for(lambda: next(iter(find_all(root or self.app, name, role, prefix)), None),
                        timeout, what=f"{role or 'a widget'} named {name or prefix!r}")

    def x_windows(self):
        """The program's mapped X windows (menus and tooltips among them)."""
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid",
                                str(self.process.pid), ""], env=self.desktop.env,
                               capture_output=True, text=True).stdout
        return found.split()

    def click(self, node, button=1):
        self.desktop.click_at(*centre(node), button=button)

    def quit(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
        self.log.close()

    def output(self):
        with open(self.log_path, "rb") as log:
            return log.read().decode(errors="replace")
