#!/usr/bin/python3
"""The program's music as the sound device gets it: the embedded song, sample for sample as
zav-render mixes it without a device. The ring is primed, then refilled block by block behind the
device's play position, so a block filled twice, skipped or written while it was playing would
show up as a difference."""
import array
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

PLAY_SECONDS = 7
COMPARE_SECONDS = 5   # well past the primed ring (about 2 s): refilled blocks are compared too
CHANNELS = 2
RATE = 44100
ZAV_RENDER = os.environ.get("ZAV_RENDER", "")


def first_sound(samples):
    return next((index for index, value in enumerate(samples) if value), None)


def rendered(song=None, seconds=PLAY_SECONDS + 1):
    """Samples of `song` (the program's own when None) as zav-render mixes it without a device."""
    if not os.path.isfile(ZAV_RENDER):
        raise harness.HarnessError(f"zav-render not found at '{ZAV_RENDER}': build the native tree first")
    args = [ZAV_RENDER] + ([song] if song else []) + ["--seconds", str(seconds), "-o", "-"]
    samples = array.array("h")
    samples.frombytes(subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60,
                                     check=True).stdout)
    return samples


def assert_heard_as_mixed(test, captured, expected):
    """The capture, from its first sound on, equals the mix for COMPARE_SECONDS."""
    start_captured, start_expected = first_sound(captured), first_sound(expected)
    test.assertIsNotNone(start_captured, "the program played nothing")
    offset = start_captured - start_expected
    test.assertEqual(offset % CHANNELS, 0, "the capture starts in the middle of a frame")
    test.assertGreaterEqual(offset, 0)
    count = COMPARE_SECONDS * RATE * CHANNELS
    test.assertGreaterEqual(len(captured) - offset, count,
                            f"only {(len(captured) - offset) / CHANNELS / RATE:.2f} s captured")
    heard = captured[offset:offset + count]
    mixed = expected[:count]
    if heard != mixed:
        first = next(i for i in range(count) if heard[i] != mixed[i])
        differing = sum(1 for i in range(count) if heard[i] != mixed[i])
        test.fail(f"{differing} of {count} samples differ, the first at frame {first // CHANNELS} "
                  f"({first // CHANNELS / RATE:.3f} s): heard {heard[first]}, mixed {mixed[first]}")


class ProgramMusic(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.expected = rendered()
        cls.session = session = harness.Session("music").start()
        cls.addClassCleanup(session.close)
        session.start_program()
        time.sleep(PLAY_SECONDS)
        cls.clip = session.audio.clip()

    def test_the_device_gets_the_song_as_mixed_without_a_device(self):
        assert_heard_as_mixed(self, self.clip.samples, self.expected)


if __name__ == "__main__":
    harness.main()
