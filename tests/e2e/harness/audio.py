"""Hearing what the program plays: an ALSA device of the run's own that lands in a file.

The program plays through Wine's wave-out, which Wine hands to ALSA's default device. For
the run, ALSA reads only a configuration file written here, whose default device converts
to 16-bit stereo at 44,100 frames per second and plays into the harness's sound card
(tests/e2e/alsa): a device that plays at real time from a buffer, as a sound card does, and
writes every frame it is given into a named pipe. A thread of the harness drains that pipe
into a raw file.

The card, not the drain, keeps the pace. A device that took every frame at once (ALSA's null
device, which the harness used before) always looks empty to Wine, which then plays a period
of silence whenever the program's queued sound reaches it a period late: on a busy machine
that broke the captured sound where a real card, with a buffer to play from, holds.
"""
import array
import fcntl
import math
import os
import select
import sys
import threading
import wave

from .proc import HarnessError

RATE = 44100
CHANNELS = 2
SAMPLE_BYTES = 2
FRAME_BYTES = CHANNELS * SAMPLE_BYTES
PIPE_BYTES = 1 << 20          # the drain keeps up; a long stall of it only pauses the card
F_SETPIPE_SZ = 1031

ALSA_CONFIG = """\
# Written by the end-to-end harness for one run: everything played lands in a pipe.
pcm_type.zav_capture {{
  lib "{plugin}"
}}
pcm.!default {{
  type plug
  slave {{ pcm "zav_capture" format S16_LE rate {rate} channels {channels} }}
}}
pcm.zav_capture {{
  type zav_capture
  file "{pipe}"
}}
"""


class AudioCapture:
    def __init__(self, work_dir, plugin):
        self.config_path = os.path.join(work_dir, "asound.conf")
        self.pipe_path = os.path.join(work_dir, "audio.fifo")
        self.raw_path = os.path.join(work_dir, "audio.raw")
        self.plugin = plugin
        self._stop = threading.Event()
        self._thread = None
        self._pipe = None

    @property
    def env(self):
        return {"ALSA_CONFIG_PATH": self.config_path}

    def start(self):
        if not os.path.isfile(self.plugin):
            raise HarnessError(f"the harness's sound card {self.plugin} does not exist: build the "
                               "native tree (cmake --build build/native --target zav_alsa_capture)")
        with open(self.config_path, "w") as out:
            out.write(ALSA_CONFIG.format(plugin=self.plugin, rate=RATE, channels=CHANNELS,
                                         pipe=self.pipe_path))
        if os.path.lexists(self.pipe_path):
            os.unlink(self.pipe_path)
        os.mkfifo(self.pipe_path, 0o600)
        # Opened for reading and writing, so that opening it for writing never blocks and the
        # pipe never reports its end while the program closes and reopens the device.
        self._pipe = os.open(self.pipe_path, os.O_RDWR | os.O_NONBLOCK)
        try:
            fcntl.fcntl(self._pipe, F_SETPIPE_SZ, PIPE_BYTES)
        except OSError:
            pass  # the default size only makes a stalled drain pause the card sooner
        self._raw = open(self.raw_path, "wb")
        self._thread = threading.Thread(target=self._drain, name="audio-drain", daemon=True)
        self._thread.start()
        return self

    def _drain(self):
        while not self._stop.is_set():
            ready, _, _ = select.select([self._pipe], [], [], 0.02)
            if ready:
                self._raw.write(self._read(1 << 20))

    def _read(self, limit):
        try:
            return os.read(self._pipe, limit)
        except BlockingIOError:
            return b""

    def stop(self):
        """Stops draining; what is still in the pipe is kept."""
        if self._thread is None:
            return
        self._stop.set()
        self._thread.join(timeout=5)
        self._thread = None
        while True:
            data = self._read(1 << 20)
            if not data:
                break
            self._raw.write(data)
        self._raw.close()
        os.close(self._pipe)
        os.unlink(self.pipe_path)

    def clip(self):
        """Everything captured so far (the drain may still be adding to it)."""
        if self._thread is not None:
            self._raw.flush()
        with open(self.raw_path, "rb") as raw:
            return AudioClip(raw.read())


class AudioClip:
    """16-bit stereo frames at 44,100 per second, left and right interleaved."""

    def __init__(self, data):
        data = data[:len(data) - len(data) % FRAME_BYTES]
        self.samples = array.array("h")
        self.samples.frombytes(data)
        if sys.byteorder == "big":
            self.samples.byteswap()

    @property
    def frames(self):
        return len(self.samples) // CHANNELS

    @property
    def seconds(self):
        return self.frames / RATE

    def channel(self, index, start=0.0, end=None):
        """Samples of one channel (0 left, 1 right) between two times in seconds."""
        first = int(start * RATE)
        last = self.frames if end is None else min(self.frames, int(end * RATE))
        return self.samples[first * CHANNELS + index:last * CHANNELS:CHANNELS]

    def rms(self, start=0.0, end=None, channel=None):
        """Root mean square of one channel, or of both, between two times in seconds."""
        channels = range(CHANNELS) if channel is None else (channel,)
        total = count = 0
        for index in channels:
            part = self.channel(index, start, end)
            total += sum(value * value for value in part)
            count += len(part)
        return math.sqrt(total / count) if count else 0.0

    def peak(self, start=0.0, end=None):
        part = self.samples[int(start * RATE) * CHANNELS:None if end is None else int(end * RATE) * CHANNELS]
        return max((abs(value) for value in part), default=0)

    def first_sound(self, threshold=1):
        """Time in seconds of the first frame with a sample of at least `threshold`, or None."""
        for index, value in enumerate(self.samples):
            if abs(value) >= threshold:
                return (index // CHANNELS) / RATE
        return None

    def save_wav(self, path):
        data = self.samples
        if sys.byteorder == "big":
            data = array.array("h", data)
            data.byteswap()
        with wave.open(path, "wb") as out:
            out.setnchannels(CHANNELS)
            out.setsampwidth(SAMPLE_BYTES)
            out.setframerate(RATE)
            out.writeframes(data.tobytes())
        return path
