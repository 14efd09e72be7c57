"""Wine for the tests: a prefix of the build tree's own, programs started in it, and the
tests' helper program zav-testctl.

Nothing here touches ~/.wine. One session at a time owns a prefix (a lock file beside it),
since everything started in a prefix shares one wine server and one desktop, and the
server is ended with `wineserver -k` for that prefix only.
"""
import fcntl
import os
import re
import subprocess
import time

from .config import TERMINAL_FONT
from .proc import HarnessError, run, stop_process, wait_until

READY_STAMP = ".zav-e2e-ready"
MANAGED_STAMP = ".zav-e2e-managed"
DPI_STAMP = ".zav-e2e-dpi"
ANIMATIONS_STAMP = ".zav-e2e-animations"
FONT_STAMP = ".zav-e2e-font-registered"
CREATE_SECONDS = 300
LOCK_SECONDS = 120

# Settings of a new prefix: ALSA as the audio driver (its default device is the one the
# harness redirects); no crash dialog, which would leave a crashed program waiting for a
# click instead of ending; windows not handed to a window manager (see below).
REGISTRY = """\
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]
"Audio"="alsa"

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
"Managed"="N"
"""

# The "Terminal" raster font that Windows has and Wine lacks, in code page 437 at 6 x 8 and
# 8 x 12, the sizes the program asks for, goes into the prefix's Fonts folder. Wine loads a
# bitmap font from there only when the registry's font list names it.
FONTS_KEY = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"

# Whether Wine hands its top-level windows to the X window manager. On the virtual screen
# there is none, and Wine would wait 2 s for it on every top-level window's destruction; on
# a user's desktop the window manager should manage them as it does any program's.
X11_MANAGED_KEY = "HKCU\\Software\\Wine\\X11 Driver"
DESKTOP_KEY = "HKCU\\Control Panel\\Desktop"

# Where the user's folders are named, in the form the platform keeps and in its copy as paths.
USER_SHELL_FOLDERS = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders"
SHELL_FOLDERS = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"


class WinePrefix:
    def __init__(self, path):
        self.path = os.path.abspath(path)
        self._lock = None

    @property
    def env(self):
        return {
            "WINEPREFIX": self.path,
            "WINEDEBUG": "-all",
            # Keep Wine from offering to download its .NET and browser engines.
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
            # The same Windows on every machine: a Western one (ANSI code page 1252), whose file
            # names reach this machine in UTF-8.
            "LC_ALL": "C.UTF-8",
        }

    def full_env(self, *extra):
        env = dict(os.environ)
        env.update(self.env)
        for more in extra:
            env.update(more)
        return env

    def lock(self, timeout=LOCK_SECONDS):
        """Waits until this session alone owns the prefix."""
        os.makedirs(os.path.dirname(self.path), exist_ok=True)
        lock = open(self.path + ".lock", "a+")
        deadline = time.monotonic() + timeout
        while True:
            try:
                fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
                break
            except BlockingIOError:
                if time.monotonic() >= deadline:
                    lock.seek(0)
                    holder = lock.read().strip() or "unknown"
                    lock.close()
                    raise HarnessError(f"the Wine prefix {self.path} is in use by process {holder} "
                                       f"(another test run or ./run.sh) for more than {timeout} s")
                time.sleep(0.2)
        lock.seek(0)
        lock.truncate()
        lock.write(str(os.getpid()))
        lock.flush()
        self._lock = lock
        return self

    def unlock(self):
        if self._lock is not None:
            self._lock.close()
            self._lock = None

    def ensure(self, log=print):
        """Creates the prefix on first use and gives it the Terminal font (a prefix made before
        the font, or with an older one, gets it too); returns the seconds spent creating it (0
        if it was there)."""
        seconds = 0.0
        if not os.path.exists(os.path.join(self.path, READY_STAMP)):
            seconds = self._create(log)
        self._install_terminal_font(log)
        return seconds

    def _offline_env(self):
        """Without a display: the prefix must not depend on any particular screen."""
        env = self.full_env()
        env.pop("DISPLAY", None)
        return env

    def _create(self, log):
        log(f"creating the Wine prefix {self.path} (once; takes a while)")
        started = time.monotonic()
        env = self._offline_env()
        run(["wineboot", "-i"], env=env, timeout=CREATE_SECONDS)
        registry_file = os.path.join(self.path, "zav-e2e.reg")
        with open(registry_file, "w") as out:
            out.write(REGISTRY)
        run(["wine", "regedit", "/S", registry_file], env=env, timeout=CREATE_SECONDS)
        # The registry reaches its files when the server ends.
        run(["wineserver", "-w"], env=env, timeout=CREATE_SECONDS)
        with open(os.path.join(self.path, MANAGED_STAMP), "w") as out:
            out.write("N")
        open(os.path.join(self.path, READY_STAMP), "w").close()
        seconds = time.monotonic() - started
        log(f"Wine prefix ready after {seconds:.1f} s")
        return seconds

    def _install_terminal_font(self, log):
        """Copies the Terminal font into the prefix's Fonts folder, unless the same bytes are
        there, and registers it once."""
        with open(TERMINAL_FONT, "rb") as source:
            font = source.read()
        target = os.path.join(self.path, "drive_c", "windows", "Fonts", os.path.basename(TERMINAL_FONT))
        stamp = os.path.join(self.path, FONT_STAMP)
        try:
            with open(target, "rb") as installed:
                if installed.read() == font and os.path.exists(stamp):
                    return
        except OSError:
            pass
        log("installing the Terminal font into the Wine prefix")
        # A server left by a run that was killed would keep the registry from being written.
        self.kill_server()
        with open(target + ".new", "wb") as out:
            out.write(font)
        os.replace(target + ".new", target)
        env = self._offline_env()
        run(["wine", "reg", "add", FONTS_KEY, "/v", "Terminal", "/d", os.path.basename(target), "/f"],
            env=env, timeout=60)
        # The registry reaches its files when the server ends.
        run(["wineserver", "-w"], env=env, timeout=60)
        open(stamp, "w").close()

    def set_window_management(self, managed):
        """Lets the window manager manage Wine's windows or not; a no-op if already so."""
        wanted = "Y" if managed else "N"
        stamp = os.path.join(self.path, MANAGED_STAMP)
        try:
            with open(stamp) as current:
                if current.read().strip() == wanted:
                    return
        except OSError:
            pass
        env = self._offline_env()
        run(["wine", "reg", "add", X11_MANAGED_KEY, "/v", "Managed", "/d", wanted, "/f"], env=env,
            timeout=60)
        # The registry reaches its files when the server ends.
        run(["wineserver", "-w"], env=env, timeout=60)
        with open(stamp, "w") as out:
            out.write(wanted)

    def set_dpi(self, dpi):
        """The screen's DPI that programs started from now on see; a no-op if already so."""
        if self._stamp(DPI_STAMP) == str(dpi):
            return
        env = self._offline_env()
        run(["wine", "reg", "add", DESKTOP_KEY, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f"],
            env=env, timeout=60)
        run(["wineserver", "-w"], env=env, timeout=60)
        self._set_stamp(DPI_STAMP, dpi)

    def set_animations(self, on, testctl):
        """The system's "show animations" switch, through zav-testctl; a no-op if already so."""
        if self._stamp(ANIMATIONS_STAMP) == str(int(on)):
            return
        code, _ = testctl.call("animations", int(on))
        if code != 0:
            raise HarnessError("zav-testctl could not switch the system's animations")
        self._set_stamp(ANIMATIONS_STAMP, int(on))

    def _stamp(self, name):
        try:
            with open(os.path.join(self.path, name)) as current:
                return current.read().strip()
        except OSError:
            return None

    def _set_stamp(self, name, value):
        with open(os.path.join(self.path, name), "w") as out:
            out.write(str(value))

    def kill_server(self, timeout=20):
        """Ends the wine server of this prefix and everything that runs in it."""
        env = self.full_env()
        run(["wineserver", "-k"], env=env, timeout=timeout, check=False)
        run(["wineserver", "-w"], env=env, timeout=timeout, check=False)

    def set_desktop(self, folder, env):
        """Makes `folder` (a Windows path, in any script) the Desktop of the prefix's user, where
        the shell's folder browser starts, for the programs started from now on; returns a
        function that gives the prefix its own Desktop back. `env` is the session's."""
        registry_file = os.path.join(self.path, "zav-desktop.reg")
        with open(registry_file, "w", encoding="utf-16", newline="\r\n") as out:
            out.write(f'Windows Registry Editor Version 5.00\n\n[{USER_SHELL_FOLDERS}]\n'
                      f'"Desktop"="{folder.replace(chr(92), chr(92) * 2)}"\n')
        run(["wine", "regedit", "/S", windows_path(registry_file)], env=env, timeout=60)

        def restore():
            run(["wine", "reg", "add", USER_SHELL_FOLDERS, "/v", "Desktop", "/t", "REG_EXPAND_SZ",
                 "/d", "%USERPROFILE%\\Desktop", "/f"], env=env, timeout=60)
            # The platform's copy of the path, which it writes again on the next look.
            run(["wine", "reg", "delete", SHELL_FOLDERS, "/v", "Desktop", "/f"], env=env, timeout=60,
                check=False)
        return restore

    def map_drive(self, letter, folder):
        """Makes a folder of this machine drive `letter` of the prefix, e.g. "Q:\\", which the
        shell's folder browser lists under My Computer. Programs started afterwards see it."""
        link = self._drive_link(letter)
        self.unmap_drive(letter)
        os.symlink(os.path.abspath(folder), link)
        return f"{letter.upper()}:\\"

    def unmap_drive(self, letter):
        link = self._drive_link(letter)
        if os.path.islink(link):
            os.remove(link)

    def _drive_link(self, letter):
        return os.path.join(self.path, "dosdevices", f"{letter.lower()}:")


class Program:
    """A Windows program running under Wine; its Linux process is the Windows process."""

    def __init__(self, exe, env, log_path, args=(), cwd=None):
        self.exe = exe
        self.log_path = log_path
        with open(log_path, "ab") as log:
            self.process = subprocess.Popen(["wine", exe, *args], env=env, stdin=subprocess.DEVNULL,
                                            stdout=log, stderr=log, cwd=cwd)

    @property
    def running(self):
        return self.process.poll() is None

    def wait_exit(self, timeout):
        """The exit code; a program still running after `timeout` seconds is an error."""
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError(f"{os.path.basename(self.exe)} was still running after {timeout} s") from None

    def kill(self):
        return stop_process(self.process, grace=2)

    def log_tail(self, lines=20):
        try:
            with open(self.log_path, errors="replace") as log:
                return "".join(log.readlines()[-lines:])
        except OSError:
            return ""


def helper_outcome(args, code, err, log=print):
    """The exit code that zav-testctl gave for its work.

    A helper killed by a signal (a negative code) after writing its closing line, "zav-testctl:
    COMMAND ends with CODE", crashed in the process's shutdown under Wine, once its work was
    done: that is said, and the code of the work counts. A crash before that line is an error
    of its own, never mistaken for a failed check.
    """
    if code >= 0:
        return code
    name = " ".join(map(str, args))
    # The helper's C runtime writes its lines with CR LF: "$" alone would never see the end of one.
    match = re.search(rf"^zav-testctl: {re.escape(str(args[0]))} ends with (-?\d+)\r?$", err, re.M)
    if match is None:
        raise HarnessError(f"zav-testctl {name} crashed (signal {-code}) before its work was done: "
                           f"a crash of the helper, not a failed check: {err.strip()}")
    log(f"zav-testctl {name} crashed (signal {-code}) in its process's shutdown after its work "
        f"was done (exit code {match.group(1)}): a crash of Wine's shutdown, not a failed check")
    return int(match.group(1))


class TestCtl:
    """zav-testctl: looks at and talks to the program's main window from inside Wine."""

    NOT_FOUND = 1

    def __init__(self, exe, env):
        self.exe = exe
        self.env = env

    def call(self, *args, timeout=30):
        """(exit code, output lines) of one subcommand."""
        code, out, err = run(["wine", self.exe, *[str(a) for a in args]], env=self.env, timeout=timeout,
                             check=False)
        code = helper_outcome(args, code, err)
        if code not in (0, self.NOT_FOUND):
            raise HarnessError(f"zav-testctl {' '.join(map(str, args))} failed with exit code {code}: "
                               f"{err.strip()}")
        return code, out.splitlines()

    def facts(self, *args, timeout=30):
        """Output lines split on blanks, or None when there is no window."""
        code, lines = self.call(*args, timeout=timeout)
        if code == self.NOT_FOUND:
            return None
        return [line.split() for line in lines if line.strip()]

    def start(self, *args, output_path):
        """Runs a subcommand in the background; its output goes to `output_path` as it comes."""
        return BackgroundCall(self, args, output_path)


class BackgroundCall:
    """A zav-testctl subcommand running alongside the test, e.g. one that waits for the window.

    Its output is written to a file rather than a pipe, for the reason given at proc.run().
    """

    def __init__(self, testctl, args, output_path):
        self.args = [str(a) for a in args]
        self.output_path = output_path
        with open(output_path, "wb") as out:
            self.process = subprocess.Popen(["wine", testctl.exe, *self.args], env=testctl.env,
                                            stdin=subprocess.DEVNULL, stdout=out,
                                            stderr=subprocess.STDOUT)

    def lines(self):
        with open(self.output_path, errors="replace") as out:
            return out.read().splitlines()

    def wait_for_line(self, text, timeout):
        """Waits until the subcommand has printed the line `text`."""
        def printed():
            if text in self.lines():
                return True
            if self.process.poll() is not None:
                raise HarnessError(f"zav-testctl {' '.join(self.args)} ended (exit code "
                                   f"{self.process.returncode}) before printing '{text}': {self.lines()}")
            return False
        wait_until(printed, timeout, f"zav-testctl {' '.join(self.args)} to print '{text}'", interval=0.02)

    def finish(self, timeout):
        """{name: [values]} of the facts printed; an error if the call failed or hung."""
        try:
            code = self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            stop_process(self.process, grace=2)
            raise HarnessError(f"zav-testctl {' '.join(self.args)} did not finish within {timeout} s") from None
        code = helper_outcome(self.args, code, "\n".join(self.lines()))
        if code != 0:
            raise HarnessError(f"zav-testctl {' '.join(self.args)} failed with exit code {code}: {self.lines()}")
        return {line.split()[0]: line.split()[1:] for line in self.lines() if line.strip()}

    def stop(self):
        stop_process(self.process, grace=2)


def windows_path(path):
    """The name under which a Wine program finds a file of this machine (drive Z: is /)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")
