"""A private X desktop (Xvfb, openbox, optionally trayer and a session bus) and a
person's hands on it: xdotool for keys and the mouse, xclip for the clipboard,
dbus-send for what the desktop announces, ImageMagick for pictures."""

import ctypes
import os
import re
import select
import shutil
import signal
import subprocess
import time

DEFAULT_TIMEOUT = 20.0
POLL = 0.05

TOOLS = ["Xvfb", "openbox", "xdotool", "xclip", "xwininfo", "xprop", "import", "convert",
         "dbus-daemon", "dbus-send"]

# A session bus of the desktop's own: nothing is started on demand, anyone may
# own any name and send anything.
SESSION_BUS_CONFIG = """<busconfig>
  <type>session</type>
  <listen>unix:dir=%s</listen>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


class E2EError(AssertionError):
    pass


class FaultSeen(E2EError):
    """A step marked with known_fault saw that fault again."""


def known_fault(reason):
    """Marks a step that shows a fault not fixed yet: seeing it again is
    reported, not failed; the step passing means the mark must go."""
    def mark(step):
        step.known_fault = reason
        return step
    return mark


def missing_tools(tray=True):
    return [t for t in TOOLS + (["trayer"] if tray else []) if shutil.which(t) is None]


def wait_until(condition, what, timeout=DEFAULT_TIMEOUT):
    """Polls condition until it returns a true value, which is returned."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise E2EError("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(POLL)


def _die_with_parent():
    # Should this runner be killed outright (no finally runs then), the
    # kernel ends its children too.
    try:
        ctypes.CDLL(None).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG
    except (AttributeError, OSError):
        pass


class Process:
    """A child in its own process group, so stopping it takes its children too."""

    def __init__(self, name, argv, env, cwd=None, log_path=None, pass_fds=()):
        self.name = name
        self.log = open(log_path, "ab") if log_path else subprocess.DEVNULL
        self.popen = subprocess.Popen(argv, env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                                      stdout=self.log, stderr=subprocess.STDOUT,
                                      start_new_session=True, pass_fds=pass_fds,
                                      preexec_fn=_die_with_parent)

    @property
    def pid(self):
        return self.popen.pid

    def running(self):
        return self.popen.poll() is None

    def wait_exit(self, timeout=DEFAULT_TIMEOUT):
        try:
            return self.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            raise E2EError("%s did not end within %.0f s" % (self.name, timeout)) from None

    def stop(self):
        # Only while the child is alive: its id then still names the group made here.
        if self.running():
            for sig, grace in ((signal.SIGTERM, 5), (signal.SIGKILL, 5)):
                try:
                    os.killpg(self.popen.pid, sig)
                except ProcessLookupError:
                    break
                try:
                    self.popen.wait(grace)
                    break
                except subprocess.TimeoutExpired:
                    continue
        if self.log is not subprocess.DEVNULL:
            self.log.close()
            self.log = subprocess.DEVNULL


_TREE_LINE = re.compile(
    r'^\s*(0x[0-9a-f]+) (?:"(.*)"|\(has no name\)): \("([^"]*)" "([^"]*)"\)\s+'
    r'(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+\+?(-?\d+)\+?(-?\d+)')


class Desktop:
    """One X server with a window manager; every process it starts is stopped by close().
    Programs find no session bus until start_session_bus(), and never a system bus."""

    def __init__(self, work_dir, tray, log):
        self.work_dir = work_dir
        self.tray = tray
        self.log = log
        self.processes = []
        self.display = None
        home = os.path.join(work_dir, "home")
        runtime = os.path.join(work_dir, "runtime")
        for d in (home, runtime):
            os.makedirs(d, exist_ok=True)
        os.chmod(runtime, 0o700)
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("QT_", "XDG_", "DBUS_", "WAYLAND_"))}
        # A home of its own: Qt's file dialog remembers folders there, and
        # nothing the user has configured may change what the program shows.
        env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   XDG_RUNTIME_DIR=runtime, LC_ALL="C.UTF-8", LANG="C.UTF-8",
                   QT_QPA_PLATFORM="xcb")
        env.pop("DISPLAY", None)
        # Addresses where no bus listens: nothing of the machine's own buses
        # reaches the program, and no bus is started for it behind the scenes.
        for bus in ("SESSION", "SYSTEM"):
            env["DBUS_%s_BUS_ADDRESS" % bus] = "unix:path=%s" % os.path.join(
                work_dir, "no-%s-bus" % bus.lower())
        self.env = env

    # ---- start and stop -------------------------------------------------------

    def start(self):
        self.display = ":" + self._start_server(
            "Xvfb", ["Xvfb", "-displayfd", "{fd}", "-screen", "0", "1280x800x24", "-nolisten",
                     "tcp", "-noreset"], "its display")
        self.env["DISPLAY"] = self.display
        self.log("X server on %s" % self.display)
        self._spawn("openbox", ["openbox", "--sm-disable"])
        wait_until(lambda: "window id" in self._run(["xprop", "-root",
                                                     "_NET_SUPPORTING_WM_CHECK"], check=False),
                   "the window manager")
        if self.tray:
            self._start_tray()

    def _start_tray(self):
        # Now and then trayer, started while openbox is still settling, never
        # shows its panel; a second one does.
        for attempt in range(1, 4):
            trayer = self._spawn("trayer", ["trayer", "--edge", "top", "--align", "right",
                                            "--widthtype", "request", "--height", "24",
                                            "--SetDockType", "true", "--transparent", "false"])
            try:
                # The panel is shown once trayer owns the notification area.
                wait_until(lambda: self._run(["xdotool", "search", "--onlyvisible", "--class",
                                              "trayer"], check=False).strip(),
                           "the notification area", timeout=3)
                return
            except E2EError:
                self.log("trayer showed no panel (attempt %d)" % attempt)
                trayer.stop()
                self.processes.remove(trayer)
        raise E2EError("trayer never showed its panel")

    def start_session_bus(self):
        """A session bus for the programs started from now on."""
        config = os.path.join(self.work_dir, "session-bus.conf")
        with open(config, "w") as f:
            f.write(SESSION_BUS_CONFIG % self.work_dir)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self._start_server(
            "dbus-daemon", ["dbus-daemon", "--config-file=" + config, "--nofork",
                            "--print-address={fd}"], "its address")

    def _start_server(self, name, argv, what):
        """Starts a server that writes one line (what) to the descriptor in place of
        {fd} in argv once it is ready; returns that line."""
        read_end, write_end = os.pipe()
        try:
            self._spawn(name, [a.replace("{fd}", str(write_end)) for a in argv],
                        pass_fds=(write_end,))
            os.close(write_end)
            write_end = None
            return self._read_line(read_end, name, what)
        finally:
            os.close(read_end)
            if write_end is not None:
                os.close(write_end)

    def _read_line(self, fd, name, what):
        data = b""
        deadline = time.monotonic() + DEFAULT_TIMEOUT
        while not data.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([fd], [], [], left)[0]:
                raise E2EError("%s did not report %s" % (name, what))
            chunk = os.read(fd, 256)
            if not chunk:
                raise E2EError("%s ended before it reported %s" % (name, what))
            data += chunk
        return data.decode().strip()

    def _spawn(self, name, argv, pass_fds=()):
        p = Process(name, argv, self.env, log_path=os.path.join(self.work_dir, name + ".log"),
                    pass_fds=pass_fds)
        self.processes.append(p)
        return p

    def launch(self, program_dir, name="vorrel", cwd=None):
        """Starts the program as a person would: from its own folder, unless
        another working folder is given."""
        p = Process(name, [os.path.join(program_dir, "vorrel")], self.env,
                    cwd=cwd or program_dir, log_path=os.path.join(self.work_dir, "vorrel.log"))
        self.processes.append(p)
        self.log("started the program (pid %d)" % p.pid)
        return p

    def close(self):
        for p in reversed(self.processes):
            p.stop()
        self.processes = []

    # ---- commands -------------------------------------------------------------

    def _run(self, argv, check=True, timeout=DEFAULT_TIMEOUT, binary=False):
        try:
            r = subprocess.run(argv, env=self.env, stdin=subprocess.DEVNULL,
                               capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            raise E2EError("%s did not answer within %.0f s" % (argv[0], timeout)) from None
        if check and r.returncode != 0:
            raise E2EError("%s failed (%d): %s" % (" ".join(argv), r.returncode,
                                                   r.stderr.decode(errors="replace").strip()))
        return r.stdout if binary else r.stdout.decode(errors="replace")

    def xdotool(self, *args, check=True):
        return self._run(["xdotool"] + [str(a) for a in args], check=check)

    # ---- windows --------------------------------------------------------------

    def find(self, name):
        """Visible windows whose whole title is name."""
        out = self.xdotool("search", "--onlyvisible", "--name", "^%s$" % re.escape(name),
                           check=False)
        return [int(w) for w in out.split()]

    def wait_window(self, name, timeout=DEFAULT_TIMEOUT):
        """Waits for a visible window titled name, then for it to be the active one."""
        # Polled with single searches rather than one "search --sync": a window
        # that closes while xdotool walks the tree makes that xdotool fail.
        wid = wait_until(lambda: (self.find(name) or [None])[0], "window %r" % name, timeout)
        self.log("window %r is 0x%x" % (name, wid))
        self.activate(wid)
        return wid

    def wait_gone(self, name, timeout=DEFAULT_TIMEOUT):
        wait_until(lambda: not self.find(name), "window %r to close" % name, timeout)

    def activate(self, wid):
        self.xdotool("windowactivate", "--sync", wid, check=False)
        wait_until(lambda: self.active_window() == wid, "window 0x%x to be active" % wid)

    def active_window(self):
        out = self.xdotool("getactivewindow", check=False).strip()
        return int(out) if out.isdigit() else None

    def geometry(self, wid):
        """(x, y, width, height) of the window's inside, on the screen."""
        # xwininfo, not xdotool: under a reparenting window manager xdotool
        # adds the frame's offset twice.
        out = self._run(["xwininfo", "-id", str(wid)])

        def field(label):
            m = re.search(r"%s:\s+(-?\d+)" % label, out)
            if not m:
                raise E2EError("xwininfo gave no %s for 0x%x" % (label, wid))
            return int(m.group(1))
        return (field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                field("Height"))

    def viewable(self, wid):
        out = self._run(["xwininfo", "-id", str(wid)], check=False)
        return "Map State: IsViewable" in out

    def wm_state(self, wid):
        """The ICCCM state the window manager gave the window: Normal, Iconic or None."""
        out = self._run(["xprop", "-id", str(wid), "WM_STATE"], check=False)
        m = re.search(r"window state: (\w+)", out)
        return m.group(1) if m else None

    def menus(self):
        """The program's open popup menus: shown windows straight on the root
        window that the window manager does not handle, tooltips aside."""
        found = []
        for line in self._run(["xwininfo", "-root", "-children"]).splitlines():
            m = _TREE_LINE.match(line)
            if not m or m.group(4).lower() != "vorrel":
                continue
            wid = int(m.group(1), 16)
            info = self._run(["xwininfo", "-id", str(wid)], check=False)
            if "IsViewable" not in info or "Override Redirect State: yes" not in info:
                continue
            kind = self._run(["xprop", "-id", str(wid), "_NET_WM_WINDOW_TYPE"], check=False)
            if "TOOLTIP" not in kind:
                found.append(wid)
        return found

    def wait_menu(self, timeout=DEFAULT_TIMEOUT):
        """Waits for a popup menu, so the keys that follow reach it."""
        return wait_until(self.menus, "a menu to open", timeout)

    def click_for_menu(self, wid, x, y, button):
        """Clicks until a menu opens: a click that lands while the window
        manager moves the focus about opens a menu that closes at once."""
        for _ in range(3):
            self.click(wid, x, y, button)
            try:
                return self.wait_menu(timeout=3)
            except E2EError:
                self.log("no menu opened; clicking again")
        raise E2EError("no menu opened after three clicks")

    def minimize(self, wid):
        self.xdotool("windowminimize", "--sync", wid)

    def windows_of_class(self, cls):
        """(id, name, width, height, x, y) of every window of that class, mapped or not."""
        found = []
        for line in self._run(["xwininfo", "-root", "-tree"]).splitlines():
            m = _TREE_LINE.match(line)
            if m and m.group(4).lower() == cls.lower():
                found.append((int(m.group(1), 16), m.group(2) or "", int(m.group(5)),
                              int(m.group(6)), int(m.group(7)), int(m.group(8))))
        return found

    def tray_icon(self):
        """The program's icon in the notification area."""
        def icon():
            for wid, _, w, h, _, _ in self.windows_of_class("vorrel"):
                if w <= 64 and h <= 64 and w > 4 and self.viewable(wid):
                    return wid
            return None
        return wait_until(icon, "the program's icon in the notification area")

    # ---- hands ----------------------------------------------------------------

    def key(self, *keys):
        self.log("keys " + " ".join(keys))
        self.xdotool("key", "--delay", "40", *keys)

    def type(self, text):
        self.log("types %r" % text)
        # A character the keyboard lacks is typed on a spare key bound to it for
        # the moment; the program must read that binding before the next one.
        self.xdotool("type", "--delay", "25" if text.isascii() else "150", text)

    def click(self, wid, x, y, button=1):
        """A click at (x, y) inside the window."""
        self.log("clicks button %d at %d,%d of 0x%x" % (button, x, y, wid))
        left, top, _, _ = self.geometry(wid)
        self.move_mouse(left + x, top + y)
        self.xdotool("click", button)

    def move_mouse(self, x, y):
        # xdotool's own --sync waits long when the pointer is there already.
        self.xdotool("mousemove", x, y)
        wait_until(lambda: "x:%d y:%d " % (x, y) in self.xdotool("getmouselocation"),
                   "the pointer to reach %d,%d" % (x, y))

    def clipboard(self, selection="clipboard", target=None):
        """The text a selection holds (empty when nobody holds it), or its list of types."""
        argv = ["xclip", "-o", "-selection", selection] + (["-t", target] if target else [])
        return self._run(argv, check=False, timeout=5, binary=True)

    # ---- the desktop's announcements ---------------------------------------------

    def lock_screen(self):
        """What a screen locker says on the session bus as it locks the screen."""
        self.log("the screen saver becomes active")
        self._run(["dbus-send", "--session", "--type=signal", "/org/freedesktop/ScreenSaver",
                   "org.freedesktop.ScreenSaver.ActiveChanged", "boolean:true"])

    # ---- pictures ---------------------------------------------------------------

    def capture(self, wid, as_seen=False):
        if not as_seen:
            return self._run(["import", "-window", str(wid), "png:-"], binary=True)
        x, y, w, h = self.geometry(wid)
        return self._run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y),
                          "+repage", "png:-"], binary=True)

    def park_mouse(self):
        """The pointer to the screen's corner, where it raises no tooltip."""
        self.move_mouse(0, 799)

    def screenshot(self, wid, path, as_seen=False):
        """Saves the window once two captures in a row agree (painting is done);
        as_seen: its place on the screen, with the windows over it."""
        self.park_mouse()
        previous = None

        def settled():
            nonlocal previous
            image = self.capture(wid, as_seen)
            same = image == previous
            previous = image
            return same
        wait_until(settled, "window 0x%x to finish painting" % wid, timeout=5)
        with open(path, "wb") as f:
            f.write(previous)
        self.log("screenshot " + path)
        return path

    def captures(self, wid, span=1.2):
        """Every different picture of the window over a span longer than a
        text cursor's blink."""
        pictures = set()
        end = time.monotonic() + span
        while time.monotonic() < end:
            pictures.add(self.capture(wid))
            time.sleep(0.1)
        return pictures

    def screenshot_root(self, path):
        with open(path, "wb") as f:
            f.write(self._run(["import", "-window", "root", "png:-"], binary=True))

    def colours(self, wid, x, y, w, h):
        """How many different colours the window shows in that rectangle."""
        r = subprocess.run(["convert", "png:-", "-crop", "%dx%d+%d+%d" % (w, h, x, y),
                            "+repage", "-format", "%k", "info:"], input=self.capture(wid),
                           capture_output=True, timeout=DEFAULT_TIMEOUT, check=True)
        return int(r.stdout.decode().strip())

    # ---- icons ------------------------------------------------------------------

    def window_icons(self, wid):
        """The pictures of the window's _NET_WM_ICON: {(w, h): [ARGB, ...]}."""
        out = self._run(["xprop", "-len", "4000000", "-id", str(wid), "-notype",
                         "-f", "_NET_WM_ICON", "32c", "_NET_WM_ICON"], check=False)
        if "=" not in out:
            return {}
        values = [int(v) for v in out.split("=", 1)[1].replace(",", " ").split()]
        icons = {}
        i = 0
        while i + 2 <= len(values):
            w, h = values[i], values[i + 1]
            icons[(w, h)] = values[i + 2:i + 2 + w * h]
            i += 2 + w * h
        return icons

    def png_argb(self, path):
        r = subprocess.run(["convert", path, "-depth", "8", "rgba:-"], capture_output=True,
                           timeout=DEFAULT_TIMEOUT, check=True)
        data = r.stdout
        return [(data[i + 3] << 24) | (data[i] << 16) | (data[i + 1] << 8) | data[i + 2]
                for i in range(0, len(data), 4)]


def same_pictures(a, b):
    """ARGB pictures alike, allowing what premultiplied alpha rounds away."""
    if len(a) != len(b):
        return False
    for p, q in zip(a, b):
        alpha_p, alpha_q = p >> 24, q >> 24
        if abs(alpha_p - alpha_q) > 1:
            return False
        if alpha_p == 0:
            continue
        slack = 255 // alpha_p + 1
        for shift in (16, 8, 0):
            if abs(((p >> shift) & 0xFF) - ((q >> shift) & 0xFF)) > slack:
                return False
    return True
