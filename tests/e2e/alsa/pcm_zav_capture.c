/* The harness's sound card: an ALSA playback device that plays at real time from a buffer,
 * as a sound card does, and hands every frame it is given to a file (the harness's pipe).
 *
 * ALSA's null device, which the harness had behind its file device, takes every frame at once
 * and so always looks empty. Wine keeps a sound card's buffer filled ahead and, when it finds
 * the card empty and has less than a period of the program's sound at hand, plays a period of
 * silence. Against an always empty device that happened whenever the thread that brings the
 * program's queued sound was a period (10 ms) late, which a busy machine makes it; against a
 * card with a buffer it takes a delay as long as the whole buffer.
 *
 * Its play position follows the clock from the first frame on and waits while the buffer is
 * empty, as a starved card does. Only 16-bit stereo at 44,100 frames per second; a plug device
 * in front converts.
 *
 *   pcm_type.zav_capture { lib "/path/libasound_module_pcm_zav_capture.so" }
 *   pcm.NAME { type zav_capture file "/path/to/fifo" }
 */
#include <alsa/asoundlib.h>
#include <alsa/pcm_external.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

enum { Rate = 44100, Channels = 2, FrameBytes = 4 };

typedef struct {
  snd_pcm_ioplug_t io;
  int out;                  /* where the frames go */
  int timer;                /* readable every period: the poll descriptor */
  uint64_t written;         /* frames given since prepare */
  uint64_t played;          /* frames played since prepare, at the last look */
  struct timespec origin;   /* the clock's start, or its last restart after a starved wait */
  uint64_t playedAtOrigin;
  snd_pcm_uframes_t boundary; /* where the position wraps */
} Card;

static double SecondsBetween(const struct timespec *from, const struct timespec *to) {
  return (double)(to->tv_sec - from->tv_sec) + (double)(to->tv_nsec - from->tv_nsec) / 1e9;
}

/* Plays what the clock says has played since the last look, never more than was given; an
 * empty buffer holds the clock back, so sound given after a starved wait plays at its pace. */
static void Play(Card *card) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  uint64_t due = card->playedAtOrigin + (uint64_t)(SecondsBetween(&card->origin, &now) * Rate);
  if (due <= card->written) {
    card->played = due;
    return;
  }
  card->played = card->written;
  card->origin = now;
  card->playedAtOrigin = card->written;
}

static int Start(snd_pcm_ioplug_t *io) {
  Card *card = io->private_data;
  clock_gettime(CLOCK_MONOTONIC, &card->origin);
  card->playedAtOrigin = card->played;
  return 0;
}

static int Stop(snd_pcm_ioplug_t *io) {
  (void)io;
  return 0;
}

/* The position counts up to the boundary, not the buffer's size: a whole buffer played
 * between two looks would otherwise not be seen. */
static snd_pcm_sframes_t Pointer(snd_pcm_ioplug_t *io) {
  Card *card = io->private_data;
  if (io->state == SND_PCM_STATE_RUNNING) Play(card);
  return (snd_pcm_sframes_t)(card->played % card->boundary);
}

static int SwParams(snd_pcm_ioplug_t *io, snd_pcm_sw_params_t *params) {
  Card *card = io->private_data;
  snd_pcm_uframes_t boundary;
  if (snd_pcm_sw_params_get_boundary(params, &boundary) < 0 || boundary == 0) return -EINVAL;
  card->boundary = boundary;
  return 0;
}

static snd_pcm_sframes_t Transfer(snd_pcm_ioplug_t *io, const snd_pcm_channel_area_t *areas,
                                  snd_pcm_uframes_t offset, snd_pcm_uframes_t size) {
  Card *card = io->private_data;
  const char *bytes = (const char *)areas->addr + (areas->first + areas->step * offset) / 8;
  size_t left = size * FrameBytes;
  while (left > 0) {
    ssize_t done = write(card->out, bytes, left);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return -EIO;
    bytes += done;
    left -= (size_t)done;
  }
  card->written += size;
  return (snd_pcm_sframes_t)size;
}

static int Prepare(snd_pcm_ioplug_t *io) {
  Card *card = io->private_data;
  card->written = 0;
  card->played = 0;
  long period = (long)((double)io->period_size * 1e9 / Rate);
  struct itimerspec every = {{period / 1000000000, period % 1000000000},
                             {period / 1000000000, period % 1000000000}};
  timerfd_settime(card->timer, 0, &every, NULL);
  return 0;
}

static int PollRevents(snd_pcm_ioplug_t *io, struct pollfd *descriptors, unsigned int count,
                       unsigned short *revents) {
  Card *card = io->private_data;
  (void)descriptors;
  (void)count;
  uint64_t ticks;
  while (read(card->timer, &ticks, sizeof ticks) > 0) {
  }
  *revents = POLLOUT;
  return 0;
}

static int Close(snd_pcm_ioplug_t *io) {
  Card *card = io->private_data;
  close(card->out);
  close(card->timer);
  free(card);
  return 0;
}

static const snd_pcm_ioplug_callback_t Callbacks = {
    .start = Start,
    .stop = Stop,
    .pointer = Pointer,
    .transfer = Transfer,
    .close = Close,
    .prepare = Prepare,
    .sw_params = SwParams,
    .poll_revents = PollRevents,
};

static int Constrain(snd_pcm_ioplug_t *io) {
  static const unsigned int access[] = {SND_PCM_ACCESS_RW_INTERLEAVED};
  static const unsigned int formats[] = {SND_PCM_FORMAT_S16_LE};
  int err;
  if ((err = snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_ACCESS, 1, access)) < 0 ||
      (err = snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_FORMAT, 1, formats)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_CHANNELS, Channels,
                                             Channels)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_RATE, Rate, Rate)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_PERIOD_BYTES, 64,
                                             Rate * FrameBytes)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_PERIODS, 2, 64)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_BUFFER_BYTES, 256,
                                             4 * Rate * FrameBytes)) < 0)
    return err;
  return 0;
}

SND_PCM_PLUGIN_DEFINE_FUNC(zav_capture) {
  (void)root;
  const char *file = NULL;
  snd_config_iterator_t i, next;
  snd_config_for_each(i, next, conf) {
    snd_config_t *entry = snd_config_iterator_entry(i);
    const char *id;
    if (snd_config_get_id(entry, &id) < 0) continue;
    if (!strcmp(id, "comment") || !strcmp(id, "type") || !strcmp(id, "hint")) continue;
    if (!strcmp(id, "file") && snd_config_get_string(entry, &file) >= 0) continue;
    SNDERR("zav_capture: unknown field %s", id);
    return -EINVAL;
  }
  if (!file || stream != SND_PCM_STREAM_PLAYBACK) return -EINVAL;
  Card *card = calloc(1, sizeof *card);
  if (!card) return -ENOMEM;
  card->out = open(file, O_WRONLY | O_CLOEXEC);
  card->timer = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (card->out < 0 || card->timer < 0) {
    int err = -errno;
    if (card->out >= 0) close(card->out);
    if (card->timer >= 0) close(card->timer);
    free(card);
    return err;
  }
  card->boundary = 1;  /* until the software parameters name it */
  card->io.version = SND_PCM_IOPLUG_VERSION;
  card->io.name = "zav capture";
  card->io.callback = &Callbacks;
  card->io.private_data = card;
  card->io.poll_fd = card->timer;
  card->io.poll_events = POLLIN;
  card->io.mmap_rw = 0;
  card->io.flags = SND_PCM_IOPLUG_FLAG_BOUNDARY_WA;
  int err = snd_pcm_ioplug_create(&card->io, name, stream, mode);
  if (err < 0) {
    close(card->out);
    close(card->timer);
    free(card);
    return err;
  }
  if ((err = Constrain(&card->io)) < 0) {
    snd_pcm_ioplug_delete(&card->io);
    return err;
  }
  *pcmp = card->io.pcm;
  return 0;
}

SND_PCM_PLUGIN_SYMBOL(zav_capture);
