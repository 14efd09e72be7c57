#!/usr/bin/python3
"""Cabinets through the installer's own extraction under Wine: the platform's decompressor
reading the memory file and the installer's callbacks writing the files.

Valid cabinets of the shared test data must give exactly the files that cabextract gives;
broken and malicious ones must fail cleanly; hand-made cabinets with hostile stored names
must write nothing outside their destination root. All cabinets go through one process, one
after the other, as repeated installs would.

    test_cabinets_under_wine.py --tool zav-cabcheck.exe --prefix PREFIX [--testdata DIR]
                                [--work DIR] [unittest arguments]
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
sys.path.insert(0, HERE)
from harness.proc import HarnessError, stop_process  # noqa: E402
from harness.wine import WinePrefix, windows_path  # noqa: E402
import cabinet_writer  # noqa: E402

OPTIONS = None
RUN_SECONDS = 240
UTF8 = cabinet_writer.ATTRIBUTE_ARCHIVE | cabinet_writer.NAME_IS_UTF8

# Cabinets that cabextract rejects but the platform's decompressor extracts all the same (it
# does not check that a file's folder exists, and a cabinet without files is simply empty).
# What it writes still has to stay inside the destination root.
LENIENT_PLATFORM = {"bad_folderindex", "bad_nofiles"}


def hostile_cabinets(work):
    """Hand-made cabinets: name -> (files, outcome, paths that must not exist afterwards).
    Each is written whole, except "cut-short", whose last 1000 bytes are missing."""
    outside = os.path.join(work, "escaped")
    rooted = os.path.abspath(outside + "-rooted.txt")
    data = random.Random(11)
    return {
        "climb": ([("first.txt", b"1"), ("..\\climbed.txt", b"evil"), ("last.txt", b"3")],
                  "failed", [os.path.join(work, "out", "climbed.txt")]),
        "climb-deep": ([("sub\\..\\..\\..\\deep.txt", b"evil")], "failed",
                       [os.path.join(work, "deep.txt")]),
        "climb-slash": ([("docs/../../slash.txt", b"evil")], "failed",
                        [os.path.join(work, "out", "slash.txt")]),
        "absolute": ([(windows_path(outside + "-absolute.txt"), b"evil")], "failed",
                     [outside + "-absolute.txt"]),
        # Rooted at the current drive, which is the one of the working folder (Z:).
        "rooted": ([(rooted.replace("/", "\\"), b"evil")], "failed", [rooted]),
        "device": ([("CON", b"written to a device\r\n")], "failed", []),
        "folders": ([("a\\b\\c.txt", b"deep"), ("a/d.txt", b"slash"),
                     ("big.bin", random.Random(7).randbytes(70000))], "ok", []),
        # Names without the UTF-8 mark are read in the ANSI code page (1252 in the tests' Windows),
        # UTF-8 bytes included; marked ones as UTF-8, and a marked name that is none is refused.
        "ansi-names": ([(b"Caf\xe9.txt", b"1"), (b"\xdcbung\\gr\xfc\xdfe.txt", b"2"), (b"Caf\xc3\xa9.txt", b"3")],
                       "ok", []),
        "utf8-names": ([("\u03a9\u03bc\u03ad\u03b3\u03b1\\\u65e5\u672c \U0001f3ae.txt".encode(), b"1", UTF8),
                        (b"Caf\xc3\xa9.txt", b"2", UTF8)], "ok", []),
        "utf8-invalid": ([("first.txt", b"1"), (b"Caf\xe9.txt", b"2", UTF8)], "failed", []),
        # The first file fills the first data block; the second has two blocks' worth
        # written before the data runs out in its third.
        "cut-short": ([("whole.bin", data.randbytes(cabinet_writer.BLOCK_SIZE)),
                       ("cut.bin", data.randbytes(2 * cabinet_writer.BLOCK_SIZE))], "failed", []),
    }


class CabinetRuns(unittest.TestCase):
    """One run of zav-cabcheck over every cabinet, shared by the checks below."""

    @classmethod
    def setUpClass(cls):
        os.makedirs(OPTIONS.work, exist_ok=True)
        cls.work = tempfile.mkdtemp(prefix="cabinets-", dir=OPTIONS.work)
        cls.addClassCleanup(shutil.rmtree, cls.work, ignore_errors=True)
        cls.cabs = os.path.join(cls.work, "cabs")
        cls.out = os.path.join(cls.work, "out")
        os.makedirs(cls.cabs)
        os.makedirs(cls.out)
        cls.hostile = hostile_cabinets(cls.work)
        paths = []
        for name, (files, _, _) in cls.hostile.items():
            path = os.path.join(cls.cabs, f"{name}.cab")
            with open(path, "wb") as cab:
                whole = cabinet_writer.cabinet(files)
                cab.write(whole[:-1000] if name == "cut-short" else whole)
            paths.append(path)
        cls.testdata = sorted(n[:-4] for n in os.listdir(OPTIONS.testdata) if n.endswith(".cab")) \
            if OPTIONS.testdata and os.path.isdir(OPTIONS.testdata) else []
        paths += [os.path.join(OPTIONS.testdata, f"{name}.cab") for name in cls.testdata]
        cls.prefix = WinePrefix(OPTIONS.prefix)
        cls.prefix.lock()
        cls.addClassCleanup(cls.prefix.unlock)
        cls.prefix.ensure(log=lambda text: print(text, flush=True))
        cls.code, cls.lines = cls.run_tool(windows_path(cls.out), paths)
        cls.results, cls.cursors = parse(cls.lines)

    @classmethod
    def run_tool(cls, out_dir, cabinets, extra_env=None):
        env = cls.prefix.full_env(extra_env or {})
        env.pop("DISPLAY", None)
        log = os.path.join(cls.work, "tool.log")
        with open(log, "wb") as output:
            child = subprocess.Popen(["wine", OPTIONS.tool, out_dir, *cabinets], env=env,
                                     cwd=cls.work, stdin=subprocess.DEVNULL, stdout=output,
                                     stderr=subprocess.STDOUT)
            try:
                code = child.wait(timeout=RUN_SECONDS)
            except subprocess.TimeoutExpired:
                stop_process(child, grace=2)
                code = "timed out"
            finally:
                cls.prefix.kill_server()
        with open(log, errors="replace") as output:
            lines = output.read().splitlines()
        os.remove(log)
        return code, lines

    def require_testdata(self):
        if not self.testdata:
            self.skipTest(f"skipped: test data folder {OPTIONS.testdata} is absent")

    def cabextract(self, name):
        """Files that cabextract extracts from a shared cabinet: relative path -> bytes."""
        target = os.path.join(self.work, "cabextract", name)
        os.makedirs(target, exist_ok=True)
        code = subprocess.run(["cabextract", "-q", "-d", target,
                               os.path.join(OPTIONS.testdata, f"{name}.cab")],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60).returncode
        return code, tree(target)

    # --- every cabinet ------------------------------------------------------------------

    def test_every_cabinet_ends_with_a_result_and_no_hang(self):
        self.assertEqual(self.code, 0, "\n".join(self.lines[-5:]))
        names = list(self.hostile) + self.testdata
        self.assertEqual(sorted(self.results), sorted(names))
        self.assertNotIn("hung", self.results.values())

    def test_every_extraction_gives_its_memory_file_cursor_back(self):
        # Far more extractions than the three cursors of the memory file, in one process.
        self.assertGreater(len(self.cursors), 3)
        self.assertEqual(set(self.cursors), {0})

    def test_nothing_is_written_outside_the_destination_roots(self):
        roots = set(self.results)
        for path in files_under(self.work):
            relative = os.path.relpath(path, self.work)
            parts = relative.split(os.sep)
            if parts[0] in ("cabs", "cabextract"):  # the inputs, the peer
                continue
            self.assertTrue(parts[0] == "out" and len(parts) > 2 and parts[1] in roots,
                            f"{relative} lies outside every destination root")

    # --- hand-made cabinets -------------------------------------------------------------

    def test_stored_names_that_leave_the_root_fail_the_install(self):
        for name, (_, outcome, forbidden) in self.hostile.items():
            with self.subTest(cabinet=name):
                self.assertEqual(self.results.get(name), outcome)
                for path in forbidden:
                    self.assertFalse(os.path.exists(path), f"{path} was written")
        self.assertNotIn("written to a device", "\n".join(self.lines))

    def test_files_before_a_refused_name_stay_and_none_after_it_is_written(self):
        self.assertEqual(tree(os.path.join(self.out, "climb")), {"first.txt": b"1"})

    def test_a_file_cut_short_by_a_damaged_cabinet_is_removed(self):
        # The files before it stay; a part of one would pass for an installed file.
        files, _, _ = self.hostile["cut-short"]
        self.assertEqual(tree(os.path.join(self.out, "cut-short")), {"whole.bin": files[0][1]})

    def test_names_in_either_encoding_are_installed_as_the_platform_reads_them(self):
        self.assertEqual(set(tree(os.path.join(self.out, "ansi-names"))),
                         {"Caf\u00e9.txt", "\u00dcbung/gr\u00fc\u00dfe.txt", "Caf\u00c3\u00a9.txt"})
        self.assertEqual(set(tree(os.path.join(self.out, "utf8-names"))),
                         {"\u03a9\u03bc\u03ad\u03b3\u03b1/\u65e5\u672c \U0001f3ae.txt", "Caf\u00e9.txt"})
        self.assertEqual(tree(os.path.join(self.out, "utf8-invalid")), {"first.txt": b"1"})

    def test_folders_in_stored_names_are_made_below_the_root(self):
        files, _, _ = self.hostile["folders"]
        expected = {name.replace("\\", "/"): data for name, data in files}
        self.assertEqual(tree(os.path.join(self.out, "folders")), expected)

    # --- the shared test cabinets -------------------------------------------------------

    def test_valid_cabinets_give_the_files_that_cabextract_gives(self):
        self.require_testdata()
        compared = 0
        for name in self.testdata:
            code, expected = self.cabextract(name)
            if code != 0 or not self.is_whole_cabinet(name):
                continue
            with self.subTest(cabinet=name):
                self.assertEqual(self.results.get(name), "ok")
                self.assertEqual(tree(os.path.join(self.out, name)), expected)
            compared += 1
        self.assertGreaterEqual(compared, 10)

    def test_broken_cabinets_fail(self):
        self.require_testdata()
        failing = 0
        for name in self.testdata:
            code, _ = self.cabextract(name)
            if code == 0 or name in LENIENT_PLATFORM:
                continue
            with self.subTest(cabinet=name):
                self.assertEqual(self.results.get(name), "failed")
            failing += 1
        self.assertGreaterEqual(failing, 30)

    def test_a_cabinet_found_only_by_searching_a_file_is_no_cabinet(self):
        # The memory file is the cabinet: nothing looks for one further into it.
        self.require_testdata()
        searched = [name for name in self.testdata if not self.is_whole_cabinet(name)
                    and self.cabextract(name)[0] == 0]
        self.assertIn("search_basic", searched)
        for name in searched:
            self.assertEqual(self.results.get(name), "failed", name)

    def is_whole_cabinet(self, name):
        """Whether the file is one cabinet and nothing else: its signature first, and as long as
        its header says. cabextract also finds cabinets further into a file; the memory file is
        taken as the cabinet itself."""
        with open(os.path.join(OPTIONS.testdata, f"{name}.cab"), "rb") as cab:
            data = cab.read()
        return data[:4] == b"MSCF" and int.from_bytes(data[8:12], "little") == len(data)


def parse(lines):
    """({cabinet name: ok|failed|hung}, [cursors taken after each extraction])."""
    results, cursors = {}, []
    for line in lines:
        words = line.split()
        if len(words) == 3 and words[0] == "cabinet":
            results[words[1][:-4] if words[1].endswith(".cab") else words[1]] = words[2]
        elif len(words) == 2 and words[0] == "cursors-taken":
            cursors.append(int(words[1]))
    return results, cursors


def files_under(folder):
    for base, _, names in os.walk(folder):
        for name in names:
            yield os.path.join(base, name)


def tree(folder):
    """Every file below a folder: path relative to it (with "/") -> bytes."""
    files = {}
    for path in files_under(folder):
        with open(path, "rb") as data:
            files[os.path.relpath(path, folder).replace(os.sep, "/")] = data.read()
    return files


def main():
    global OPTIONS
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--tool", required=True, help="path of zav-cabcheck.exe")
    parser.add_argument("--prefix", required=True, help="Wine prefix (created on first use)")
    parser.add_argument("--testdata", default="", help="folder of the shared test cabinets")
    parser.add_argument("--work", default=os.path.join(tempfile.gettempdir(), "zav-cabinets"))
    OPTIONS, rest = parser.parse_known_args()
    if not os.path.isfile(OPTIONS.tool):
        sys.exit(f"error: {OPTIONS.tool} does not exist: build the Windows tree first")
    if shutil.which("cabextract") is None:
        sys.exit("error: cabextract is not installed (Debian package cabextract)")
    OPTIONS.tool, OPTIONS.work = os.path.abspath(OPTIONS.tool), os.path.abspath(OPTIONS.work)
    if OPTIONS.testdata:
        OPTIONS.testdata = os.path.abspath(OPTIONS.testdata)
    program = unittest.main(argv=[sys.argv[0], *rest], exit=False, verbosity=2)
    result = program.result
    # A test with failing subtests is listed once per subtest; count it once.
    problems = [test for test, _ in result.failures + result.errors]
    failed = len({getattr(test, "test_case", test).id() for test in problems})
    failed += len(result.unexpectedSuccesses)
    passed = max(0, result.testsRun - failed - len(result.skipped))
    print(f"cabinets: {passed} passed, {failed} failed, {len(result.skipped)} skipped", flush=True)
    sys.exit(0 if result.wasSuccessful() and result.testsRun > 0 else 1)


if __name__ == "__main__":
    main()
