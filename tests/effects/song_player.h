// Test-side harness for the sequencer: songs written with the XM writer for one rule each,
// loaded as the player loads them and played tick by tick, with what each tick left in the
// song position and the channels.
#pragma once

#include <cstdint>
#include <vector>

#include "music/module.h"
#include "tools/xmwriter/xm_writer.h"

namespace songtest {

// A cell of the song being written.
struct Note {
  uint8_t note = 0;  // 1..96, xmw::kKeyOff, 0 for none
  uint8_t instrument = 0;
  uint8_t volume = 0;
  uint8_t effect = 0;
  uint8_t parameter = 0;
};

// The XM note number of a note name's octave and semitone: C-4 is 49.
constexpr uint8_t NoteNumber(int octave, int semitone) { return uint8_t(12 * octave + semitone + 1); }
constexpr uint8_t C4 = NoteNumber(4, 0);

// A looping 8-bit square wave that sounds as long as a note lasts.
xmw::Sample LoopingSample(uint8_t volume = 64, uint8_t panning = 128);
xmw::Instrument InstrumentOf(xmw::Sample sample);

// A song of `channels` channels and one pattern of `rows` rows played once, linear frequency
// table, with one instrument (the looping sample) unless told otherwise.
xmw::Module Song(int channels = 2, int rows = 16, int speed = 6, int bpm = 125);

// Puts a cell into pattern `pattern` at `row`, `channel`.
void Put(xmw::Module& song, int pattern, int row, int channel, const Note& cell);

// What one tick left behind: the song position of that tick and one channel's state.
struct TickState {
  int32_t tick;           // the tick that ran (0 = the row's first)
  int32_t row;
  int32_t orderPosition;
  int32_t period;
  int32_t periodDelta;
  int32_t volume;
  int32_t volumeDelta;
  int32_t panning;
  int32_t globalVolume;
  uint8_t updateFlags;
  int32_t voiceIndex;     // the voice the channel plays through
  int32_t voiceVolume;    // that voice's final volume
};

// Plays a loaded module from its first row, tick by tick, without mixing.
class Player {
 public:
  explicit Player(const xmw::Module& song);
  ~Player();
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  Module* module() const { return module_; }
  // Runs one tick and returns channel `channel`'s state after it.
  TickState Tick(int channel = 0);
  // Runs `count` ticks and returns the states of `channel` after each.
  std::vector<TickState> Ticks(int count, int channel = 0);

 private:
  std::vector<uint8_t> image_;
  Module* module_;
};

// The values of one field over a run of ticks, for compact comparisons.
std::vector<int32_t> Periods(const std::vector<TickState>& ticks);
std::vector<int32_t> PeriodDeltas(const std::vector<TickState>& ticks);
std::vector<int32_t> Volumes(const std::vector<TickState>& ticks);
std::vector<int32_t> VolumeDeltas(const std::vector<TickState>& ticks);
std::vector<int32_t> Pannings(const std::vector<TickState>& ticks);
std::vector<int32_t> TickNumbers(const std::vector<TickState>& ticks);
std::vector<int32_t> Rows(const std::vector<TickState>& ticks);
std::vector<int32_t> Orders(const std::vector<TickState>& ticks);
// The ticks on which TriggerNote was raised.
std::vector<int32_t> TriggerTicks(const std::vector<TickState>& ticks);

}  // namespace songtest
