#!/usr/bin/python3
"""The harness hears what a program plays through wave-out: a known tone, frame for frame.

This checks the audio path itself (Wine's wave-out, ALSA, the harness's capture) so that a
silent capture in the installer's own tests points at the installer, not at the harness.
"""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

TONE_SECONDS = 2
TONE_PERIOD = 100            # frames: 441 Hz at 44,100 frames per second
TONE_AMPLITUDE = 10000
TONE_RMS = TONE_AMPLITUDE / 2 ** 0.5


class CapturedTone(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = session = harness.Session("audio-capture").start()
        try:
            began = time.monotonic()
            code, _ = session.testctl.call("tone", TONE_SECONDS, timeout=60)
            cls.playing_seconds = time.monotonic() - began
        finally:
            session.close()
        if code != 0:
            raise harness.HarnessError(f"zav-testctl tone failed with exit code {code}")
        cls.clip = session.audio.clip()
        cls.start = cls.clip.first_sound()
        if cls.start is None:
            raise harness.HarnessError("the capture holds no sound at all")
        cls.first = round(cls.start * harness.RATE)

    def tone_frames(self, channel):
        return self.clip.channel(channel)[self.first:]

    def test_tone_is_captured_whole_and_unbroken(self):
        for channel in (0, 1):
            samples = self.tone_frames(channel)
            length = TONE_SECONDS * harness.RATE
            self.assertGreaterEqual(len(samples), length, "the capture ends inside the tone")
            broken = [i for i in range(TONE_PERIOD, length) if samples[i] != samples[i - TONE_PERIOD]]
            self.assertEqual(broken[:5], [], f"channel {channel}: the tone is broken at these frames")
            self.assertFalse(any(samples[length:]), "sound after the tone's end")

    def test_the_card_plays_at_real_time(self):
        # The device that the harness records from keeps the pace of a sound card, so a program
        # waiting for its sound to be played waits as long as the sound lasts.
        self.assertGreaterEqual(self.playing_seconds, TONE_SECONDS * 0.95)

    def test_tone_has_its_level_on_both_channels(self):
        end = self.start + TONE_SECONDS
        for channel in (0, 1):
            self.assertAlmostEqual(self.clip.rms(self.start, end, channel), TONE_RMS, delta=TONE_RMS * 0.01)
        self.assertEqual(self.clip.peak(), TONE_AMPLITUDE)

    def test_wav_file_round_trip(self):
        import wave
        path = self.clip.save_wav(self.session.path("tone.wav"))
        with wave.open(path) as saved:
            self.assertEqual((saved.getnchannels(), saved.getsampwidth(), saved.getframerate()),
                             (2, 2, harness.RATE))
            self.assertEqual(saved.getnframes(), self.clip.frames)


class HelperShutdownCrash(unittest.TestCase):
    """A helper that Wine's shutdown kills by a signal after its work is done counts by the
    code of its work, and says so; a crash before that is an error of its own."""

    def test_outcomes(self):
        closing = "zav-testctl: tone ends with {}\n"
        said = []
        for code, err, expected in ((0, closing.format(0), 0), (3, closing.format(3), 3),
                                    (-11, closing.format(0), 0), (-11, closing.format(3), 3),
                                    (-6, "zav-testctl: tone failed\n" + closing.format(3), 3),
                                    (-11, closing.format(0).replace("\n", "\r\n"), 0)):
            with self.subTest(code=code, err=err):
                self.assertEqual(harness.wine.helper_outcome(("tone", 2), code, err, said.append), expected)
        self.assertEqual(len(said), 4)
        self.assertIn("after its work was done", said[0])
        for err in ("", "zav-testctl: rect ends with 0\n", "zav-testctl: tone ends with 0 and more"):
            with self.subTest(err=err), self.assertRaisesRegex(harness.HarnessError, "before its work was done"):
                harness.wine.helper_outcome(("tone", 2), -11, err, said.append)


if __name__ == "__main__":
    harness.main(needs=("testctl",))
