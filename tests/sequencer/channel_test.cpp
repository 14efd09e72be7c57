// Tempo, playback start, the instrument reset and the volume column's tick-0 actions.
#include <gtest/gtest.h>

#include "music/mixer.h"
#include "music/output_config.h"
#include "music/sequencer_state.h"

namespace {

int32_t FramesPerTick(int32_t bpm) {
  Module module = {};
  SetTempo(&module, bpm);
  EXPECT_EQ(module.bpm, bpm);
  return module.framesPerTick;
}

TEST(SetTempo, FramesPerTickAt44100) {
  EXPECT_EQ(FramesPerTick(125), 882);
  EXPECT_EQ(FramesPerTick(100), 1103);  // 1102.5 and a little: the constants round it up
  EXPECT_EQ(FramesPerTick(32), 3445);
  EXPECT_EQ(FramesPerTick(255), 432);
  EXPECT_EQ(FramesPerTick(1), 110250);
}

TEST(SetTempo, TempoOf0OrBelowOrHugeStillGivesAtLeastOneFrame) {
  EXPECT_EQ(FramesPerTick(0), 110250);
  EXPECT_EQ(FramesPerTick(-32768), 110250);
  EXPECT_EQ(FramesPerTick(INT32_MAX), 1);
}

TEST(ResetPlayerState, StartsAtTheFirstOrderWithTheDefaults) {
  Module module = {};
  module.defaultSpeed = 6, module.defaultBpm = 125, module.initialGlobalVolume = 64;
  module.row = 7, module.tick = 3, module.orderPosition = 2, module.patternDelayTicks = 4;
  ResetPlayerState(&module);
  EXPECT_EQ(module.speed, 6);
  EXPECT_EQ(module.framesPerTick, 882);
  EXPECT_EQ(module.globalVolume, 64);
  EXPECT_EQ(module.nextRow, -1);
  EXPECT_EQ(module.nextOrderPosition, -1);
  EXPECT_EQ(module.row + module.tick + module.orderPosition + module.patternDelayTicks, 0);

  Channels[3].volume = 50;
  Channels[5].volume = 50;
  ResetChannels(4);
  EXPECT_EQ(Channels[3].volume, 0);
  EXPECT_EQ(Channels[3].voice, &Voices[3]);
  EXPECT_EQ(Channels[5].volume, 50);  // beyond the song's channels: untouched
  ResetChannels(1000);                // no more than the 32 channels there are
  EXPECT_EQ(Channels[31].voice, &Voices[31]);
}

TEST(ResetChannelInstrument, WaveformControlDecidesWhetherPositionsReturnTo0) {
  Sample sample = {};
  sample.volume = 40, sample.panning = 200;
  Channel c = {};
  c.vibratoPosition = 17, c.tremoloPosition = -9, c.waveforms = 0x04;  // E44, E70
  c.volumeEnvelopeLevel = 1234, c.keyOff = 1, c.tremorPhase = 5;
  ResetChannelInstrument(&c, &sample);
  EXPECT_EQ(c.vibratoPosition, 17);
  EXPECT_EQ(c.tremoloPosition, 0);
  EXPECT_EQ(c.volume, 40);
  EXPECT_EQ(c.panning, 200);
  EXPECT_EQ(c.volumeEnvelopeValue, 64);
  EXPECT_EQ(c.panningEnvelopeValue, 32);
  EXPECT_EQ(c.volumeEnvelopeLevel, 1234);  // the level keeps its value
  EXPECT_EQ(c.fadeoutVolume, 65536);
  EXPECT_EQ(c.keyOff, 0);
  EXPECT_EQ(c.tremorPhase, 0);
  EXPECT_EQ(c.updateFlags, UpdateVolume | UpdatePanning);
  c.waveforms = 0x40;
  ResetChannelInstrument(&c, &sample);
  EXPECT_EQ(c.vibratoPosition, 0);
}

struct ColumnCase {
  uint8_t byte;
  int32_t volume, panning;  // after, from volume 30 and panning 128
  uint8_t flags;
};

TEST(ApplyVolumeColumn, ActionsByRange) {
  const ColumnCase cases[] = {
      {0x10, 0, 128, UpdateVolume},  {0x50, 64, 128, UpdateVolume}, {0x55, 30, 128, 0},
      {0x0F, 30, 128, 0},            {0x6F, 30, 128, 0},            {0x7F, 30, 128, 0},
      {0x8F, 15, 128, UpdateVolume}, {0x9F, 45, 128, UpdateVolume}, {0xC3, 30, 48, UpdatePanning},
      {0xDF, 30, 128, 0},            {0xE5, 30, 128, 0},            {0xA7, 30, 128, 0}};
  for (const ColumnCase& k : cases) {
    Channel c = {};
    c.volume = 30, c.panning = 128;
    ApplyVolumeColumn(&c, k.byte);
    EXPECT_EQ(c.volume, k.volume) << std::hex << int(k.byte);
    EXPECT_EQ(c.panning, k.panning) << std::hex << int(k.byte);
    EXPECT_EQ(c.updateFlags, k.flags) << std::hex << int(k.byte);
  }
}

// The slides (0x6x, 0x7x, 0xDx, 0xEx) wait for the later ticks; the fine ones act now.
TEST(ApplyVolumeColumn, FineSlidesStopAt0And64) {
  Channel c = {};
  c.volume = 3;
  ApplyVolumeColumn(&c, 0x8A);
  EXPECT_EQ(c.volume, 0);
  c.volume = 60;
  ApplyVolumeColumn(&c, 0x9A);
  EXPECT_EQ(c.volume, 64);
}

TEST(ApplyVolumeColumn, VibratoAndTonePortamento) {
  Channel c = {};
  c.vibratoSpeed = 9, c.vibratoDepth = 9, c.portaSpeed = 48, c.notePeriod = 4000;
  c.updateFlags = TriggerNote | UpdateFrequency;
  ApplyVolumeColumn(&c, 0xA0);
  ApplyVolumeColumn(&c, 0xB5);
  EXPECT_EQ(c.vibratoSpeed, 0);
  EXPECT_EQ(c.vibratoDepth, 5);
  ApplyVolumeColumn(&c, 0xF0);  // speed 0 keeps the last speed, but still slides, not starts
  EXPECT_EQ(c.portaSpeed, 48);
  EXPECT_EQ(c.portaTarget, 4000);
  EXPECT_EQ(c.updateFlags, UpdateFrequency);
  ApplyVolumeColumn(&c, 0xF2);
  EXPECT_EQ(c.portaSpeed, 32);
}

}  // namespace
