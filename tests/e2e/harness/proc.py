"""Helper commands with time-outs, and waiting for conditions.

Every call here is bounded: a helper that hangs becomes a HarnessError naming the command,
never a hung test run.
"""
import os
import shlex
import subprocess
import tempfile
import time


class HarnessError(Exception):
    """Something the harness needed did not happen; the message says what and where to look."""


def command_text(argv):
    return " ".join(shlex.quote(str(part)) for part in argv)


def run(argv, env=None, timeout=30, check=True):
    """Runs a command and returns (exit code, stdout, stderr).

    Output goes through temporary files, not pipes: a Wine command may leave a daemon
    (the wine server, the desktop process) holding inherited descriptors, and reading a
    pipe to its end would then wait for that daemon instead of for the command.
    """
    argv = [str(part) for part in argv]
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        try:
            child = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        except FileNotFoundError:
            raise HarnessError(f"{argv[0]} not found: install the Debian package that provides it") from None
        try:
            code = child.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            child.kill()
            child.wait()
            raise HarnessError(f"'{command_text(argv)}' did not finish within {timeout} s") from None
        out.seek(0)
        err.seek(0)
        stdout = out.read().decode("utf-8", "replace")
        stderr = err.read().decode("utf-8", "replace")
    if check and code != 0:
        raise HarnessError(f"'{command_text(argv)}' failed with exit code {code}: {stderr.strip()}")
    return code, stdout, stderr


def wait_until(condition, timeout, what, interval=0.05):
    """Polls condition() until it returns a true value, which is returned."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise HarnessError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def process_alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        return True
    return True


def stop_process(child, grace=5):
    """Ends a child that we started: politely first, then by force."""
    if child.poll() is not None:
        return child.returncode
    child.terminate()
    try:
        return child.wait(timeout=grace)
    except subprocess.TimeoutExpired:
        child.kill()
        return child.wait()
