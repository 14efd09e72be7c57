#!/usr/bin/python3
"""Runs a Windows console program of the build under Wine, in the build tree's own prefix, and
passes its output and exit code on. The prefix is locked for the run, so it never overlaps an
end-to-end session.

    wine_console.py --prefix PREFIX [--timeout SECONDS] -- PROGRAM.exe [ARGS...]
"""
import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness.proc import HarnessError, run  # noqa: E402
from harness.wine import WinePrefix  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__.strip().splitlines()[0])
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--timeout", type=float, default=120)
    parser.add_argument("command", nargs=argparse.REMAINDER)
    options = parser.parse_args()
    command = options.command[1:] if options.command[:1] == ["--"] else options.command
    if not command:
        parser.error("no program given")
    if not os.path.isfile(command[0]):
        print(f"wine_console: {command[0]} does not exist; build the Windows tree first",
              file=sys.stderr)
        return 2
    prefix = WinePrefix(options.prefix)
    try:
        prefix.lock()
        try:
            prefix.ensure(log=lambda text: print(text, file=sys.stderr))
            env = prefix.full_env()
            env.pop("DISPLAY", None)  # a console program needs no screen
            code, out, err = run(["wine", *command], env=env, timeout=options.timeout, check=False)
        finally:
            prefix.kill_server()
            prefix.unlock()
    except HarnessError as error:
        print(f"wine_console: {error}", file=sys.stderr)
        return 2
    sys.stdout.write(out)
    sys.stderr.write(err)
    return code


if __name__ == "__main__":
    sys.exit(main())
