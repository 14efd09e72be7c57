"""Where the harness finds the programs, the Wine prefix, its font and its work folders."""
import argparse
import os
import sys

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
WIN_BUILD = os.path.join(REPO, "build", "win")
# The harness's sound card, an ALSA device of the native tree (tests/e2e/alsa).
ALSA_CAPTURE = os.path.join(REPO, "build", "native", "tests", "e2e", "libasound_module_pcm_zav_capture.so")
# The "Terminal" raster font that the prefixes get (tools/fontgen).
TERMINAL_FONT = os.path.join(REPO, "assets", "fonts", "terminal.fon")


class Config:
    def __init__(self, program=None, testctl=None, prefix=None, work_dir=None, alsa_capture=None):
        self.program = program or os.path.join(WIN_BUILD, "ZAVInstaller.exe")
        self.testctl = testctl or os.path.join(WIN_BUILD, "tests", "e2e", "testctl", "zav-testctl.exe")
        self.prefix = prefix or os.environ.get("ZAV_WINEPREFIX") or os.path.join(WIN_BUILD, "wineprefix")
        self.work_dir = work_dir or os.path.join(REPO, "build", "e2e")
        self.alsa_capture = alsa_capture or ALSA_CAPTURE


# Filled by harness.main() from the command line; tests read it through Session.
CONFIG = Config()

MISSING_HELP = {
    "program": "build the Windows tree first: cmake -S . -B build/win "
               "-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake && cmake --build build/win -j2",
    "testctl": "build the Windows tree first (it builds zav-testctl next to the program): "
               "cmake --build build/win -j2",
}


def parse(argv, needs):
    """Reads the harness's options; the rest of argv is left for unittest."""
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--program", help="path of ZAVInstaller.exe")
    parser.add_argument("--testctl", help="path of zav-testctl.exe")
    parser.add_argument("--prefix", help="Wine prefix to use (created on first use)")
    parser.add_argument("--work", help="folder for the sessions' logs, captures and screenshots")
    parser.add_argument("--alsa-capture", help="path of the harness's ALSA device (libasound_module_pcm_zav_capture.so)")
    parser.add_argument("--timeout", type=float, default=150,
                        help="seconds after which the whole run gives up")
    args, rest = parser.parse_known_args(argv)
    config = Config(args.program, args.testctl, args.prefix, args.work, args.alsa_capture)
    for need in needs:
        path = getattr(config, need)
        if not os.path.isfile(path):
            sys.exit(f"error: {path} does not exist: {MISSING_HELP[need]}")
    config.program, config.testctl = map(os.path.abspath, (config.program, config.testctl))
    config.work_dir = os.path.abspath(config.work_dir)
    return config, args.timeout, rest
