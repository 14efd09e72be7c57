#include "tests/effects/song_player.h"

#include <gtest/gtest.h>

#include "music/block_fill.h"
#include "music/mixer.h"
#include "music/module_loader.h"
#include "music/output_config.h"
#include "music/sequencer_state.h"
#include "music/song_clock.h"

namespace songtest {

xmw::Sample LoopingSample(uint8_t volume, uint8_t panning) {
  xmw::Sample sample;
  sample.bits = 8;
  for (int i = 0; i < 64; ++i) sample.pcm.push_back(i < 32 ? 100 : -100);
  sample.loop = xmw::LoopType::Forward;
  sample.loopStart = 0;
  sample.loopLength = 64;
  sample.volume = volume;
  sample.panning = panning;
  return sample;
}

xmw::Instrument InstrumentOf(xmw::Sample sample) {
  xmw::Instrument instrument;
  instrument.samples.push_back(std::move(sample));
  instrument.sampleMap = xmw::UniformSampleMap(0);
  return instrument;
}

xmw::Module Song(int channels, int rows, int speed, int bpm) {
  xmw::Module song;
  song.channels = uint16_t(channels);
  song.defaultSpeed = uint16_t(speed);
  song.defaultBpm = uint16_t(bpm);
  song.AddPattern(uint16_t(rows));
  song.orders = {0};
  song.instruments.push_back(InstrumentOf(LoopingSample()));
  return song;
}

void Put(xmw::Module& song, int pattern, int row, int channel, const Note& cell) {
  song.patterns.at(pattern).At(row, channel) =
      xmw::Cell{cell.note, cell.instrument, cell.volume, cell.effect, cell.parameter};
}

Player::Player(const xmw::Module& song) {
  std::vector<uint8_t> xm = xmw::WriteModule(song);
  uint32_t count = uint32_t(xm.size());
  image_ = {uint8_t(count), uint8_t(count >> 8), uint8_t(count >> 16), uint8_t(count >> 24)};
  image_.insert(image_.end(), xm.begin(), xm.end());
  module_ = LoadModuleImage(image_.data(), image_.size());
  EXPECT_NE(module_, nullptr) << "the song did not load";
  SetOutputRate(DefaultOutputRate);
  SetBlockSizes(DefaultOutputRate);
  ResetVoices();
  if (module_) BeginPlayback(module_);
}

Player::~Player() { FreeModule(module_); }

TickState Player::Tick(int channel) {
  TickState state = {};
  if (!module_) return state;
  state.tick = module_->tick;
  SequencerTick(module_);
  const Channel& c = Channels[channel];
  state.row = module_->row;
  state.orderPosition = module_->orderPosition;
  state.period = c.period;
  state.periodDelta = c.periodDelta;
  state.volume = c.volume;
  state.volumeDelta = c.volumeDelta;
  state.panning = c.panning;
  state.globalVolume = module_->globalVolume;
  state.updateFlags = c.updateFlags;
  state.voiceIndex = c.voice ? c.voice->index : -1;
  state.voiceVolume = c.voice ? c.voice->volume : 0;
  return state;
}

std::vector<TickState> Player::Ticks(int count, int channel) {
  std::vector<TickState> ticks;
  for (int i = 0; i < count; ++i) ticks.push_back(Tick(channel));
  return ticks;
}

namespace {

template <typename Field>
std::vector<int32_t> Collect(const std::vector<TickState>& ticks, Field field) {
  std::vector<int32_t> values;
  for (const TickState& state : ticks) values.push_back(field(state));
  return values;
}

}  // namespace

std::vector<int32_t> Periods(const std::vector<TickState>& t) {
  return Collect(t, [](const TickState& s) { return s.period; });
}
std::vector<int32_t> PeriodDeltas(const std::vector<TickState>& t) {
  return Collect(t, [](const TickState& s) { return s.periodDelta; });
}
std::vector<int32_t> Volumes(const std::vector<TickState>& t) {
  return Collect(t, [](const TickState& s) { return s.volume; });
}
std::vector<int32_t> VolumeDeltas(const std::vector<TickState>& t) {
  return Collect(t, [](const TickState& s) { return s.volumeDelta; });
}
std::vector<int32_t> Pannings(const std::vector<TickState>& t) {
  return Collect(t, [](const TickState& s) { return s.panning; });
}
std::vector<int32_t> TickNumbers(const std::vector<TickState>& t) {
  return Collect(t, [](const TickState& s) { return s.tick; });
}
std::vector<int32_t> Rows(const std::vector<TickState>& t) {
  return Collect(t, [](const TickState& s) { return s.row; });
}
std::vector<int32_t> Orders(const std::vector<TickState>& t) {
  return Collect(t, [](const TickState& s) { return s.orderPosition; });
}

std::vector<int32_t> TriggerTicks(const std::vector<TickState>& ticks) {
  std::vector<int32_t> triggered;
  for (const TickState& state : ticks) {
    if (state.updateFlags & TriggerNote) triggered.push_back(state.tick);
  }
  return triggered;
}

}  // namespace songtest
