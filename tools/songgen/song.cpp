// "Embers": a minute and a half in A minor at 128 beats a minute, for the splash window.
//
// Form, one pattern = four bars of sixteen rows (a row is a sixteenth note):
//   intro 1   Am F C G   pad and chip arpeggios alone
//   intro 2   Am F C E   drums and bass come in, snare fill, lead pick-up
//   A         Am F C G | Am F C E        the theme
//   B         F G Em Am | Dm G C E       the bridge, gliding lead over a broken beat
//   fill      E E        two bars (the pattern breaks off half way), bass dive and a riser
//   A'        as A, with an echo of the lead and open hats
//   breakdown Am F C G   the chip sings the theme over the pad, drums out
//   build     Dm F G E   snare roll into A' once more
// and then the song returns to A.
#include "tools/songgen/song.h"

#include <vector>

#include "tools/songgen/instruments.h"
#include "tools/songgen/score.h"

namespace songgen {
namespace {

enum Channel : int {
  KickChannel,
  SnareChannel,
  HatChannel,
  BassChannel,
  LeadChannel,
  EchoChannel,
  ChipChannel,
  PadChannel,  // and the two after it: a three-voice chord
  CrashChannel = PadChannel + 3,
  ChannelCount,
};

constexpr int kEchoDelay = 3;  // a dotted eighth behind the lead

struct Chord {
  const char* name;
  const char* bassRoot;
  const char* arpRoot;
  bool minor;
  const char* pad[3];  // voiced so that common tones stay on the same channel
};

const Chord kChords[] = {
    {"Am", "A-2", "A-4", true, {"A-3", "C-4", "E-4"}},
    {"F", "F-2", "F-4", false, {"A-3", "C-4", "F-4"}},
    {"C", "C-3", "C-5", false, {"G-3", "C-4", "E-4"}},
    {"G", "G-2", "G-4", false, {"G-3", "B-3", "D-4"}},
    {"E", "E-2", "E-4", false, {"G#3", "B-3", "E-4"}},
    {"Dm", "D-3", "D-5", true, {"A-3", "D-4", "F-4"}},
    {"Em", "E-2", "E-4", true, {"G-3", "B-3", "E-4"}},
};

// The chords of a progression such as "Am F C G", one per bar.
std::vector<const Chord*> Progression(Section& section, const std::string& names) {
  std::vector<const Chord*> chords;
  size_t start = 0;
  while (start < names.size()) {
    size_t end = names.find(' ', start);
    if (end == std::string::npos) end = names.size();
    std::string name = names.substr(start, end - start);
    const Chord* found = nullptr;
    for (const Chord& chord : kChords) {
      if (name == chord.name) found = &chord;
    }
    if (!found) section.Fail("unknown chord " + name);
    if (found) chords.push_back(found);
    start = end + 1;
  }
  return chords;
}

// Instrument styles of the melodic channels.
LineStyle Style(uint8_t instrument) {
  LineStyle style;
  style.instrument = instrument;
  return style;
}

// --- accompaniment -------------------------------------------------------------------------

// The pad plays each chord tone that changes; at the start of every pattern it plays all of
// them, since a pattern can be reached from more than one place in the order list.
void WritePad(Section& section, const std::vector<const Chord*>& chords) {
  for (size_t bar = 0; bar < chords.size(); bar++) {
    int row = int(bar) * kRowsPerBar;
    bool patternStart = row % kRowsPerPattern == 0;
    for (int voice = 0; voice < 3; voice++) {
      std::string note = chords[bar]->pad[voice];
      if (!patternStart && note == chords[bar - 1]->pad[voice]) continue;
      WriteLine(section, PadChannel + voice, row, Style(Pad), note + ":16");
    }
  }
}

// Chip arpeggios: each note of `rhythm` (lengths in rows, one bar) cycles through the chord.
void WriteArpeggios(Section& section, int firstBar, const std::vector<const Chord*>& chords,
                    const std::vector<int>& rhythm, int velocity, int velocityStep = 0) {
  for (size_t bar = 0; bar < chords.size(); bar++) {
    const Chord& chord = *chords[bar];
    std::string arpeggio = chord.minor ? "e037" : "e047";
    std::string line;
    for (int length : rhythm) {
      line += std::string(chord.arpRoot) + ":" + std::to_string(length) + "@" +
              std::to_string(velocity) + arpeggio + " ";
    }
    WriteLine(section, ChipChannel, (firstBar + int(bar)) * kRowsPerBar, Style(Chip), line);
    velocity += velocityStep;
  }
}

void WriteBass(Section& section, int firstBar, const std::vector<const Chord*>& chords,
               const std::string& groove) {
  for (size_t bar = 0; bar < chords.size(); bar++) {
    const Chord& chord = *chords[bar];
    WriteLine(section, BassChannel, (firstBar + int(bar)) * kRowsPerBar, Style(Bass),
              OnRoot(groove, NoteValue(chord.bassRoot), chord.minor));
  }
}

// --- drums -------------------------------------------------------------------------------------

// Digits 1..8 give a rising series of volumes for rolls and crescendos.
std::vector<DrumHit> WithRamp(std::vector<DrumHit> kit, uint8_t instrument) {
  for (char digit = '1'; digit <= '8'; digit++) {
    kit.push_back({digit, instrument, uint8_t(8 * (digit - '0'))});
  }
  return kit;
}

const std::vector<DrumHit> kKicks = {{'x', Kick, 56}, {'X', Kick, 64}, {'o', Kick, 36}};
const std::vector<DrumHit> kSnares = WithRamp({{'x', Snare, 46}, {'X', Snare, 56}, {'o', Snare, 14}}, Snare);
const std::vector<DrumHit> kHats = {
    {'x', ClosedHat, 30}, {'X', ClosedHat, 40}, {'o', ClosedHat, 16}, {'O', OpenHat, 28}};
const std::vector<DrumHit> kCymbals = {{'C', Crash, 46}, {'c', Crash, 26}};

// The same grid for every bar from `firstBar` on, `bars` times.
void RepeatDrums(Section& section, int channel, int firstBar, int bars, const std::string& grid,
                 const std::vector<DrumHit>& kit) {
  for (int bar = firstBar; bar < firstBar + bars; bar++) {
    WriteDrums(section, channel, bar * kRowsPerBar, grid, kit);
  }
}

// --- melodies ----------------------------------------------------------------------------------

const char* const kThemeA =
    "E-5:6 D-5:2 C-5:4 D-5:2 E-5:2 "
    "F-5:6 E-5:2 C-5:4 A-4:4 "
    "G-5:6 E-5:2 C-5:4 E-5:2 G-5:2 "
    "D-5:12~ B-4:2 D-5:2";
const char* const kThemeAnswer =
    "E-5:6 D-5:2 C-5:4 D-5:2 E-5:2 "
    "F-5:6 A-5:2 G-5:4 F-5:4 "
    "E-5:6 C-5:2 G-4:4 C-5:4 "
    "B-4:6~ C-5:2 D-5:4 B-4:2 G#4:2";
const char* const kBridge =
    "A-5:8~ G-5:4 F-5:4 "
    "G-5:12~^ D-5:4 "
    "E-5:8~ G-5:4 B-5:4 "
    "A-5:14~v ---:2 "
    "F-5:8~ E-5:4 D-5:4 "
    "D-5:4 F-5:4 G-5:8~^ "
    "E-5:8~ G-5:4 C-6:4 "
    "B-5:12~\\ ---:4";
const char* const kBreakdownTune =
    "A-4:4 C-5:4 E-5:8~ "
    "F-5:4 E-5:4 C-5:8~ "
    "E-5:4 G-5:4 C-6:4 G-5:4 "
    "B-5:10~V ---:6";
const char* const kBuildLead =
    "A-5:16~ "
    "A-5:8 C-6:8~ "
    "B-5:16~ "
    "B-5:12V ---:4";

// The echo channel's last note (an echo, or the fill's riser) would ring on into a section
// that has nothing on that channel at first; every section that can follow one releases it.
void SilenceEcho(Section& section) { WriteLine(section, EchoChannel, 0, Style(Echo), "---:1"); }

// --- sections ----------------------------------------------------------------------------------

void WriteIntro(Section& section) {
  auto chords = Progression(section, "Am F C G");
  WritePad(section, chords);
  WriteArpeggios(section, 0, chords, {6, 6, 4}, 14, 8);  // fading in, bar by bar
  WriteDrums(section, HatChannel, 3 * kRowsPerBar, "o...o...o...o.o.", kHats);
}

void WriteIntroTwo(Section& section) {
  auto chords = Progression(section, "Am F C E");
  WritePad(section, chords);
  WriteArpeggios(section, 0, chords, {6, 6, 4}, 40);
  WriteBass(section, 0, {chords[0], chords[1], chords[2]}, "R:8 R:6 O:2");
  WriteBass(section, 3, {chords[3]}, "R:4 R:4 O:4 R:4");
  RepeatDrums(section, KickChannel, 0, 3, "x.......x.......", kKicks);
  WriteDrums(section, KickChannel, 48, "x.......x...x.x.", kKicks);
  RepeatDrums(section, HatChannel, 0, 3, "o.x.o.x.o.x.o.x.", kHats);
  WriteDrums(section, SnareChannel, 48, "....x...22334567", kSnares);
  WriteDrums(section, CrashChannel, 0, "c", kCymbals);
  WriteLine(section, LeadChannel, 60, Style(Lead), "B-4:2 D-5:2");
}

// The theme, twice: plain the first time, with echo and open hats when it returns.
void WriteThemeSection(Section& section, bool returning) {
  auto chords = Progression(section, "Am F C G Am F C E");
  WritePad(section, chords);
  WriteArpeggios(section, 0, chords, {6, 6, 4}, 30);
  WriteBass(section, 0, chords, "R:3 R:3 O:2 R:2 R:2 O:2 F:2");
  WriteLine(section, LeadChannel, 0, Style(Lead), std::string(kThemeA) + " " + kThemeAnswer);
  RepeatDrums(section, KickChannel, 0, 8, "x...x...x...x...", kKicks);
  RepeatDrums(section, SnareChannel, 0, 7, returning ? "....x..o....x..o" : "....x.......x...", kSnares);
  WriteDrums(section, SnareChannel, 7 * kRowsPerBar, "....x.......x.45", kSnares);
  RepeatDrums(section, HatChannel, 0, 8, returning ? "x.O.x.O.x.O.x.O." : "x.X.x.X.x.X.x.X.", kHats);
  WriteDrums(section, CrashChannel, 0, "C", kCymbals);
  WriteDrums(section, CrashChannel, kRowsPerPattern, "c", kCymbals);
  SilenceEcho(section);
  if (returning) WriteEcho(section, LeadChannel, EchoChannel, kEchoDelay, Echo, 70);
}

void WriteBridge(Section& section) {
  auto chords = Progression(section, "F G Em Am Dm G C E");
  WritePad(section, chords);
  WriteArpeggios(section, 0, chords, {4, 4, 4, 4}, 24);
  WriteBass(section, 0, chords, "R:6 R:2 O:3 R:3 F:2");
  WriteLine(section, LeadChannel, 0, Style(Lead), kBridge);
  WriteEcho(section, LeadChannel, EchoChannel, kEchoDelay, Echo, 70);
  RepeatDrums(section, KickChannel, 0, 8, "x.....x...x.....", kKicks);
  RepeatDrums(section, SnareChannel, 0, 8, "....x.o.....x...", kSnares);
  RepeatDrums(section, HatChannel, 0, 8, "x.x.x.x.x.x.x.O.", kHats);
  WriteDrums(section, CrashChannel, 0, "C", kCymbals);
  WriteDrums(section, CrashChannel, kRowsPerPattern, "c", kCymbals);
}

// Two bars on E: the pattern breaks to the next order after its second bar.
void WriteFill(Section& section) {
  auto chords = Progression(section, "E E");
  WritePad(section, chords);
  WriteArpeggios(section, 0, {chords[0]}, {6, 6, 4}, 30);
  WriteBass(section, 0, {chords[0]}, "R:3 R:3 O:2 R:2 R:2 O:2 F:2");
  WriteLine(section, BassChannel, kRowsPerBar, Style(Bass), "E-3:16e201");  // diving
  WriteLine(section, EchoChannel, kRowsPerBar, Style(Chip), "E-4:16@36e103");  // rising
  WriteDrums(section, KickChannel, 0, "x...x...x...x... x.......x.x.x.x.", kKicks);
  WriteDrums(section, SnareChannel, 0, "....x.......x.xx 1.2.3.4.45566778", kSnares);
  WriteDrums(section, HatChannel, 0, "x.x.x.x.x.x.x.x.", kHats);
  xmw::Cell& last = section.At(2 * kRowsPerBar - 1, CrashChannel);
  last.effect = PatternBreak;
  last.parameter = 0x00;
}

void WriteBreakdown(Section& section) {
  auto chords = Progression(section, "Am F C G");
  WritePad(section, chords);
  WriteBass(section, 0, chords, "R:12@32 ---:4");
  WriteLine(section, LeadChannel, 0, Style(Lead), "---:1");
  SilenceEcho(section);
  WriteLine(section, ChipChannel, 0, Style(Chip), kBreakdownTune);
  WriteEcho(section, ChipChannel, EchoChannel, kEchoDelay, Chip, 60);
  RepeatDrums(section, HatChannel, 2, 2, "o...o...o...o...", kHats);
  WriteDrums(section, CrashChannel, 0, "c", kCymbals);
}

// Snare from quarters to eighths to sixteenths, then retriggered thirty-seconds.
void WriteBuild(Section& section) {
  auto chords = Progression(section, "Dm F G E");
  WritePad(section, chords);
  WriteArpeggios(section, 0, chords, {2, 2, 2, 2, 2, 2, 2, 2}, 22);
  WriteBass(section, 0, chords, "R:2 R:2 R:2 R:2 R:2 R:2 O:2 R:2");
  WriteLine(section, LeadChannel, 0, Style(Lead), kBuildLead);
  WriteLine(section, EchoChannel, 48, Style(Chip), "E-4:16@30e103");
  RepeatDrums(section, KickChannel, 0, 3, "x...x...x...x...", kKicks);
  WriteDrums(section, KickChannel, 48, "x...x...x.x.xxxx", kKicks);
  WriteDrums(section, SnareChannel, 0,
             "2...2...3...3... 3.3.3.3.4.4.4.4. 3333444455556666 5555666677778888", kSnares);
  for (int row = 48; row < 64; row++) {
    xmw::Cell& cell = section.At(row, SnareChannel);
    cell.effect = Extended;
    cell.parameter = 0x93;  // retrigger on tick 3 as well: two strokes per row
  }
  RepeatDrums(section, HatChannel, 0, 3, "x.x.x.x.x.x.x.x.", kHats);
  WriteDrums(section, CrashChannel, 0, "c", kCymbals);
}

}  // namespace

bool BuildSong(xmw::Module* module, std::string* error) {
  *module = xmw::Module();
  module->name = "Embers";
  module->trackerName = "zav-songgen";
  module->channels = ChannelCount;
  module->flags = xmw::kLinearFrequencyTable;
  module->defaultSpeed = 6;
  module->defaultBpm = 128;
  module->instruments = BuildInstruments();

  std::string failure;
  Section intro(*module, 1, &failure);
  WriteIntro(intro);
  Section introTwo(*module, 1, &failure);
  WriteIntroTwo(introTwo);
  Section theme(*module, 2, &failure);
  WriteThemeSection(theme, false);
  Section bridge(*module, 2, &failure);
  WriteBridge(bridge);
  Section fill(*module, 1, &failure);
  WriteFill(fill);
  Section themeAgain(*module, 2, &failure);
  WriteThemeSection(themeAgain, true);
  Section breakdown(*module, 1, &failure);
  WriteBreakdown(breakdown);
  Section build(*module, 1, &failure);
  WriteBuild(build);

  const Section* form[] = {&intro, &introTwo, &theme, &bridge, &fill,
                           &themeAgain, &breakdown, &build, &themeAgain};
  for (const Section* section : form) {
    for (int pattern : section->Patterns()) module->orders.push_back(uint8_t(pattern));
  }
  // Back to the theme: the last chord of the returning theme, E, leads into its Am.
  module->restartPosition = 2;
  if (!failure.empty()) {
    *error = failure;
    return false;
  }
  return true;
}

}  // namespace songgen
