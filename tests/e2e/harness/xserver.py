"""A virtual X screen of the run's own, and the mouse and eyes on it (xdotool, xwd).

There is no window manager on this screen: X windows sit exactly where the program puts
them, and whatever frame a window has is drawn by the program (Wine) inside it.
"""
import os
import select
import subprocess
import time

from .image import Screenshot
from .proc import HarnessError, process_alive, run, stop_process

FIRST_DISPLAY = 91
DISPLAYS_TO_TRY = 100
START_SECONDS = 15


def display_taken(number):
    """True when a live X server holds the display's lock file."""
    try:
        with open(f"/tmp/.X{number}-lock") as lock:
            pid = int(lock.read().strip() or 0)
    except (OSError, ValueError):
        return os.path.exists(f"/tmp/.X11-unix/X{number}")
    return pid > 0 and process_alive(pid)


class VirtualDisplay:
    def __init__(self, width=1024, height=768, depth=24, log_path=os.devnull):
        self.width, self.height, self.depth = width, height, depth
        self.log_path = log_path
        self.number = None
        self._server = None

    @property
    def name(self):
        return f":{self.number}"

    @property
    def env(self):
        return {"DISPLAY": self.name}

    @property
    def pid(self):
        """Process id of the X server, or None before it is started."""
        return self._server.pid if self._server is not None else None

    def start(self):
        for number in range(FIRST_DISPLAY, FIRST_DISPLAY + DISPLAYS_TO_TRY):
            if not display_taken(number) and self._try_start(number):
                self.number = number
                return self
        raise HarnessError(f"no free X display between :{FIRST_DISPLAY} and "
                           f":{FIRST_DISPLAY + DISPLAYS_TO_TRY - 1} (see {self.log_path})")

    def _try_start(self, number):
        """Starts Xvfb on one display number; False if that number turned out to be taken."""
        ready_read, ready_write = os.pipe()
        argv = ["Xvfb", f":{number}", "-screen", "0", f"{self.width}x{self.height}x{self.depth}",
                "-nolisten", "tcp", "-noreset", "-displayfd", str(ready_write)]
        try:
            with open(self.log_path, "ab") as log:
                server = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                          pass_fds=(ready_write,))
        except FileNotFoundError:
            raise HarnessError("Xvfb not found: install the Debian package xvfb") from None
        finally:
            os.close(ready_write)
        # Xvfb writes the display number to the pipe once it accepts clients. The pipe stays
        # open as long as the server runs: Xvfb may write to it again later, and a write to a
        # closed pipe is fatal to it.
        deadline = time.monotonic() + START_SECONDS
        while time.monotonic() < deadline:
            ready, _, _ = select.select([ready_read], [], [], 0.1)
            if ready and os.read(ready_read, 16).strip():
                self._server, self._ready_pipe = server, ready_read
                return True
            if server.poll() is not None:
                os.close(ready_read)
                return False  # lost the race for this number to another server
        stop_process(server)
        os.close(ready_read)
        raise HarnessError(f"Xvfb :{number} did not become ready within {START_SECONDS} s "
                           f"(see {self.log_path})")

    def stop(self):
        if self._server is not None:
            stop_process(self._server)
            os.close(self._ready_pipe)
            self._server = None

    # --- looking -----------------------------------------------------------------------

    def xdotool(self, *args, timeout=10, check=True):
        return run(["xdotool", *args], env=self._env(), timeout=timeout, check=check)

    def find_windows(self, title):
        """X window ids of the mapped windows whose title is exactly `title`."""
        code, out, _ = self.xdotool("search", "--onlyvisible", "--name", f"^{title}$", check=False)
        return [int(line) for line in out.split()] if code == 0 else []

    def watch_mapped_windows(self, log_path):
        """Starts noting every window that is mapped on this screen from now on (xev on the
        root window); returns a function that stops and gives how many were."""
        with open(log_path, "wb") as log:
            watcher = subprocess.Popen(["xev", "-root", "-event", "substructure"], env=self._env(),
                                       stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        # xev prints nothing until an event comes: give it the moment it takes to connect.
        time.sleep(0.5)

        def stop():
            stop_process(watcher, grace=2)
            with open(log_path, errors="replace") as log:
                return log.read().count("MapNotify event")
        return stop

    def window_geometry(self, window_id):
        """(x, y, width, height) of an X window, position relative to the screen."""
        _, out, _ = self.xdotool("getwindowgeometry", "--shell", str(window_id))
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return tuple(int(values[key]) for key in ("X", "Y", "WIDTH", "HEIGHT"))

    def screenshot(self, timeout=20, attempts=3):
        """The whole screen as it is now.

        xwd walks the tree of windows before it reads the pixels, and fails when a window is
        destroyed meanwhile (a program closing while it is watched): then it is asked again.
        """
        for _ in range(attempts):
            data = self._dump_screen(timeout)
            if data is not None:
                return Screenshot.from_xwd(data)
        raise HarnessError(f"xwd failed {attempts} times in a row")

    def _dump_screen(self, timeout):
        """The screen as an X window dump, or None if xwd failed."""
        dump = os.path.join(os.path.dirname(self.log_path) or ".", f"screen-{self.number}.xwd")
        with open(dump, "wb") as out:
            try:
                child = subprocess.Popen(["xwd", "-root", "-silent"], env=self._env(),
                                         stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL)
            except FileNotFoundError:
                raise HarnessError("xwd not found: install the Debian package x11-apps") from None
            try:
                code = child.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                child.kill()
                child.wait()
                raise HarnessError(f"xwd did not capture the screen within {timeout} s")
        with open(dump, "rb") as data:
            content = data.read()
        os.unlink(dump)
        return content if code == 0 else None

    def set_root_picture(self, picture, work_dir):
        """Shows `picture` (a Screenshot of the screen's size) on the root window, where no
        window covers it. ImageMagick's display sets it as the root's background; its exit
        code is not telling on a screen without a window manager, so the screen is looked at.
        """
        if (picture.width, picture.height) != (self.width, self.height):
            raise HarnessError(f"a root picture must be {self.width} x {self.height}")
        path = os.path.join(work_dir, "root-picture.ppm")
        with open(path, "wb") as out:
            out.write(picture.to_ppm())
        # "display" is ImageMagick's (Debian package imagemagick).
        run(["display", "-window", "root", path], env=self._env(), timeout=30, check=False)
        if self.screenshot().rgb != picture.rgb:
            raise HarnessError("the root window does not show the picture it was given")

    # --- the mouse -----------------------------------------------------------------------

    def mouse_move(self, x, y):
        # No --sync: it waits for motion, and a move to where the pointer already is never comes.
        self.xdotool("mousemove", str(x), str(y))

    def mouse_down(self, button=1):
        self.xdotool("mousedown", str(button))

    def mouse_up(self, button=1):
        self.xdotool("mouseup", str(button))

    def click(self, x, y, button=1):
        self.mouse_move(x, y)
        self.xdotool("click", str(button))

    def key(self, name):
        """Presses and releases a key (an xdotool key name such as Return or Escape) in the
        window that has the keyboard focus."""
        self.xdotool("key", name)

    def drag(self, start, end, steps=10, pause=0.02):
        """Presses at `start`, moves in steps to `end`, releases there."""
        self.mouse_move(*start)
        self.mouse_down()
        for step in range(1, steps + 1):
            self.mouse_move(start[0] + (end[0] - start[0]) * step // steps,
                            start[1] + (end[1] - start[1]) * step // steps)
            time.sleep(pause)
        self.mouse_up()

    def _env(self):
        if self.number is None:
            raise HarnessError("the virtual display has not been started")
        env = dict(os.environ)
        env.update(self.env)
        return env
