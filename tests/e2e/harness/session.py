"""A session: one virtual screen, one Wine server, one audio capture, one program.

Tests build on this class; everything it starts it also ends, and only that.
"""
import collections
import os
import shutil
import time

from .audio import AudioCapture
from .proc import HarnessError, wait_until
from .image import Screenshot
from .wine import Program, TestCtl, WinePrefix, windows_path
from .xserver import VirtualDisplay

WINDOW_TITLE = "ZAV Installer"
WM_CLOSE = 0x0010
WM_NCHITTEST = 0x0084
HTCAPTION = 2
# A point of the window's background, clear of the buttons, the scroller and the status line.
BACKGROUND_POINT = (300, 90)

Rect = collections.namedtuple("Rect", "x y width height")
Button = collections.namedtuple("Button", "id rect style class_name text")
WindowState = collections.namedtuple("WindowState", "window client style ex_style class_style visible pid")


class Session:
    def __init__(self, config, name, screen=(1024, 768), audio=True, dpi=96, animations=True):
        self.config = config
        self.dpi = dpi
        self.animations = animations
        self.name = name
        self.screen = screen
        self.work_dir = os.path.join(config.work_dir, name)
        self.prefix = WinePrefix(config.prefix)
        self.display = None
        self.audio = AudioCapture(self.work_dir, config.alsa_capture) if audio else None
        self.program = None
        self.testctl = None
        self.prefix_seconds = 0.0
        self.window_title = WINDOW_TITLE  # an installer packed with --product has its own

    # --- start and end ---------------------------------------------------------------

    def start(self):
        """Takes the prefix, starts the screen and the audio capture. Returns self."""
        try:
            self.prefix.lock()
            # Only after the lock: a session of the same name may still be writing there.
            shutil.rmtree(self.work_dir, ignore_errors=True)
            os.makedirs(self.work_dir)
            self.prefix_seconds = self.prefix.ensure(log=self.log)
            # A server left by a run that was killed would still show on its dead screen.
            self.prefix.kill_server()
            self.prefix.set_window_management(False)  # no window manager on a virtual screen
            # Every session says what it needs, so that one that ended early leaves no trace.
            self.prefix.set_dpi(self.dpi)
            self.display = VirtualDisplay(*self.screen, log_path=self.path("xvfb.log")).start()
            if self.audio:
                self.audio.start()
            self.testctl = TestCtl(self.config.testctl, self.env())
            self.prefix.set_animations(self.animations, self.testctl)
        except BaseException:
            self.close()
            raise
        return self

    def close(self):
        """Ends the program (WM_CLOSE first, then by force), Wine, the capture and the screen.

        Every step is tried even if one before failed; the first failure is raised at the end.
        Returns the program's exit code, or None if no program was started. Closing twice is
        harmless.
        """
        failures = []

        def attempt(step):
            try:
                return step()
            except Exception as error:  # the other steps must still run
                self.log(f"cleanup step {step.__name__} failed: {error}")
                failures.append(error)
                return None

        code = attempt(self._end_program)
        for step in (self._end_wine, self._end_audio, self._end_display, self.prefix.unlock):
            attempt(step)
        if failures:
            raise failures[0]
        return code

    def _end_wine(self):
        if self.display is not None:
            self.prefix.kill_server()

    def _end_audio(self):
        if self.audio:
            self.audio.stop()

    def _end_display(self):
        if self.display is not None:
            self.display.stop()
            self.display = None

    def _end_program(self):
        if self.program is None:
            return None
        if self.program.running and self.testctl is not None:
            try:
                code, _ = self.testctl.call("close", timeout=10)
                if code == 0:
                    return self.program.wait_exit(timeout=10)
                self.log("the program has no window to close; killing it")
            except HarnessError as error:
                self.log(f"closing politely failed ({error}); killing the program")
        if self.program.running:
            self.program.kill()
        return self.program.process.returncode

    def __enter__(self):
        return self.start()

    def __exit__(self, *_):
        self.close()

    # --- the program -------------------------------------------------------------------

    def env(self, **extra):
        """Environment for anything run in this session: prefix, screen, audio device."""
        parts = [self.display.env]
        if self.audio:
            parts.append(self.audio.env)
        parts.append(extra)
        return self.prefix.full_env(*parts)

    def start_program(self, exe=None, args=(), wait_for_window=True, timeout=30, cwd=None, env=None):
        """Starts the installer (or `exe`), in the folder `cwd` and with the variables `env` added
        if given, and by default waits for its window to show."""
        if self.program is not None and self.program.running:
            raise HarnessError("this session already runs a program")
        exe = exe or self.config.program
        self.program = Program(exe, self.env(**(env or {})), self.path("program.log"), args, cwd)
        if wait_for_window:
            self.wait_for_window(timeout)
        return self.program

    def wait_for_window(self, timeout=30):
        """X window id of the program's window, once it is mapped on the screen."""
        def shown():
            if self.program is not None and not self.program.running:
                raise HarnessError(f"the program ended with exit code {self.program.process.returncode} "
                                   f"before its window showed:\n{self.program.log_tail()}")
            windows = self.display.find_windows(self.window_title)
            return windows[0] if windows else None
        return wait_until(shown, timeout, f'the window "{self.window_title}" to show', interval=0.1)

    def wait_exit(self, timeout=10):
        """Exit code of the program; an error if it is still running after `timeout` seconds."""
        return self.program.wait_exit(timeout)

    # --- looking at the window from inside Wine ----------------------------------------

    def window_state(self):
        """Rectangles (screen coordinates), styles and process of the main window, or None."""
        lines = self._facts("rect")
        if lines is None:
            return None
        facts = {line[0]: line[1:] for line in lines}
        return WindowState(
            window=Rect(*map(int, facts["window"])),
            client=Rect(*map(int, facts["client"])),
            style=int(facts["style"][0], 16),
            ex_style=int(facts["exstyle"][0], 16),
            class_style=int(facts["classstyle"][0], 16),
            visible=facts["visible"][0] == "1",
            pid=int(facts["pid"][0]))

    def buttons(self):
        """The main window's child controls, in creation order; rectangles in client coordinates."""
        lines = self._facts("buttons")
        if lines is None:
            return None
        return [Button(int(line[1]), Rect(*map(int, line[2:6])), int(line[6], 16), line[7], " ".join(line[8:]))
                for line in lines if line[0] == "button"]

    def focus(self):
        """The id of the control that has the keyboard focus (0 none), or None without a window."""
        lines = self._facts("focus")
        return None if lines is None else int(lines[0][1])

    def close_window(self):
        """Posts WM_CLOSE to the main window; False if there is no window."""
        code, _ = self.testctl.call("close")
        return code == 0

    def post(self, message, wparam=0, lparam=0):
        code, _ = self.testctl.call("post", message, wparam, lparam)
        return code == 0

    def send(self, message, wparam=0, lparam=0):
        """Result of a sent message, or None when there is no window."""
        lines = self._facts("send", message, wparam, lparam)
        return None if lines is None else int(lines[0][1])

    def dialogs(self, close=False):
        """(class, title) of each visible top-level window of the program other than its main
        window, such as a dialog a button opened; with `close`, each is sent WM_CLOSE. None
        when there is no main window."""
        lines = self._facts("close-dialogs" if close else "dialogs")
        if lines is None:
            return None
        return [(line[1], " ".join(line[2:])) for line in lines if line[0] == "dialog"]

    def can_be_dragged(self):
        """True once the window answers a hit test on its background as a caption (after its
        fade-in); None when there is no window. The hit test also clears the hot button, as
        any mouse move over the background does."""
        x, y = self.on_screen(*BACKGROUND_POINT)
        result = self.send(WM_NCHITTEST, 0, (y << 16) | x)
        return None if result is None else result == HTCAPTION

    def wait_until_draggable(self, timeout=30):
        def draggable():
            if not self.program.running:
                raise HarnessError(f"the program ended with exit code {self.program.process.returncode}")
            return self.can_be_dragged()
        wait_until(draggable, timeout, "the window to become draggable (its fade-in to end)", interval=0.05)

    def post_and_time_exit(self, message, wparam=0, lparam=0, seconds=10, while_waiting=None):
        """Hit-tests the background, posts the message, and times the program's end from inside
        Wine; `while_waiting()`, if given, runs meanwhile. Facts: hittest, exit-ms (None if the
        program still ran after `seconds`), exit-code."""
        if self.testctl is None:
            raise HarnessError("the session has not been started")
        helper = self.testctl.start("post-wait", message, wparam, lparam, seconds,
                                    output_path=self.path("post-wait.txt"))
        try:
            if while_waiting is not None:
                while_waiting()
            return _exit_facts(helper.finish(timeout=seconds + 60))
        finally:
            helper.stop()

    def start_program_and_post_at_once(self, message, wparam=0, lparam=0, seconds=10):
        """Starts the program with a helper already waiting for its window, which posts the
        message the instant the window exists (it waits up to a minute for it) and times the
        program's end. Facts: unseen-us (how long the window can have existed when the message
        went out), exit-ms, exit-code."""
        if self.testctl is None:
            raise HarnessError("the session has not been started")
        helper = self.testctl.start("race-post", message, wparam, lparam, seconds,
                                    output_path=self.path("race-post.txt"))
        try:
            helper.wait_for_line("waiting", timeout=30)
            self.start_program(wait_for_window=False)
            return _exit_facts(helper.finish(timeout=seconds + 90))
        finally:
            helper.stop()

    def decode_picture(self, path):
        """A JPEG file's pixels as the platform's picture loader inside Wine decodes them."""
        out = self.path(os.path.basename(path) + ".bgra")
        lines = self._facts("decode", windows_path(path), windows_path(out))
        size = dict((line[0], line[1:]) for line in lines or []).get("size")
        if not size:
            raise HarnessError(f"zav-testctl could not decode {path}")
        with open(out, "rb") as data:
            return Screenshot.from_bgra(int(size[0]), int(size[1]), data.read())

    def paint_screen(self, picture):
        """Shows a picture of the screen's size where no window covers the screen."""
        self.display.set_root_picture(picture, self.work_dir)

    def info_dialog(self):
        """The open info dialog as {"dialog": Rect, "edit": Rect, "first": int, "lines": int,
        "length": int, "edit-style": int, "dialog-style": int} (screen coordinates), or None
        when no info dialog is open."""
        lines = self._facts("info-dialog")
        if lines is None:
            return None
        facts = {line[0]: line[1:] for line in lines}
        info = {name: Rect(*map(int, facts[name])) for name in ("dialog", "edit")}
        info.update({name: int(facts[name][0]) for name in ("first", "lines", "length")})
        info.update({name: int(facts[name][0], 16) for name in ("edit-style", "dialog-style")})
        return info

    def _facts(self, *args, timeout=30):
        if self.testctl is None:
            raise HarnessError("the session has not been started")
        return self.testctl.facts(*args, timeout=timeout)

    # --- looking and listening from outside ----------------------------------------------

    def screenshot(self, save_as=None):
        """The whole virtual screen; also written as PNG when `save_as` names a file."""
        picture = self.display.screenshot()
        if save_as:
            picture.save_png(save_as if os.path.isabs(save_as) else self.path(save_as))
        return picture

    def window_picture(self, save_as=None):
        """The program's window as it shows on the screen now."""
        state = self.window_state()
        if state is None:
            raise HarnessError("there is no window to capture")
        picture = self.screenshot().crop(*state.window)
        if save_as:
            picture.save_png(save_as if os.path.isabs(save_as) else self.path(save_as))
        return picture

    def on_screen(self, x, y):
        """Screen position of a point given in the window's client coordinates."""
        state = self.window_state()
        if state is None:
            raise HarnessError("there is no window to point into")
        return state.client.x + x, state.client.y + y

    def move_mouse_into_window(self, x, y):
        """Moves the pointer to a point of the window (client coordinates)."""
        self.display.mouse_move(*self.on_screen(x, y))

    def click_in_window(self, x, y, button=1):
        self.display.click(*self.on_screen(x, y), button=button)

    def audio_clip(self):
        if not self.audio:
            raise HarnessError("this session was started without audio capture")
        return self.audio.clip()

    # --- small helpers -----------------------------------------------------------------

    def path(self, name):
        """A file in this session's work folder."""
        return os.path.join(self.work_dir, name)

    def log(self, text):
        print(f"[{self.name}] {text}", flush=True)

    @staticmethod
    def pause(seconds):
        time.sleep(seconds)


def _exit_facts(facts):
    """Numbers of a timed close: exit-ms None and exit-code None when the program still ran."""
    def number(name):
        values = facts.get(name)
        return float(values[0]) if values and values[0] not in ("none", "running") else None
    return {"hittest": number("hittest"), "unseen-us": number("unseen-us"),
            "exit-ms": number("exit-ms"), "exit-code": number("exit-code")}
