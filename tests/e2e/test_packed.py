#!/usr/bin/python3
"""An installer that zav-pack.exe makes under Wine, from Windows paths, of a payload with names in
Greek, CJK and an emoji past U+FFFF, a song, pictures and texts of the test's own, then signed
with a test certificate, as a user would ship it: it shows the test's background, plays the song
sample for sample as zav-render mixes it, names its own folder (in those scripts too) in the
browser, installs every file byte for byte as cabextract unpacks the cabinet that the Linux
zav-pack packed of the same inputs, can be dragged while it installs, and a close during an
install leaves no partial file; the Linux zav-pack's installer of the same inputs carries the same
song, pictures and texts and installs the same files. A folder dropped on zav-pack.exe in a
download folder full of planted stand-ins for system libraries becomes "<folder> Setup.exe", told
in a message box, and no stand-in is loaded. Copies with a damaged data directory say so in a
message box and end with exit code 2, never a crash.

A second payload carries names in several scripts, a path past 260 characters and 300 MB, packed
by both builds: zav-pack.exe's installer installs it from a Desktop named in those scripts with
its progress on the status line, the Linux build's from a script's command line (/S /D=PATH) with
nothing shown or played."""
import hashlib
import os
import shutil
import subprocess
import sys
import time
import unittest

import pefile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
import splash  # noqa: E402
import test_music  # noqa: E402
from harness import config  # noqa: E402
from harness.session import BACKGROUND_POINT  # noqa: E402
from harness.proc import run as run_quietly  # noqa: E402
from test_install import (COMPLETED, INSTALLING, PROGRESS, STATUS_FONT, InstallSession, plant_libraries,  # noqa: E402
                          planted_libraries_loaded, tree, write)

ZAV_PACK = os.environ.get("ZAV_PACK", "")
SONG = os.path.join(config.REPO, "..", "shared", "testdata", "xm", "mario_is_a_weenie.xm")
FOLDER = "Test Game \u03a9\u03bc\u03ad\u03b3\u03b1 2"
PRODUCT = {"--product": "Acme Rocket \u03a9mega", "--product-version": "2.5.1", "--publisher": "Acme Corp \u65e5\u672c"}
TITLE = "Acme Rocket \u03a9mega Setup"
CREDITS = "Test Game 2 - packed by zav-pack.exe from Windows paths"
INFO = "\u2554\u2550\u2550\u2557 Test Game 2\n\u255a\u2550\u2550\u255d \u2591\u2592\u2593\u2588 names in any script\n"
# Texts in two languages, as an author writes them (Russian in a file with a BOM and CRLF).
GERMAN = {"installing": "Installiere... {percent} %", "completed": "Vollst\u00e4ndig installiert",
          "browse": "W\u00e4hlen Sie den Ordner f\u00fcr '{folder}'.", "music": "M: Musik aus"}
RUSSIAN = {"completed": "\u0423\u0441\u0442\u0430\u043d\u043e\u0432\u043b\u0435\u043d\u043e",
           "browse": "\u0412\u044b\u0431\u0435\u0440\u0438\u0442\u0435 \u043f\u0430\u043f\u043a\u0443 \u0434\u043b\u044f '{folder}'."}
USERS = {"de": "de_DE.UTF-8", "ru": "ru_RU.UTF-8"}  # the environment in which Wine shows each language
# The data directory: a header, then an entry (offset, size) for the cabinet, the background, the
# three buttons, the song and the texts.
DATA_HEADER = 12
CABINET_ENTRY, BACKGROUND_ENTRY, INSTALL_BUTTON_ENTRY, TITLE_ENTRY = 0, 1, 2, 9
SMALL_FILES = 3000  # so that an install lasts long enough to be dragged and closed in
BIG_FILE = "data/random 20MB.bin"
MAIN_WINDOW_GONE = 1  # zav-testctl's exit code when there is no main window


def run(args, **options):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=300, **options)


def make_payload(root):
    write(os.path.join(root, "a", "b", "c", "deep.txt"), b"three folders down\r\n")
    write(os.path.join(root, "docs & notes", "my file (1) #2, ok!.txt"), b"a name with blanks and signs\r\n")
    # Greek, CJK, and an emoji past U+FFFF (two UTF-16 units), in folders and files.
    write(os.path.join(root, "\u03a9\u03bc\u03ad\u03b3\u03b1", "\u03c3\u03b7\u03bc\u03b5\u03af\u03c9\u03c3\u03b7 \U0001f3b5.txt"),
          "\u03c3\u03b7\u03bc\u03b5\u03af\u03c9\u03c3\u03b7\r\n".encode())
    write(os.path.join(root, "\u8aac\u660e\u66f8.pdf"), os.urandom(3000))
    write(os.path.join(root, "\U0001f3ae saves", "\u00c4rger \u65e5\u672c.dat"), os.urandom(70000))
    write(os.path.join(root, "empty.dat"), b"")
    write(os.path.join(root, BIG_FILE), os.urandom(20 * 1000 * 1000))
    for i in range(SMALL_FILES):
        write(os.path.join(root, "many", f"{i // 100:02}", f"file{i:04}.txt"), f"small file {i}\r\n".encode() * 20)


def make_pictures(folder):
    """Pictures as an author has them, made with ImageMagick: a PNG background of 800 x 600 whose
    blue runs across it (the fire adds no blue, so the blue alone tells the picture apart on the
    screen), and buttons as PNG (with transparent corners), BMP and GIF of other sizes."""
    pictures = {"background.png": ("800x600", "gradient:navy-yellow", "-rotate", "90"),
                "install.png": ("120x30", "xc:none", "-fill", "darkgreen", "-draw", "rectangle 10,3 109,26"),
                "info.bmp": ("100x20", "xc:darkblue"), "exit.gif": ("160x40", "xc:darkred")}
    paths = {}
    for name, (size, source, *more) in pictures.items():
        paths[name.split(".")[0]] = os.path.join(folder, name)
        made = run(["convert", "-size", size, source, *more, paths[name.split(".")[0]]])
        if made.returncode:
            raise harness.HarnessError(f"ImageMagick could not make {name}: {made.stdout}")
    return paths


def write_texts(folder):
    """The --texts values: LANG=this machine's file."""
    files = {}
    for language, texts, line_end, bom in (("de", GERMAN, "\n", ""), ("ru", RUSSIAN, "\r\n", "\ufeff")):
        files[language] = os.path.join(folder, f"{language}.txt")
        write(files[language], (bom + f"# {language}{line_end}" + "".join(f"{key} = {text}{line_end}"
                                                                        for key, text in texts.items())).encode())
    return files


def zav_pack_exe(session):
    return os.path.join(os.path.dirname(session.config.program), "packer", "zav-pack.exe")


def pack_with_both_builds(session, payload, texts, paths, work, languages=None):
    """(zav-pack.exe's installer, the Linux zav-pack's) of the same inputs: `texts` maps options
    to their values, `paths` options to lists of this machine's files, which zav-pack.exe gets as
    Windows paths (several joined with commas), `languages` language tags to texts files."""
    if not os.path.isfile(ZAV_PACK):
        raise harness.HarnessError(f"zav-pack not found at '{ZAV_PACK}': build the native tree first")
    arguments = {"linux": ["--payload", payload], "windows": ["--payload", harness.windows_path(payload)]}
    for option, value in texts.items():
        for build in arguments:
            arguments[build] += [option, value]
    for option, files in paths.items():
        arguments["linux"] += [option, ",".join(files)]
        arguments["windows"] += [option, ",".join(harness.windows_path(file) for file in files)]
    for language, file in (languages or {}).items():
        arguments["linux"] += ["--texts", f"{language}={file}"]
        arguments["windows"] += ["--texts", f"{language}={harness.windows_path(file)}"]
    linux, windows = os.path.join(work, "Linux Setup.exe"), os.path.join(work, "Windows Setup.exe")
    packed = run([ZAV_PACK, *arguments["linux"], "-o", linux])
    if packed.returncode:
        raise harness.HarnessError(f"zav-pack failed ({packed.returncode}): {packed.stdout}")
    code, output = run_zav_pack_exe(session, zav_pack_exe(session), [*arguments["windows"], "-o", harness.windows_path(windows)])
    if code:
        raise harness.HarnessError(f"zav-pack.exe failed ({code}): {output}")
    return windows, linux


def install_unattended(session, program, folder):
    """Runs `program` with /S /D=`folder` (a Windows path); its exit code and output."""
    code, output, _ = run_quietly(["wine", program, "/S", f"/D={folder}"], check=False, timeout=240, env=session.env())
    return code, output


def run_zav_pack_exe(session, exe, args, **env):
    """Runs zav-pack.exe in the session's prefix with `args` (the paths in them are this
    machine's, given as Windows paths); its exit code and output."""
    log = session.path("zav-pack.log")
    with open(log, "w") as out:
        code = subprocess.run(["wine", exe, *args], env=session.env(**env), stdout=out, stderr=subprocess.STDOUT,
                              stdin=subprocess.DEVNULL, timeout=300).returncode
    with open(log, errors="replace") as out:
        return code, out.read()


def cabinet_files(program, folder):
    """The files of a packed program's cabinet as cabextract unpacks them into `folder`."""
    cabinet = folder + ".cab"
    write(cabinet, data_blocks(program)[CABINET_ENTRY])
    if run(["cabextract", "-q", "-d", folder, cabinet]).returncode:
        raise harness.HarnessError(f"cabextract could not unpack the cabinet of {program}")
    return tree(folder)


def sign(program, folder):
    """The program signed with a certificate made here, as osslsigncode signs a release."""
    key, certificate, signed = (os.path.join(folder, name) for name in ("key.pem", "cert.pem", "signed.exe"))
    for step in (["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", certificate,
                  "-days", "2", "-subj", "/CN=ZAV test publisher"],
                 ["osslsigncode", "sign", "-certs", certificate, "-key", key, "-in", program, "-out", signed]):
        done = run(step)
        if done.returncode:
            raise harness.HarnessError(f"{step[0]} failed: {done.stdout}")
    return signed


def last_section(image):
    """File offset of a program's last section, where a packed one keeps its data directory."""
    number = lambda at, size=4: int.from_bytes(image[at:at + size], "little")  # noqa: E731
    pe = number(0x3C)
    table = pe + 24 + number(pe + 20, 2)
    return number(table + 40 * (number(pe + 6, 2) - 1) + 20)


def data_blocks(path):
    """The blocks of a packed program's data section, by entry number."""
    with open(path, "rb") as exe:
        image = exe.read()
    start = last_section(image)
    word = lambda at: int.from_bytes(image[start + at:start + at + 4], "little")  # noqa: E731
    return [image[start + word(12 + 8 * i):start + word(12 + 8 * i) + word(16 + 8 * i)] for i in range(word(8))]


class PackedInstaller(InstallSession):
    audio = True
    folder = FOLDER

    @classmethod
    def prepare(cls, drive):
        for folder in ("Full", "Dragged", "Closed"):
            os.makedirs(os.path.join(drive, folder))

    @classmethod
    def start_program(cls):
        cls.song = SONG if os.path.isfile(SONG) else None
        if not cls.song:
            print("test_packed: ../shared/testdata is missing; the installer keeps the project's song")
        # Windows paths in any script too: the folders that hold the inputs are named in them.
        work = cls.session.path("pack \u03a9\u03bc\u03ad\u03b3\u03b1 \u65e5\u672c \U0001f3ae")
        cls.payload = os.path.join(work, "payload")
        make_payload(cls.payload)
        cls.pictures = make_pictures(work)
        info = os.path.join(work, "info.txt")
        write(info, INFO.encode())
        paths = {"--background": [cls.pictures["background"]], "--info": [info],
                 "--buttons": [cls.pictures[name] for name in ("install", "info", "exit")]}
        if cls.song:
            paths["--song"] = [cls.song]
        cls.programs = pack_with_both_builds(cls.session, cls.payload, {"--folder": FOLDER, "--credits": CREDITS, **PRODUCT},
                                             paths, work, write_texts(work))
        cls.expected = cabinet_files(cls.programs[1], os.path.join(work, "cabextract"))
        # The window is found by its title, which names the product.
        cls.session.window_title = TITLE
        cls.session.start_program(sign(cls.programs[0], work))

    def start_install(self, folder):
        """Starts an install into Q:\\`folder` and returns once "Installing..." shows."""
        self.open_browser()
        self.select(f"Q:\\{folder}")
        self.session.testctl.call("browser-press", "ok")
        harness.wait_until(lambda: self.status.read() == INSTALLING, 30, "the install to start", interval=0.002)

    def test_0_names_the_product_in_its_title_and_version_information(self):
        self.assertEqual(len(self.session.display.find_windows(TITLE)), 1, "no window titled " + TITLE)
        self.assertIsNotNone(self.session.window_state(), 'no window of the class "ZAV Installer"')
        for program in self.programs:
            image = pefile.PE(program)
            texts = {key.decode(): value.decode() for group in image.FileInfo for info in group
                     for table in getattr(info, "StringTable", []) for key, value in table.entries.items()}
            self.assertEqual((texts["ProductName"], texts["FileDescription"], texts["ProductVersion"], texts["CompanyName"]),
                             (PRODUCT["--product"], TITLE, "2.5.1", PRODUCT["--publisher"]))
            self.assertEqual(texts["OriginalFilename"], os.path.basename(program))
            fixed = image.VS_FIXEDFILEINFO[0]
            self.assertEqual((fixed.ProductVersionMS, fixed.ProductVersionLS), (0x20005, 0x10000))

    def test_1_shows_the_test_background(self):
        shown = self.session.window_picture()
        # The installer's own background, the PNG as zav-pack fitted it, decoded as the program
        # decodes it (zav-testctl takes ANSI paths: from a file of an ASCII name).
        fitted = self.session.path("background.jpg")
        write(fitted, data_blocks(self.programs[0])[BACKGROUND_ENTRY])
        background = self.session.decode_picture(fitted)
        differing = [(x, y) for y in range(splash.HEIGHT) for x in range(splash.WIDTH)
                     if not (splash.in_button(x, y) or splash.in_slot(x, y) or splash.in_status(x, y))
                     and shown.pixel(x, y)[2] != background.pixel(x, y)[2]]
        self.assertEqual(differing[:10], [], "pixels whose blue is not the test background's")

    def test_2_plays_the_song_as_mixed(self):
        harness.wait_until(lambda: self.session.audio_clip().seconds >= test_music.PLAY_SECONDS, 30, "the capture")
        test_music.assert_heard_as_mixed(self, self.session.audio_clip().samples, test_music.rendered(self.song), seconds=3)

    def test_3_installs_every_file_into_its_own_folder(self):
        facts = self.open_browser()
        self.assertEqual(" ".join(facts["prompt"]), f"Select folder where '{FOLDER}' will be installed. "
                                                     f"Directory '{FOLDER}' will be created automatically.")
        self.assertEqual(self.choose("Q:\\Full")[-1], COMPLETED)
        installed = self.installed("Full")
        self.assertEqual(sorted(installed), sorted(self.expected))
        self.assertTrue(installed == self.expected == tree(self.payload), "installed bytes differ")

    def test_4_can_be_dragged_while_it_installs(self):
        before = self.session.window_state().window
        start = (before.x + BACKGROUND_POINT[0], before.y + BACKGROUND_POINT[1])
        self.start_install("Dragged")
        self.session.display.drag(start, (start[0] + 60, start[1] + 40))
        self.assertEqual(self.status.read(), INSTALLING, "the install ended before the drag did")
        harness.wait_until(lambda: self.status.read() != INSTALLING, 120, "the install to end")
        self.assertEqual(self.status.read(), COMPLETED)
        after = self.session.window_state().window
        self.assertEqual((after.x - before.x, after.y - before.y), (60, 40))
        self.assertEqual(self.installed("Dragged"), self.expected)

    def test_5_a_close_while_it_installs_leaves_no_partial_file(self):
        self.start_install("Closed")
        self.session.close_window()
        self.assertEqual(self.session.wait_exit(30), 0)
        installed = self.installed("Closed")
        self.assertLess(len(installed), len(self.expected), "the close did not stop the install")
        partial = [name for name, data in installed.items() if self.expected.get(name) != data]
        self.assertEqual(partial, [], "files left partial")

    def test_6_the_linux_builds_installer_carries_the_same_and_installs_the_same_files(self):
        windows, linux = (data_blocks(program) for program in self.programs)
        differing = [entry for entry in range(len(windows)) if entry != CABINET_ENTRY and windows[entry] != linux[entry]]
        self.assertEqual((len(windows), differing), (len(linux), []), "blocks that differ between the builds")
        code, output = install_unattended(self.session, self.programs[1], "Q:\\Linux")
        self.assertEqual(code, 0, output)
        self.assertTrue(self.installed("Linux") == tree(self.payload), "installed bytes differ")


class StartsWhatItsAuthorAsked(InstallSession):
    """An installer packed with --run bin/ran-here.exe: after an install from its window the
    program runs in its own folder and the installer closes; an unattended install starts
    nothing."""

    folder = "Run Test"

    @classmethod
    def prepare(cls, drive):
        os.makedirs(os.path.join(drive, "Run"))

    @classmethod
    def start_program(cls):
        payload = cls.session.path("run-payload")
        write(os.path.join(payload, "readme.txt"), b"read me\r\n")
        ran_here = os.path.join(os.path.dirname(cls.session.config.testctl), "ran-here.exe")
        with open(ran_here, "rb") as program:
            write(os.path.join(payload, "bin", "ran-here.exe"), program.read())
        cls.program = cls.session.path("Run Setup.exe")
        packed = run([ZAV_PACK, "--payload", payload, "--folder", cls.folder, "--run", "bin/ran-here.exe",
                      "-o", cls.program])
        if packed.returncode:
            raise harness.HarnessError(f"zav-pack failed ({packed.returncode}): {packed.stdout}")
        cls.session.start_program(cls.program)

    def ran_in(self, folder):
        return os.path.join(self.drive, folder, self.folder, "bin", "ran.txt")

    def test_1_runs_it_in_its_folder_and_closes_after_the_install(self):
        self.open_browser()
        self.select("Q:\\Run")
        self.session.testctl.call("browser-press", "ok")
        self.assertEqual(self.session.wait_exit(60), 0)
        ran = self.ran_in("Run")
        harness.wait_until(lambda: os.path.exists(ran) and os.path.getsize(ran) > 0, 30, "the started program to run")
        with open(ran, "rb") as noted:
            self.assertEqual(noted.read().decode("utf-16-le").upper(), f"Q:\\RUN\\{self.folder}\\BIN".upper())

    def test_2_starts_nothing_in_an_unattended_install(self):
        code, output = install_unattended(self.session, self.program, "Q:\\Quiet")
        self.assertEqual(code, 0, output)
        self.assertTrue(os.path.exists(os.path.join(self.drive, "Quiet", self.folder, "bin", "ran-here.exe")))
        time.sleep(2)  # a program started by mistake would have noted its folder by now
        self.assertFalse(os.path.exists(self.ran_in("Quiet")))


class InTheUsersLanguage(InstallSession):
    """An installer with German and Russian texts, packed by both builds: to a German user
    (zav-pack.exe's) it shows the German prompt and, once installed, the German completion text
    in the Terminal font, as the status control names it; to a Russian user (the Linux build's)
    the Russian prompt and a Cyrillic status line; /S /LANG=de installs."""

    folder = "Sprachen"

    @classmethod
    def prepare(cls, drive):
        os.makedirs(os.path.join(drive, "Desktop"))

    @classmethod
    def start_program(cls):
        work = cls.session.path("languages")
        payload = os.path.join(work, "payload")
        write(os.path.join(payload, "bin", "game.dat"), os.urandom(5000))
        cls.programs = dict(zip(("de", "ru"), pack_with_both_builds(cls.session, payload, {"--folder": cls.folder},
                                                                   {}, work, write_texts(work))))
        cls.expected = tree(payload)
        # The browser starts at the Desktop, whose folder is taken as it is: the shell's tree
        # names the drives in the user's language.
        cls.addClassCleanup(cls.session.prefix.set_desktop("Q:\\Desktop", cls.session.env()))
        cls.session.start_program(cls.programs["de"], env={"LC_ALL": USERS["de"]})

    def install_as(self, language):
        """Installs into the Desktop from the program's window; the browser's prompt."""
        prompt = " ".join(self.open_browser()["prompt"])
        self.session.testctl.call("browser-press", "ok")
        completed = {"de": GERMAN, "ru": RUSSIAN}[language]["completed"]
        harness.wait_until(lambda: self.session.buttons()[-1].text == completed, 60, "the completion text")
        self.assertEqual(self.installed("Desktop"), self.expected)
        shutil.rmtree(os.path.join(self.drive, "Desktop", self.folder))
        return prompt

    def test_1_a_german_user_reads_german(self):
        prompt = self.install_as("de")
        self.assertEqual(prompt, GERMAN["browse"].replace("{folder}", self.folder))
        # Code page 437 holds it: drawn in the Terminal font, as the English texts are.
        completed = GERMAN["completed"]
        right_aligned = splash.STATUS_WIDTH - STATUS_FONT.width * len(completed)
        self.assertEqual(self.red_pixels(), STATUS_FONT.text_pixels(completed.encode("cp437"), right_aligned))

    def test_2_a_russian_user_reads_russian(self):
        self.assertTrue(self.session.close_window())
        self.assertEqual(self.session.wait_exit(30), 0)
        self.session.start_program(self.programs["ru"], env={"LC_ALL": USERS["ru"]})
        self.session.wait_until_draggable()
        prompt = self.install_as("ru")
        self.assertEqual(prompt, RUSSIAN["browse"].replace("{folder}", self.folder))
        # Drawn in the system's font, in the status line's red and place, right-aligned.
        red = self.red_pixels()
        self.assertGreater(len(red), 40, "no Cyrillic status line drawn")
        self.assertGreater(max(x for x, _ in red), splash.STATUS_WIDTH - 4, "not right-aligned")

    def test_3_an_unattended_install_takes_lang(self):
        code, output, _ = run_quietly(["wine", self.programs["ru"], "/S", "/LANG=de", "/D=Q:\\Silent"], check=False,
                                      timeout=240, env=self.session.env(LC_ALL=USERS["ru"]))
        self.assertEqual(code, 0, output)
        self.assertEqual(self.installed("Silent"), self.expected)


class ZavPackExeTakesADroppedFolder(unittest.TestCase):
    """zav-pack.exe run from a download folder of planted stand-ins, from a current folder of them
    too: a folder dropped on it (its only argument) becomes "<folder> Setup.exe" beside it, told
    in a message box; then a command line that decodes a picture and packs a song. No stand-in is
    loaded into it."""

    @classmethod
    def setUpClass(cls):
        cls.session = harness.Session("packed-drop", audio=False).start()
        cls.addClassCleanup(cls.session.close)

    def test_a_dropped_folder_and_a_command_line_load_no_planted_library(self):
        downloads, current, markers, env = plant_libraries(self.session)
        exe = shutil.copy(zav_pack_exe(self.session), downloads)
        folder = self.session.path("My Game \u03a9\u03bc\u03ad\u03b3\u03b1 \U0001f3ae")
        write(os.path.join(folder, "bin", "game.dat"), os.urandom(100000))
        write(os.path.join(folder, "readme.txt"), b"read me\r\n")
        # A whole drive has no folder beside it: refused in the box, and nothing is written.
        drive = self.session.prefix.map_drive("r", folder)
        self.addCleanup(self.session.prefix.unmap_drive, "r")
        for dropped, code in ((harness.windows_path(folder), 0), (drive, 2)):
            self.session.start_program(exe, [dropped], wait_for_window=False, cwd=current, env=env)
            harness.wait_until(lambda: (self.session.display.find_windows("zav-pack") or [None])[0], 60,
                               "zav-pack.exe's message box")
            self.assertEqual(answer_message_box(self.session), code, dropped)
        setup = folder + " Setup.exe"
        self.assertEqual(cabinet_files(setup, self.session.path("dropped")), tree(folder))
        self.assertEqual(sorted(os.listdir(folder)), ["bin", "readme.txt"], "written into the dropped drive")

        os.makedirs(self.session.path("pictures"))
        picture = make_pictures(self.session.path("pictures"))["background"]
        code, output = run_zav_pack_exe(self.session, exe, [
            "--payload", harness.windows_path(folder), "--background", harness.windows_path(picture),
            "--song", harness.windows_path(os.path.join(config.REPO, "assets", "music", "song.xm")),
            "-o", harness.windows_path(self.session.path("command line.exe"))], **env)
        self.assertEqual(code, 0, output)
        loaded = planted_libraries_loaded(markers, "zav-pack.exe")
        self.assertEqual(loaded, [], f"stand-ins loaded (library, process): {loaded}")


class DamagedInstallersSaySo(unittest.TestCase):
    """The bare stub and packed installers with a damaged directory: a message box, then exit 2."""

    DAMAGES = (("the bare stub, without data", None, None),
               ("a wrong magic", 0, b"ZAVX"),
               ("another version", 4, (4).to_bytes(4, "little")),
               ("the info text's block outside the section", DATA_HEADER + 8 * 7, (1 << 30).to_bytes(4, "little")),
               ("the title's block outside the section", DATA_HEADER + 8 * TITLE_ENTRY, (1 << 30).to_bytes(4, "little")))

    @classmethod
    def setUpClass(cls):
        cls.session = harness.Session("packed-damaged", audio=False).start()
        cls.addClassCleanup(cls.session.close)

    def damaged_copy(self, name, at, data):
        copy = self.session.path(name.replace(" ", "-").replace(",", "") + ".exe")
        program = self.session.config.program
        if at is None:
            shutil.copy(os.path.join(os.path.dirname(program), "zav-stub.exe"), copy)
            return copy
        with open(program, "rb") as exe:
            image = bytearray(exe.read())
        start = last_section(image)
        image[start + at:start + at + len(data)] = data
        write(copy, bytes(image))
        return copy

    def test_each_damage_shows_a_message_box_and_ends_with_exit_code_2(self):
        for name, at, data in self.DAMAGES:
            with self.subTest(name):
                self.session.start_program(self.damaged_copy(name, at, data), wait_for_window=False)
                self.session.wait_for_window(30)
                self.assertEqual(self.session.testctl.call("rect")[0], MAIN_WINDOW_GONE, "a main window opened")
                self.assertEqual(answer_message_box(self.session), 2)
                harness.wait_until(lambda: not self.session.display.find_windows("ZAV Installer"), 10,
                                   "the message box to go")


    def test_the_first_data_version_is_still_read(self):
        # Version 1 had the nine entries before the title: the same installer read that way.
        copy = self.damaged_copy("first data version", 4, (1).to_bytes(4, "little") + (9).to_bytes(4, "little"))
        self.session.start_program(copy)
        self.session.wait_until_draggable()
        self.assertTrue(self.session.close_window())
        self.assertEqual(self.session.wait_exit(10), 0)

    def test_a_picture_of_another_size_is_left_out_and_the_program_runs(self):
        # The background's entry names the install button's picture: a whole JPEG of 80 x 20,
        # which the program must not read as 416 x 180 pixels.
        with open(self.session.config.program, "rb") as exe:
            image = exe.read()
        button = last_section(image) + DATA_HEADER + 8 * INSTALL_BUTTON_ENTRY
        copy = self.damaged_copy("background of button size", DATA_HEADER + 8 * BACKGROUND_ENTRY,
                                 image[button:button + 8])
        self.session.start_program(copy)
        self.session.wait_until_draggable()
        self.assertTrue(self.session.close_window())
        self.assertEqual(self.session.wait_exit(10), 0)


def answer_message_box(session):
    """Presses Return in the box until the program ends (a box just shown may miss a key); the
    program's exit code.

    The key goes to the focused window, not to the box by its id: a box that closes on the key
    press takes its id with it, xdotool then stops at the X error before it releases the key,
    and the X server's repeat of the held key closes the next box as soon as it has the focus."""
    for _ in range(20):
        session.display.xdotool("key", "Return", check=False)
        try:
            return session.wait_exit(1)
        except harness.HarnessError:
            pass
    return session.wait_exit(1)


# --- names in any script, long paths, progress, unattended installs ----------------------------

FOLDER_ANY_SCRIPT = "Spiel \u03a9\u03bc\u03ad\u03b3\u03b1 \u65e5\u672c \U0001f3ae"
DESKTOP = "Schreibtisch \u03a9mega \u65e5\u672c \U0001f3ae"
LONG_NAME = "deep/" + "d" * 100 + "/" + "e" * 110 + "/long name.txt"
BIG_BYTES = 300 << 20
_packed_any_script = []


def packed_in_any_script(session):
    """(zav-pack.exe's installer, the Linux zav-pack's, the SHA-256 of each file they install),
    packed once a run of the same payload: names in Latin, Greek and CJK scripts and an emoji
    past U+FFFF, one name that makes a path past 260 characters (zav-pack.exe reads it there
    too), and 300 MB of bytes that repeat every 512 bytes, so that packing is quick and the
    install long. The payload is removed once packed, and so is each install once checked: the
    disk's write-back of that much would starve the real-time sound of the sessions after."""
    if not _packed_any_script:
        work = os.path.join(config.CONFIG.work_dir, "packed-any-script")
        shutil.rmtree(work, ignore_errors=True)
        payload = os.path.join(work, "payload")
        for name in ("Caf\u00e9.txt", "\u00dcbung/\u00c4rger.txt", "\u8aac\u660e\u66f8.pdf",
                     "\u03a9\u03bc\u03ad\u03b3\u03b1/\u03c3\u03b7\u03bc\u03b5\u03af\u03c9\u03c3\u03b7 \U0001f3b5.txt", LONG_NAME):
            write(os.path.join(payload, *name.split("/")), f"{name}\r\n".encode() * 10)
        block = os.urandom(512)
        os.makedirs(os.path.join(payload, "data"))
        with open(os.path.join(payload, "data", "big.bin"), "wb") as big:
            for _ in range(BIG_BYTES // len(block)):
                big.write(block)
        programs = pack_with_both_builds(session, payload, {"--folder": FOLDER_ANY_SCRIPT}, {}, work)
        _packed_any_script.extend((*programs, digests(payload)))
        shutil.rmtree(payload)
    return _packed_any_script


def digests(folder):
    """Every file below a folder: relative path (with "/") -> SHA-256."""
    found = {}
    for base, _, names in os.walk(folder):
        for name in names:
            with open(os.path.join(base, name), "rb") as data:
                found[os.path.relpath(os.path.join(base, name), folder).replace(os.sep, "/")] = \
                    hashlib.file_digest(data, "sha256").hexdigest()
    return found


class NamesInAnyScript(InstallSession):
    """zav-pack.exe's installer named in those scripts, started in a prefix whose Desktop is named in them
    too: the browser's title names the folder as it is, and accepting the browser's first choice
    (the Desktop) installs every file byte for byte, one path past 260 characters, while the
    status line counts up in percent."""

    folder = FOLDER_ANY_SCRIPT

    @classmethod
    def prepare(cls, drive):
        os.makedirs(os.path.join(drive, DESKTOP))

    @classmethod
    def start_program(cls):
        program, _, cls.expected = packed_in_any_script(cls.session)
        cls.addClassCleanup(cls.session.prefix.set_desktop(f"Q:\\{DESKTOP}", cls.session.env()))
        cls.session.start_program(program)

    def test_installs_into_the_desktop_with_its_progress_shown(self):
        facts = self.open_browser()
        self.assertEqual(" ".join(facts["prompt"]), f"Select folder where '{FOLDER_ANY_SCRIPT}' will be installed. "
                                                     f"Directory '{FOLDER_ANY_SCRIPT}' will be created automatically.")
        self.assertEqual(self.choose(None, seconds=240)[-1], COMPLETED)
        self.assert_status_shown(COMPLETED)
        root = os.path.join(self.drive, DESKTOP, FOLDER_ANY_SCRIPT)
        self.assertGreater(len(f"Q:\\{DESKTOP}\\{FOLDER_ANY_SCRIPT}\\{LONG_NAME}".encode("utf-16-le")) // 2, 260)
        self.assertEqual(digests(root), self.expected)
        shutil.rmtree(root)
        # Whole texts only, the share rising in steps that can be seen.
        shown = [text for text in self.seen_texts if text.startswith("Installing")]
        matches = [PROGRESS.fullmatch(text.encode() + b"\0") for text in shown]
        self.assertTrue(all(matches), shown)
        percents = [int(match.group(1)) for match in matches]
        self.assertGreaterEqual(len(set(percents)), 3, shown)
        self.assertEqual(percents, sorted(percents), shown)
        self.assertEqual(self.seen_texts[-1], COMPLETED)


class UnattendedInstalls(unittest.TestCase):
    """The Linux build's installer of the same payload from a script's command line: /S /D=PATH
    installs into a folder named in any script with no window and no sound and ends with 0; a line
    it cannot use ends with 2 and writes nothing; /? shows the usage in a message box."""

    @classmethod
    def setUpClass(cls):
        cls.session = harness.Session("packed-unattended", audio=True).start()
        cls.addClassCleanup(cls.session.close)
        cls.drive = cls.session.path("drive")
        os.makedirs(cls.drive)
        cls.session.prefix.map_drive("q", cls.drive)
        cls.addClassCleanup(cls.session.prefix.unmap_drive, "q")
        _, cls.program, cls.expected = packed_in_any_script(cls.session)

    def install(self, *arguments):
        """(exit code, windows mapped meanwhile, whether the sound device was opened)."""
        stop_watch = self.session.display.watch_mapped_windows(self.session.path("xev.log"))
        try:
            # The wave-out calls are traced: waveOutOpen is how the device is opened.
            code, _, log = run_quietly(["wine", self.program, *arguments], check=False, timeout=240,
                                       env=self.session.env(WINEDEBUG="-all,trace+winmm"))
        finally:
            mapped = stop_watch()
        return code, mapped, "waveOutOpen" in log

    def test_1_installs_into_a_folder_in_any_script_with_nothing_shown_or_heard(self):
        # Wine joins the arguments with one blank: /D= then takes "Q:\Ziel Ωmega 日本 🎮" whole.
        code, mapped, opened = self.install("/S", "/D=Q:\\Ziel", "\u03a9mega", "\u65e5\u672c", "\U0001f3ae")
        self.assertEqual((code, mapped, opened), (0, 0, False), "exit code, windows, sound device opened")
        root = os.path.join(self.drive, "Ziel \u03a9mega \u65e5\u672c \U0001f3ae", FOLDER_ANY_SCRIPT)
        self.assertEqual(digests(root), self.expected)
        shutil.rmtree(root)
        self.assertEqual(self.session.audio_clip().frames, 0)

    def test_2_a_command_line_it_cannot_use_ends_with_2_and_writes_nothing(self):
        before = tree(self.drive)
        for arguments in (["/S"], ["/S", "/D="], ["/S", "/D=relative"], ["/S", "/X", "/D=Q:\\x"], ["/S", "/?"]):
            with self.subTest(arguments=arguments):
                self.assertEqual(self.install(*arguments), (2, 0, False))
        self.assertEqual(tree(self.drive), before)

    def test_3_usage_shows_in_a_message_box(self):
        self.session.start_program(self.program, args=["/?"], wait_for_window=False)
        self.session.wait_for_window(30)
        self.assertEqual(self.session.testctl.call("rect")[0], MAIN_WINDOW_GONE, "a main window opened")
        self.assertEqual(answer_message_box(self.session), 0)


if __name__ == "__main__":
    harness.main()
