// Writing music into patterns: note names, a compact melody notation, drum grids and echoes.
//
// Melody notation, one token per note, separated by spaces:
//   NOTE:ROWS[@VELOCITY][MODIFIERS]
// NOTE is "C-5", "F#4", ... ; "---" is a rest that releases the previous note (key-off);
// "..." is a rest that lets the previous note ring on (no cell at all).
// ROWS is the note's length in rows (decimal). VELOCITY (decimal, 0..64) goes into the volume
// column of the note's first row; without it the instrument's default volume plays.
// MODIFIERS, in any order:
//   ~      vibrato on the held rows (from the third row on, or the second in short notes)
//   ^      glide into this note from the one before (tone portamento, no new attack)
//   \      fall off: portamento down over the note's last two rows
//   v      fade through the second half of the note with volume-column slides
//   V      fade through the second half of the note with volume-slide effects
//   eXYY   effect X with parameter YY (hex) on every row of the note, e.g. e037 (arpeggio)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/xmwriter/xm_writer.h"

namespace songgen {

constexpr int kRowsPerBeat = 4;
constexpr int kRowsPerBar = 16;
constexpr int kRowsPerPattern = 64;

// Effect numbers as stored in the effect column.
enum Effect : uint8_t {
  Arpeggio = 0x0,
  PortamentoUp = 0x1,
  PortamentoDown = 0x2,
  TonePortamento = 0x3,
  Vibrato = 0x4,
  VibratoVolumeSlide = 0x6,
  VolumeSlide = 0xA,
  PatternBreak = 0xD,
  Extended = 0xE,
};

// Volume-column commands.
constexpr uint8_t kSetVolume = 0x10;   // + volume 0..64
constexpr uint8_t kSlideDown = 0x60;   // + amount per tick
constexpr uint8_t kSlideUp = 0x70;     // + amount per tick

// Cell note value of a note name such as "C-4" or "F#3" (C-0 is 1, B-7 is 96); 0 when the
// name is not a note.
uint8_t NoteValue(const std::string& name);

// The name of a cell note 1..96, as NoteValue reads it.
std::string NoteName(uint8_t note);

// Fills a template with the notes of a chord: the placeholders R, O, F and T at the start of a
// token stand for the root, its octave above, the fifth above and the third above (minor
// third when `minor`), e.g. "R:3 O:2" on root A-2 gives "A-2:3 A-3:2".
std::string OnRoot(const std::string& groove, uint8_t root, bool minor);

// How a melody line plays: its instrument and the parameters its modifiers use.
struct LineStyle {
  uint8_t instrument = 0;
  uint8_t vibrato = 0x52;      // 4xy: speed 5, depth 2
  uint8_t glideSpeed = 0x08;   // 3xx
  uint8_t fallSpeed = 0x08;    // 2xx
  uint8_t fadeStep = 0x01;     // volume lost per tick while fading
};

// A run of consecutive 64-row patterns that the song writes as one stretch of rows.
class Section {
 public:
  Section(xmw::Module& module, int patternCount, std::string* error);

  int Rows() const { return int(patterns_.size()) * kRowsPerPattern; }
  const std::vector<int>& Patterns() const { return patterns_; }
  // The cell at a row of the section, or a scratch cell (and an error) outside it.
  xmw::Cell& At(int row, int channel);
  void Fail(const std::string& message);

 private:
  xmw::Module& module_;
  std::vector<int> patterns_;
  std::string* error_;
  xmw::Cell scratch_;
};

// Writes a melody line from `row` on; returns the row after its last note.
int WriteLine(Section& section, int channel, int row, const LineStyle& style,
              const std::string& notation);

// Repeats the cells of channel `from` on channel `to`, `delay` rows later, with their
// instrument replaced by `instrument` and their set-volume commands scaled to `percent`.
void WriteEcho(Section& section, int from, int to, int delay, uint8_t instrument, int percent);

// One drum voice of a grid: the symbol that strikes it, its instrument and volume (0..64).
struct DrumHit {
  char symbol;
  uint8_t instrument;
  uint8_t volume;
};

// Writes a grid of one character per row ('.' for nothing, spaces between bars are ignored)
// from `row` on, striking the voice of `kit` whose symbol matches.
void WriteDrums(Section& section, int channel, int row, const std::string& grid,
                const std::vector<DrumHit>& kit);

}  // namespace songgen
