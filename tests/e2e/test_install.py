#!/usr/bin/python3
"""The Install button as a user meets it: the folder browser, the status line, and the files
that appear below the chosen folder.

The installer's folders are on a drive of their own (Q:, a folder of this machine), so that
every file it writes can be checked here, and the browser is driven through its tree view
from inside Wine. The status text is read from the installer's memory (through /proc) a few
hundred thousand times a second, which catches even the millisecond of "Installing...", and
from the screen.
"""
import os
import re
import shutil
import stat
import subprocess
import sys
import multiprocessing
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
import splash  # noqa: E402
from harness import config  # noqa: E402
from harness.proc import run  # noqa: E402
from harness.terminal_font import Cells  # noqa: E402

PAYLOAD = os.path.join(config.REPO, "assets", "payload")
INSTALL_BUTTON = (44, 149)  # the centre of the Install button, client coordinates
DRIVE = "q"
BROWSE_TITLE = ("Select folder where 'ZAVInstaller' will be installed. Directory 'ZAVInstaller' "
                "will be created automatically.")
INSTALLING, COMPLETED, FAILED = "Installing...", "Installation completed", "Unknown error"
OUTCOMES = (COMPLETED, FAILED)  # in the order zav-testctl numbers them
PROGRESS = re.compile(rb"Installing\.\.\. (100|[1-9]?[0-9])%\0")
OUTCOME_SECONDS = 30
STATUS_FONT = Cells(12)


def phase(text):
    """INSTALLING for every progress text ("Installing... 37%"), else the text."""
    return INSTALLING if text.startswith("Installing... ") else text


def phases(texts):
    """The phases of a sequence of status texts, each once in a row."""
    found = []
    for text in map(phase, texts):
        if not found or found[-1] != text:
            found.append(text)
    return found


class StatusReader:
    """The installer's status text, read from its memory through /proc/PID/mem: "none" for no
    text, an outcome, a progress text ("Installing... 37%"), or "0x..." for a pointer to
    anything else; read() gives its phase.

    zav-testctl tells where the outcome texts lie and which sections are writable; the progress
    texts are in a writable table, one per percent. The status pointer is the one word of those
    sections that holds the address of one of them. Until it has held one it is searched for in all of them."""

    def __init__(self, session):
        facts = session.testctl.facts("status-layout")
        if not facts:
            raise harness.HarnessError("zav-testctl found no status texts in the installer")
        self.texts = {int(line[2], 16): OUTCOMES[int(line[1])] for line in facts if line[0] == "text"}
        self.writable = [(int(line[1], 16), int(line[2])) for line in facts if line[0] == "writable"]
        self.memory = os.open(f"/proc/{session.program.process.pid}/mem", os.O_RDONLY)
        self.slot = None

    def close(self):
        os.close(self.memory)

    def word(self, address):
        return int.from_bytes(os.pread(self.memory, 8, address), "little")

    def text(self):
        if self.slot is None and not self._find_slot():
            return "none"
        value = self.word(self.slot)
        if value == 0 or value in self.texts:
            return self.texts.get(value, "none")
        if not any(start <= value < start + size for start, size in self.writable):
            return hex(value)
        # A progress text is complete before its pointer is stored and never changes after.
        return os.pread(self.memory, 24, value).split(b"\0")[0].decode("ascii", "replace")

    def read(self):
        return phase(self.text())

    def _find_slot(self):
        sections = [(start, os.pread(self.memory, size, start)) for start, size in self.writable]
        targets = list(self.texts) + [start + found.start() for start, data in sections
                                      for found in PROGRESS.finditer(data)]
        for start, words in sections:
            for address in targets:
                at = words.find(address.to_bytes(8, "little"))
                while at >= 0 and at % 8:
                    at = words.find(address.to_bytes(8, "little"), at + 1)
                if at >= 0:
                    self.slot = start + at
                    return True
        return False


class StatusWatch:
    """Every status text seen, from the start of the watch until an outcome that follows the
    install, or until `seconds` have passed.

    The looks run in a process of their own, at real-time priority where allowed, so that
    neither the test (starting zav-testctl, say) nor the other busy processes (Wine, the X
    server) hold them up for the millisecond that an install may last. Before the first
    install of a program the status pointer is still unknown and every look searches about
    120 KB (a millisecond), so the progress of a short first install may pass unseen; later
    looks read one word and the text."""

    def __init__(self, reader, seconds):
        self.seconds = seconds
        context = multiprocessing.get_context("fork")
        self.results, sender = context.Pipe(duplex=False)
        ready = context.Event()
        self.process = context.Process(target=self._look, args=(reader, seconds, ready, sender),
                                       daemon=True)
        self.process.start()
        sender.close()
        if not ready.wait(30):
            self.process.kill()
            raise harness.HarnessError("the status watch did not start")

    @staticmethod
    def _look(reader, seconds, ready, sender):
        try:
            os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(1))
        except OSError:
            pass
        seen = [reader.text()]
        ready.set()
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            now = reader.text()
            if now != seen[-1]:
                seen.append(now)
                if phase(now) != INSTALLING and (INSTALLING in phases(seen) or seen[0] == "none"
                                                 or (now in OUTCOMES and now != seen[0])):
                    break
        sender.send(seen)

    def texts(self):
        try:
            if not self.results.poll(self.seconds + 30):
                raise harness.HarnessError("the status watch gave no result")
            return self.results.recv()
        finally:
            self.process.join(5)
            if self.process.is_alive():
                self.process.kill()


def payload_files():
    """The files the cabinet carries: relative path (with "/") -> bytes."""
    return tree(PAYLOAD)


def tree(folder):
    files = {}
    for base, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(base, name)
            with open(path, "rb") as data:
                files[os.path.relpath(path, folder).replace(os.sep, "/")] = data.read()
    return files


class InstallSession(unittest.TestCase):
    """One program with drive Q: mapped to an empty folder of the session's own."""

    audio = False
    folder = "ZAVInstaller"  # the one the installer creates below the chosen folder

    @classmethod
    def setUpClass(cls):
        cls.session = harness.Session(f"install-{cls.__name__}", audio=cls.audio).start()
        cls.addClassCleanup(cls.session.close)
        cls.drive = cls.session.path("drive")
        os.makedirs(cls.drive)
        cls.session.prefix.map_drive(DRIVE, cls.drive)
        # Taken away before the session ends (class clean-ups run last in, first out).
        cls.addClassCleanup(cls.session.prefix.unmap_drive, DRIVE)
        cls.prepare(cls.drive)
        cls.start_program()
        cls.session.wait_until_draggable()
        cls.masks = {text: cls.text_mask(text) for text in OUTCOMES}
        cls.references = splash.References(cls.session)
        cls.status = StatusReader(cls.session)
        cls.addClassCleanup(cls.status.close)

    @classmethod
    def prepare(cls, drive):
        """Folders and files on the drive before the program starts."""

    @classmethod
    def start_program(cls):
        cls.session.start_program()

    @classmethod
    def text_mask(cls, text):
        lines = cls.session.testctl.call("text-mask", text)[1]
        return {(x, y) for y, row in enumerate(lines[1:]) for x, c in enumerate(row) if c == "#"}

    # --- a user's steps ----------------------------------------------------------------

    def open_browser(self):
        """Clicks Install and waits for the folder browser; then moves the pointer onto the
        part of the browser beside the splash window, so that nothing but the install command
        itself can change which button is hot."""
        self.session.click_in_window(*INSTALL_BUTTON)
        facts = self.facts("browser")
        browser = harness.Rect(*map(int, facts["browser"]))
        state = self.session.window_state()
        below = state.window.y + state.window.height + 10
        self.assertLess(below, browser.y + browser.height - 40, "the browser ends above the window's bottom")
        self.session.display.mouse_move(browser.x + 20, below)
        return facts

    def select(self, folder):
        self.assertEqual(self.session.testctl.call("browser-select", folder)[0], 0,
                         f"the browser does not show {folder}")

    def choose(self, folder, press="ok", seconds=OUTCOME_SECONDS):
        """Selects `folder` (None: none) in the open browser, presses a button and returns the
        status texts seen from just before the press until the outcome."""
        if folder is not None:
            self.select(folder)
        return self.watch_status(lambda: self.session.testctl.call("browser-press", press), seconds)

    def watch_status(self, action, seconds=OUTCOME_SECONDS):
        """The phases of the status seen from just before `action()` until the outcome; every
        text seen is kept in `self.seen_texts`."""
        watch = StatusWatch(self.status, seconds)
        action()
        self.seen_texts = watch.texts()
        # The watch ran in a process of its own, so what it learnt of the status pointer's place
        # stayed there; a look from here learns it for every later watch, which then reads one
        # word a look and catches even a millisecond of installing.
        self.status.read()
        return phases(self.seen_texts)

    def install(self, folder):
        self.open_browser()
        return self.choose(folder)

    # --- what shows -----------------------------------------------------------------------

    def facts(self, *args):
        lines = self.session.testctl.facts(*args)
        self.assertIsNotNone(lines, "zav-testctl found no browser")
        return {line[0]: line[1:] for line in lines}

    def wait_for_browser_gone(self, timeout=10):
        def gone():
            return not any(cls == "#32770" for cls, _ in self.session.dialogs() or [])
        harness.wait_until(gone, timeout, "the folder browser to close")

    def red_pixels(self):
        """The status line's red pixels, relative to its rectangle's top left."""
        picture = self.session.window_picture()
        return {(x, y) for y in range(splash.STATUS_HEIGHT) for x in range(splash.STATUS_WIDTH)
                if picture.pixel(splash.STATUS_LEFT + x, splash.STATUS_TOP + y) == (255, 0, 0)}

    def status_shown(self):
        """The text the status line shows, judged by its red pixels: one of the outcomes,
        "" when none is drawn, or "?" for anything else."""
        red = self.red_pixels()
        if not red:
            return ""
        for text, mask in self.masks.items():
            if mask <= red and len(red - mask) < len(mask) // 10:
                return text
        return "?"

    def assert_status_shown(self, text, timeout=5):
        deadline = time.monotonic() + timeout
        while (shown := self.status_shown()) != text and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertEqual(shown, text, "the status line on the screen")

    def assert_install_button_level(self, level, timeout=5):
        deadline = time.monotonic() + timeout
        while True:
            levels = splash.button_levels(self.session.window_picture(), self.references, "install", 4)
            if level in levels or time.monotonic() > deadline:
                break
            time.sleep(0.05)
        self.assertIn(level, levels, "the Install button's fade level")

    def assert_first_install(self, seen, outcome):
        """No status, then perhaps "Installing..." (see StatusWatch), then the outcome."""
        self.assert_install(seen, "none", outcome)

    def assert_install(self, seen, before, outcome):
        """The status `before`, then perhaps "Installing...", then `outcome`. The watch may miss
        the progress of an install of a few small files: it looks at real-time priority, which
        the kernel withholds for a moment of every second from a task that keeps the processor,
        and such an install can end within that moment. Larger installs show their progress in
        the tests that follow it (the drag during an install, the progress texts)."""
        self.assertIn(seen, ([before, INSTALLING, outcome], phases([before, outcome])))

    def installed(self, *folder):
        return tree(os.path.join(self.drive, *folder, self.folder))


class InstallIntoFolders(InstallSession):
    """A first cancel, installs into a folder and into the top of a drive, a second install over
    changed files, and a cancel after an install, one after the other in one program."""

    @classmethod
    def prepare(cls, drive):
        os.makedirs(os.path.join(drive, "Data"))

    def test_1_cancel_before_any_install_shows_no_status_and_writes_nothing(self):
        facts = self.open_browser()
        self.assertEqual(" ".join(facts["prompt"]), BROWSE_TITLE)
        self.assertEqual(self.choose(None, "cancel", seconds=2), ["none"])
        self.wait_for_browser_gone()
        self.assert_status_shown("")
        self.assert_install_button_level(splash.HALF)
        self.assertEqual(tree(self.drive), {})

    def test_2_install_into_a_folder_puts_the_files_below_it(self):
        self.open_browser()
        self.select("Q:\\Data")
        # This time the OK button is pressed with the mouse.
        ok = harness.Rect(*map(int, self.facts("browser")["ok"]))
        seen = self.watch_status(lambda: self.session.display.click(ok.x + ok.width // 2,
                                                                    ok.y + ok.height // 2))
        self.assert_first_install(seen, COMPLETED)
        self.assertEqual(self.installed("Data"), payload_files())
        self.assertEqual(sorted(os.listdir(self.drive)), ["Data"])
        self.assert_status_shown(COMPLETED)
        self.assertEqual(self.session.buttons()[-1].text, COMPLETED, "the status as a screen reader reads it")
        right_aligned = splash.STATUS_WIDTH - STATUS_FONT.width * len(COMPLETED)
        self.assertEqual(self.red_pixels(), STATUS_FONT.text_pixels(COMPLETED.encode(), right_aligned),
                         "the status line is not drawn in the Terminal font's 8 x 12 cells")

    def test_3_installing_again_replaces_the_files_and_leaves_others_alone(self):
        root = os.path.join(self.drive, "Data", "ZAVInstaller")
        with open(os.path.join(root, "readme.txt"), "wb") as changed:
            changed.write(b"changed by the user, and longer than the file it replaces " * 40)
        with open(os.path.join(root, "docs", "manual.txt"), "wb") as shortened:
            shortened.write(b"short")
        with open(os.path.join(root, "notes.txt"), "wb") as own:
            own.write(b"the user's own file")
        started = time.time()
        self.assert_install(self.install("Q:\\Data"), COMPLETED, COMPLETED)
        expected = dict(payload_files(), **{"notes.txt": b"the user's own file"})
        self.assertEqual(self.installed("Data"), expected)
        # The files carry the time of their extraction, not the one stored in the cabinet.
        for name in payload_files():
            modified = os.path.getmtime(os.path.join(root, name))
            self.assertGreaterEqual(modified, started - 2, name)
            self.assertLessEqual(modified, time.time() + 2, name)

    def test_4_install_at_the_top_of_a_drive_uses_one_separator(self):
        self.assert_install(self.install("Q:\\"), COMPLETED, COMPLETED)
        self.assertEqual(self.installed(), payload_files())
        self.assertEqual(sorted(os.listdir(self.drive)), ["Data", "ZAVInstaller"])
        self.assert_install_button_level(splash.HALF)

    def test_5_cancel_after_an_install_keeps_its_outcome(self):
        before = tree(self.drive)
        self.open_browser()
        self.assertEqual(self.choose("Q:\\Data", "cancel", seconds=2), [COMPLETED])
        self.wait_for_browser_gone()
        self.assert_status_shown(COMPLETED)
        self.assert_install_button_level(splash.HALF)
        self.assertEqual(tree(self.drive), before)


def set_immutable(path, immutable):
    """chattr +i / -i; False where the file system or the user cannot."""
    flag = "+i" if immutable else "-i"
    return subprocess.run(["chattr", flag, path], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0


class ReadOnlyFileStopsTheInstall(InstallSession):
    """A read-only file of a stored name stops the install there: "Unknown error"; a later
    install into another folder completes."""

    @classmethod
    def setUpClass(cls):
        # A run that was killed may have left its immutable file, which no one could remove.
        leftover = os.path.join(config.CONFIG.work_dir, f"install-{cls.__name__}", "drive",
                                "Locked", "ZAVInstaller", "readme.txt")
        if os.path.exists(leftover):
            set_immutable(leftover, False)
        super().setUpClass()

    @classmethod
    def prepare(cls, drive):
        root = os.path.join(drive, "Locked", "ZAVInstaller")
        os.makedirs(root)
        cls.locked = os.path.join(root, "readme.txt")
        with open(cls.locked, "wb") as locked:
            locked.write(b"read-only")
        # Wine's read-only attribute is the file's missing write permission, which does not
        # stop root; the immutable flag does.
        os.chmod(cls.locked, stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)
        if os.geteuid() == 0:
            if not set_immutable(cls.locked, True):
                raise unittest.SkipTest("skipped: running as root, and chattr +i does not work "
                                        "here, so no file is read-only for Wine")
            cls.addClassCleanup(set_immutable, cls.locked, False)
        os.makedirs(os.path.join(drive, "Free"))

    def test_1_a_read_only_file_makes_unknown_error(self):
        self.assert_first_install(self.install("Q:\\Locked"), FAILED)
        self.assert_status_shown(FAILED)
        self.assert_install_button_level(splash.HALF)
        files = self.installed("Locked")
        self.assertEqual(files["readme.txt"], b"read-only")
        # The cabinet's files come in the order docs\manual.txt, readme.txt: the one before the
        # failure stays.
        self.assertEqual(files.get("docs/manual.txt"), payload_files()["docs/manual.txt"])

    def test_2_a_later_install_elsewhere_completes(self):
        self.assert_install(self.install("Q:\\Free"), FAILED, COMPLETED)
        self.assertEqual(self.installed("Free"), payload_files())
        self.assert_status_shown(COMPLETED)


INFO_BUTTON = (128, 149)


def mount_small_disk(folder, kilobytes):
    """A file system of its own at `folder`, holding `kilobytes`; False where it cannot be made."""
    os.makedirs(folder)
    return subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={kilobytes}k", "tmpfs", folder],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0


def unmount(folder):
    subprocess.run(["umount", folder], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


class HostileDestinationsLoseNothing(InstallSession):
    """Destinations where the install cannot complete end with "Unknown error", and whatever was
    there before is still there afterwards."""

    @classmethod
    def setUpClass(cls):
        # What a killed run may have left: a mounted disk, an immutable folder.
        leftover = os.path.join(config.CONFIG.work_dir, f"install-{cls.__name__}", "drive")
        unmount(os.path.join(leftover, "Full"))
        set_immutable(os.path.join(leftover, "ReadOnly"), False)
        super().setUpClass()

    @classmethod
    def prepare(cls, drive):
        write(os.path.join(drive, "FileInTheWay", "ZAVInstaller"), b"a file, not a folder")
        write(os.path.join(drive, "FolderInTheWay", "ZAVInstaller", "readme.txt", "inside.txt"), b"kept")
        write(os.path.join(drive, "ReadOnly", "own.txt"), b"the user's own file")
        cls.read_only = os.geteuid() != 0 or set_immutable(os.path.join(drive, "ReadOnly"), True)
        if cls.read_only and os.geteuid() == 0:
            cls.addClassCleanup(set_immutable, os.path.join(drive, "ReadOnly"), False)
        full = os.path.join(drive, "Full")
        cls.full_disk = os.geteuid() == 0 and mount_small_disk(full, 64)
        if cls.full_disk:
            cls.addClassCleanup(unmount, full)
            write(os.path.join(full, "ZAVInstaller", "own.txt"), b"the user's own file")
            # A file of a stored name that the install would replace, empty, so that replacing it
            # frees no room: it must stay when its successor does not fit.
            write(os.path.join(full, "ZAVInstaller", "readme.txt"), b"")
            # One page left: the first file (docs\manual.txt) fits, the second does not.
            free = os.statvfs(full).f_bavail * os.statvfs(full).f_frsize
            write(os.path.join(full, "filler"), bytes(free - 4096))

    def assert_refused(self, folder):
        """Installs into Q:\\`folder` and expects "Unknown error"; returns the folder's files
        before and after."""
        before = tree(os.path.join(self.drive, folder))
        seen = self.install(f"Q:\\{folder}")
        self.assertEqual(seen[-1], FAILED)
        self.assert_status_shown(FAILED)
        return before, tree(os.path.join(self.drive, folder))

    def test_a_file_named_like_the_install_folder(self):
        before, after = self.assert_refused("FileInTheWay")
        self.assertEqual(after, before)

    def test_a_folder_where_a_file_goes(self):
        before, after = self.assert_refused("FolderInTheWay")
        self.assertEqual(after, dict(before, **{"ZAVInstaller/docs/manual.txt": payload_files()["docs/manual.txt"]}))
        self.assertTrue(os.path.isdir(os.path.join(self.drive, "FolderInTheWay", "ZAVInstaller", "readme.txt")))

    def test_a_read_only_destination(self):
        if not self.read_only:
            self.skipTest("skipped: running as root, and chattr +i does not work here, so no folder is read-only for Wine")
        before, after = self.assert_refused("ReadOnly")
        self.assertEqual(after, before)

    def test_a_disk_that_fills_up(self):
        if not self.full_disk:
            self.skipTest("skipped: no small file system could be mounted here (needs root and tmpfs)")
        before, after = self.assert_refused("Full")
        # The file that fitted stays; the one cut short is removed, not left partial, and the
        # file it was to replace is still there as it was.
        self.assertEqual(after, dict(before, **{"ZAVInstaller/docs/manual.txt": payload_files()["docs/manual.txt"]}))

    def test_unattended_into_a_place_that_cannot_take_it(self):
        # /S /D= into a file in the way or a read-only folder: exit code 1, nothing changed.
        for folder in ("FileInTheWay", "ReadOnly") if self.read_only else ("FileInTheWay",):
            with self.subTest(folder):
                before = tree(os.path.join(self.drive, folder))
                code, _, _ = run(["wine", self.session.config.program, "/S", f"/D=Q:\\{folder}"],
                                 env=self.session.env(), timeout=120, check=False)
                self.assertEqual(code, 1)
                self.assertEqual(tree(os.path.join(self.drive, folder)), before)


PLANTED = ("cabinet", "winmm", "olepro32", "version", "uxtheme", "dwmapi", "propsys", "windowscodecs", "msacm32",
           "comctl32", "shcore", "dbghelp")


def plant_libraries(session, planted=PLANTED):
    """A download folder and a current folder full of stand-ins for system libraries, a folder for
    their markers, and the variables that make Wine prefer such copies to its own: (downloads,
    current, markers, env)."""
    downloads, current, markers = (session.path(name) for name in ("downloads", "current", "markers"))
    # The stand-ins are built in a folder beside zav-testctl's.
    built = os.path.join(os.path.dirname(os.path.dirname(session.config.testctl)), "planted")
    for folder in (downloads, current):
        shutil.copytree(built, folder, ignore=lambda _, names: [n for n in names if not n.endswith(".dll")])
    os.makedirs(markers)
    overrides = session.prefix.env["WINEDLLOVERRIDES"] + ";" + ",".join(planted) + "=n,b"
    return downloads, current, markers, {"WINEDLLOVERRIDES": overrides,
                                         "ZAV_PLANTED_MARKERS": harness.windows_path(markers)}


def planted_libraries_loaded(markers, program):
    """(library, process) of every stand-in that a process of `program` loaded."""
    found = [tree(markers)[name].decode(errors="replace").split() for name in tree(markers)]
    return [(library, process) for library, process in found if process.endswith("\\" + program)]


class PlantedLibrariesStayUnloaded(InstallSession):
    """Run from a download folder that holds stand-ins for the system libraries it uses and those
    the platform loads on its behalf, started from a current folder that holds them too, with Wine
    told to prefer such copies to its own: the program starts, plays, installs and shows its info
    dialog, and no stand-in is loaded into it (each leaves a marker naming the loading process)."""

    audio = True
    planted = PLANTED

    @classmethod
    def start_program(cls):
        downloads, current, cls.markers, env = plant_libraries(cls.session, cls.planted)
        program = shutil.copy(cls.session.config.program, downloads)
        cls.session.start_program(program, cwd=current, env=env)

    def test_1_the_music_plays(self):
        time.sleep(1)
        self.assertGreater(self.session.audio_clip().rms(), 100, "no sound came from the program")

    def test_2_the_install_completes(self):
        self.assert_first_install(self.install("Q:\\"), COMPLETED)
        self.assertEqual(self.installed(), payload_files())

    def test_3_the_info_dialog_opens(self):
        self.session.click_in_window(*INFO_BUTTON)
        harness.wait_until(self.session.info_dialog, 10, "the info dialog")
        self.session.dialogs(close=True)

    def test_4_no_planted_library_was_loaded(self):
        loaded = planted_libraries_loaded(self.markers, "ZAVInstaller.exe")
        self.assertEqual(loaded, [], f"stand-ins loaded (library, process): {loaded}")


if __name__ == "__main__":
    harness.main()
