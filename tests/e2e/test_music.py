#!/usr/bin/python3
"""The program's music as the sound device gets it: the embedded song, sample for sample as
zav-render mixes it without a device, once its fade-in of two seconds is over. The ring is
primed, then refilled block by block behind the device's play position, so a block filled twice,
skipped or written while it was playing would show up as a difference. The M key turns it off,
with the device left playing silence, and on again."""
import array
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

PLAY_SECONDS = 7
FADE_IN_SECONDS = 2.1  # the fade-in takes 2 s; from a little later the device gets the mix itself
COMPARE_SECONDS = 3    # past the primed ring (about 2 s, all of it faded in): refilled blocks
SWITCH_AT, SWITCHED_OFF_FOR, AFTER = 5, 3, 4  # seconds: M, M again, a look at the music after
CHANNELS = 2
RATE = 44100
FADE_IN = int(FADE_IN_SECONDS * RATE) * CHANNELS  # samples
PROBE = 400  # samples after the fade-in by which the capture is lined up with the mix
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


def song_start(test, captured, expected):
    """Where the mix's first sample lies in the capture. The fade-in turns the first quiet
    samples to 0, so the first sound heard comes a little after the first one mixed; the mix
    just after the fade-in, found in the capture, tells the exact place."""
    start_captured, start_expected = first_sound(captured), first_sound(expected)
    test.assertIsNotNone(start_captured, "the program played nothing")
    probe = expected[FADE_IN:FADE_IN + PROBE]
    latest = start_captured - start_expected
    for offset in range(latest - latest % CHANNELS, max(latest - FADE_IN, 0) - 1, -CHANNELS):
        if captured[offset + FADE_IN:offset + FADE_IN + PROBE] == probe:
            return offset
    test.fail("the mix after the fade-in is nowhere in the capture")


def assert_heard_as_mixed(test, captured, expected, seconds=COMPARE_SECONDS):
    """The capture, from the end of the fade-in on, equals the mix for `seconds`."""
    offset = song_start(test, captured, expected) + FADE_IN
    count = int(seconds * RATE) * CHANNELS
    test.assertGreaterEqual(len(captured) - offset, count,
                            f"only {(len(captured) - offset) / CHANNELS / RATE:.2f} s captured after the fade-in")
    heard = captured[offset:offset + count]
    mixed = expected[FADE_IN:FADE_IN + count]
    if heard != mixed:
        first = next(i for i in range(count) if heard[i] != mixed[i])
        differing = sum(1 for i in range(count) if heard[i] != mixed[i])
        test.fail(f"{differing} of {count} samples differ, the first at frame {first // CHANNELS} "
                  f"({first // CHANNELS / RATE:.3f} s): heard {heard[first]}, mixed {mixed[first]}")


def silent_stretches(samples):
    """(first frame, frames) of each run of frames that are all 0."""
    runs, start = [], None
    for frame in range(len(samples) // CHANNELS):
        silent = not (samples[frame * CHANNELS] or samples[frame * CHANNELS + 1])
        if silent and start is None:
            start = frame
        elif not silent and start is not None:
            runs.append((start, frame - start))
            start = None
    return runs


class ProgramMusic(unittest.TestCase):
    """The song plays; M at 5 s turns it off, M 3 s later on again."""

    @classmethod
    def setUpClass(cls):
        cls.expected = rendered(seconds=SWITCH_AT + SWITCHED_OFF_FOR + AFTER)
        cls.session = session = harness.Session("music").start()
        cls.addClassCleanup(session.close)
        session.start_program()
        time.sleep(SWITCH_AT)
        session.display.key("m")
        time.sleep(SWITCHED_OFF_FOR)
        session.display.key("m")
        time.sleep(AFTER)
        cls.clip = session.audio.clip()

    def silence(self):
        """(start, frames) of the one silent stretch of 1.5 s or more, frames from the mix's
        start; fails unless there is exactly one."""
        start = song_start(self, self.clip.samples, self.expected) // CHANNELS
        runs = [run for run in silent_stretches(self.clip.samples[start * CHANNELS:]) if run[1] >= 1.5 * RATE]
        self.assertEqual(len(runs), 1, f"not one silent stretch of 1.5 s or more: {runs}")
        return runs[0]

    def test_the_device_gets_the_song_as_mixed_without_a_device(self):
        # Up to a little before the ramp down to the silence, wherever the key came in.
        seconds = self.silence()[0] / RATE - 0.1 - FADE_IN_SECONDS
        self.assertGreater(seconds, 1, "the music was switched off too early to compare")
        assert_heard_as_mixed(self, self.clip.samples, self.expected, min(seconds, COMPARE_SECONDS))

    def test_the_music_fades_in(self):
        start = song_start(self, self.clip.samples, self.expected) // CHANNELS / RATE
        self.assertLess(self.clip.rms(start, start + 0.2), self.clip.rms(start + 2, start + 3) / 2,
                        "the first 200 ms are not quieter than the music after the fade-in")

    def test_m_turns_the_music_off_and_on_again_with_the_device_playing_silence(self):
        start = song_start(self, self.clip.samples, self.expected) // CHANNELS
        first, frames = self.silence()
        self.assertLess(frames, (SWITCHED_OFF_FOR + 1) * RATE, "the music stayed off too long")
        before = (start + first) / RATE
        after = before + frames / RATE
        self.assertGreater(self.clip.rms(before - 1, before - 0.1), 100, "no music before the silence")
        self.assertGreater(self.clip.rms(after + 0.1, after + 1), 100, "no music after the silence")


if __name__ == "__main__":
    harness.main()
