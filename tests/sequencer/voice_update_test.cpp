// From channel state to voice: the move to the partner voice on a new note, volume and
// panning into gains, frequency into the 32.32 step, and the limits of each.
#include <gtest/gtest.h>

#include "music/mixer.h"
#include "music/output_config.h"
#include "music/pitch.h"
#include "music/sequencer_state.h"
#include "music/voice_update.h"

namespace {

class VoiceUpdate : public testing::Test {
 protected:
  void SetUp() override {
    ResetVoices();
    ResetChannels(MaxChannels);
    module_.flags = LinearFrequencyTable;
    module_.globalVolume = 64;
    looped_.loopKind = ForwardLoop, looped_.loopStart = 100, looped_.loopLength = 900;
    looped_.length = 1000;
  }

  Channel* Playing(int c) {
    Channel* channel = &Channels[c];
    channel->volume = 64, channel->volumeEnvelopeValue = 64, channel->fadeoutVolume = 65536;
    channel->panning = 128, channel->panningEnvelopeValue = 32, channel->period = 4608;
    return channel;
  }

  void Update(Channel* c, uint8_t flags, Sample* sample = nullptr) {
    c->updateFlags = flags;
    UpdateVoice(c, sample ? sample : &looped_, &module_);
  }

  Module module_ = {};
  Sample looped_ = {};
};

const uint8_t Everything = TriggerNote | UpdateVolume | UpdatePanning | UpdateFrequency;

TEST_F(VoiceUpdate, NewNotesAlternateBetweenTheChannelsTwoVoices) {
  Channel* c = Playing(3);
  Update(c, Everything);
  EXPECT_EQ(c->voice, &Voices[3]);
  Voices[3].position = 500, Voices[3].currentLeft = 64 * 256;
  Update(c, Everything);
  EXPECT_EQ(c->voice, &Voices[35]);
  EXPECT_EQ(Voices[35].index, 35);
  EXPECT_EQ(Voices[35].position, 0);
  EXPECT_EQ(Voices[35].currentLeft, 0);  // the new note rises from silence
  EXPECT_EQ(Voices[3].sample, &looped_);  // the old one fades from where it was
  EXPECT_EQ(Voices[3].position, 500);
  EXPECT_EQ(Voices[3].currentLeft, 64 * 256);
  EXPECT_EQ(Voices[3].volumeLeft + Voices[3].volumeRight + Voices[3].volume, 0);
  Update(c, Everything);
  EXPECT_EQ(c->voice, &Voices[3]);
  EXPECT_EQ(Voices[3].index, 3);
}

TEST_F(VoiceUpdate, ANoteAfterTheSampleEndedStaysOnItsVoice) {
  Channel* c = Playing(5);
  Update(c, Everything);
  Voices[5].sample = nullptr;  // what the mixer leaves at the end of a sample without a loop
  Update(c, Everything);
  EXPECT_EQ(c->voice, &Voices[5]);
}

TEST_F(VoiceUpdate, StartOffsetBeyondTheLoopEndPlaysFrom0) {
  Channel* c = Playing(0);
  Voices[0].startOffset = 999;
  Update(c, TriggerNote);
  EXPECT_EQ(Voices[0].position, 999);
  Voices[0].sample = nullptr;
  Voices[0].startOffset = 1000;
  Update(c, TriggerNote);
  EXPECT_EQ(Voices[0].position, 0);
  EXPECT_EQ(Voices[0].startOffset, 0u);
}

TEST_F(VoiceUpdate, VolumeAndPanningBecomeTheTwoGains) {
  Channel* c = Playing(1);
  Update(c, UpdateVolume | UpdatePanning);
  EXPECT_EQ(Voices[1].volume, 128);  // 127.5 rounds to even
  EXPECT_EQ(Voices[1].volumeLeft, 63);  // panning 0 is the left output, 255 the right
  EXPECT_EQ(Voices[1].volumeRight, 64);
  c->volume = 32;
  Update(c, UpdateVolume);
  EXPECT_EQ(Voices[1].volume, 64);
  const struct { int32_t panning, envelope, result; } cases[] = {
      {128, 64, 255}, {128, 0, 0}, {128, 33, 132}, {20, 64, 20}, {240, 0, 240}, {300, 0, 255}};
  for (const auto& k : cases) {
    c->panning = k.panning, c->panningEnvelopeValue = k.envelope;
    Update(c, UpdatePanning);
    EXPECT_EQ(Voices[1].panning, k.result) << k.panning << " " << k.envelope;
    EXPECT_EQ(Voices[1].volumeLeft, (255 - k.result) * 64 / 255);
    EXPECT_EQ(Voices[1].volumeRight, 64 * k.result / 255);
  }
}

TEST_F(VoiceUpdate, FrequencyAndStep) {
  Channel* c = Playing(2);
  Update(c, UpdateFrequency);
  EXPECT_EQ(Voices[2].frequency, 8363);
  EXPECT_EQ(Voices[2].step, 0);
  EXPECT_EQ(Voices[2].stepFraction, 814485521u);
  c->periodDelta = 64;  // adds pitch in the linear table
  Update(c, UpdateFrequency);
  EXPECT_EQ(Voices[2].frequency, LinearFrequency(64));
  module_.flags = 0;
  c->period = 1700, c->periodDelta = 12;  // and period in the Amiga table
  Update(c, UpdateFrequency);
  EXPECT_EQ(Voices[2].frequency, 8362);
}

TEST_F(VoiceUpdate, PeriodLimits) {
  Channel* c = Playing(4);
  module_.flags = 0;
  c->period = 1712, c->periodDelta = -1712;  // a sum of 0 leaves the frequency alone
  Voices[4].frequency = 1234, Voices[4].step = 7;
  Update(c, UpdateFrequency);
  EXPECT_EQ(Voices[4].frequency, 1234);
  EXPECT_EQ(Voices[4].step, 7);
  EXPECT_EQ(c->updateFlags, 0);
  c->periodDelta = -3424;  // negative: the frequency is kept, the step is that of 100 Hz
  Update(c, UpdateFrequency);
  EXPECT_EQ(Voices[4].frequency, -8362);
  EXPECT_EQ(Voices[4].step, 0);
  EXPECT_EQ(Voices[4].stepFraction, uint32_t((uint64_t(100) << 32) / 44100));
  module_.flags = LinearFrequencyTable;
  c->period = INT32_MIN, c->periodDelta = INT32_MAX;  // beyond 32 bits: saturates
  Update(c, UpdateFrequency);
  EXPECT_EQ(Voices[4].frequency, INT32_MAX);
  EXPECT_EQ(Voices[4].step, INT32_MAX / 44100);
}

// The step comes from the rate's reciprocal; it must be the rounded-down quotient at every
// rate, for the lowest and highest frequencies too.
TEST_F(VoiceUpdate, StepIsTheRoundedDownQuotientAtEveryRate) {
  const int32_t rates[] = {1, 2, 3, 7, 11025, 44100, 48000, 96000, 1000003, INT32_MAX};
  const uint32_t hertz[] = {0, 1, 100, 8363, 44099, 44100, 44101, 96000, 1u << 31, UINT32_MAX};
  for (int32_t rate : rates) {
    SetOutputRate(rate);
    for (uint32_t h : hertz) {
      uint64_t expected = (uint64_t(h / rate) << 32) | ((uint64_t(h % rate) << 32) / rate);
      EXPECT_EQ(FrameStepOf(h), expected) << h << " Hz at " << rate;
    }
  }
  SetOutputRate(DefaultOutputRate);
}

TEST_F(VoiceUpdate, StopSilencesTheVoice) {
  Channel* c = Playing(6);
  Update(c, Everything);
  Voices[6].position = 700, Voices[6].positionFraction = 5, Voices[6].startOffset = 3;
  Update(c, StopVoice);
  EXPECT_EQ(Voices[6].sample, nullptr);
  EXPECT_EQ(Voices[6].position, 0);
  EXPECT_EQ(Voices[6].positionFraction, 0u);
  EXPECT_EQ(Voices[6].startOffset, 0u);
}

}  // namespace
