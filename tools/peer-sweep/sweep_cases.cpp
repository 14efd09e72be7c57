// Writes the small modules of the peer sweep: one per effect, extended effect and volume-column
// command, each with typical and edge parameters, with and without a note, an instrument or a
// key-off, at several speeds. peer_sweep.py renders them with zav-render and the two peers.
//
// Every case is a two-channel song at 125 BPM whose channel 0 plays C-4 on row 0; the case's
// cells follow, and empty rows after them let what the effect left behind be heard.
//
// usage: zav-peer-sweep-cases OUTPUT_FOLDER
#include <cstdio>
#include <string>
#include <vector>

#include "tests/music/xm_builder.h"

namespace {

const uint8_t C4 = 49, E4 = 53, G4 = 56, B7 = 96, KeyOff = xmw::kKeyOff;

// Instruments: 1 the plain looping square, 2 the same with volume and panning envelopes and a
// fade-out, 3 a long one-shot sample whose pitch rises along it (where an offset starts is
// heard), 4 the square an octave up by relative note, 5 a quiet one (volume 16), 6 to 8 the
// square 23, 24 and 25 semitones up (B-7 on them is the highest note there is, or beyond), 9 the
// square with a looping volume envelope (a wobble), 10 one whose envelope dies in 4 ticks, 11
// one whose envelope dies in 30 ticks.
enum { Plain = 1, Enveloped, OneShot, OctaveUp, Quiet, Up23, Up24, Up25, Wobble, Dies4, Dies30 };

struct Put {
  int row, channel;
  xmw::Cell cell;
};

struct Case {
  std::string name;
  int speed;
  std::vector<Put> cells;
  int rows = 8;
  bool firstNote = true;  // C-4 with instrument 1 on row 0 of channel 0
  uint8_t firstInstrument = Plain;
};

xmw::Sample Square(int8_t relativeNote = 0, uint8_t volume = 64) {
  std::vector<int16_t> pcm;
  for (int i = 0; i < 64; ++i) pcm.push_back(i < 32 ? 90 : -90);
  xmw::Sample sample = xmtest::MakeSample(8, pcm, xmw::LoopType::Forward, 0, 64);
  sample.relativeNote = relativeNote;
  sample.volume = volume;
  return sample;
}

// A chirp: a square whose half-period shrinks from 40 to 4 samples over 40,000 samples.
xmw::Sample Chirp() {
  std::vector<int16_t> pcm;
  int half = 40;
  while (pcm.size() < 40000) {
    for (int sign : {1, -1}) pcm.insert(pcm.end(), size_t(half), int16_t(80 * sign));
    half = pcm.size() < 40000 ? 4 + int(36 * (40000 - pcm.size()) / 40000) : 4;
  }
  return xmtest::MakeSample(8, pcm);
}

xmw::Instrument WithMap(xmw::Sample sample) {
  xmw::Instrument instrument = xmtest::InstrumentWith({sample});
  instrument.sampleMap = xmw::UniformSampleMap(0);
  return instrument;
}

xmw::Instrument EnvelopedSquare() {
  xmw::Instrument instrument = WithMap(Square());
  instrument.volumeEnvelope.points = {{0, 64}, {8, 40}, {16, 48}, {40, 10}};
  instrument.volumeEnvelope.sustainPoint = 2;
  instrument.volumeEnvelope.flags = xmw::kEnvelopeOn | xmw::kEnvelopeSustain;
  instrument.panningEnvelope.points = {{0, 0}, {20, 64}, {40, 32}};
  instrument.panningEnvelope.flags = xmw::kEnvelopeOn;
  instrument.fadeout = 1024;
  return instrument;
}

xmw::Instrument WithVolumeEnvelope(std::vector<xmw::EnvelopePoint> points, uint8_t flags = 0) {
  xmw::Instrument instrument = WithMap(Square());
  instrument.volumeEnvelope.points = std::move(points);
  instrument.volumeEnvelope.flags = uint8_t(xmw::kEnvelopeOn | flags);
  instrument.volumeEnvelope.loopEnd = 2;
  instrument.fadeout = 256;
  return instrument;
}

xmw::Module SongOf(const Case& c) {
  xmw::Module song;
  song.channels = 2;
  song.defaultSpeed = uint16_t(c.speed);
  song.defaultBpm = 125;
  song.AddPattern(uint16_t(c.rows));
  song.AddPattern(8);
  song.orders = {0};
  song.instruments = {WithMap(Square()),   EnvelopedSquare(),      WithMap(Chirp()),
                      WithMap(Square(12)), WithMap(Square(0, 16)), WithMap(Square(23)),
                      WithMap(Square(24)), WithMap(Square(25)),
                      WithVolumeEnvelope({{0, 64}, {6, 8}, {12, 64}}, xmw::kEnvelopeLoop),
                      WithVolumeEnvelope({{0, 64}, {4, 0}}), WithVolumeEnvelope({{0, 64}, {30, 0}})};
  song.instruments[Plain - 1].fadeout = 2048;
  if (c.firstNote) song.patterns[0].At(0, 0) = xmw::Cell{C4, c.firstInstrument, 0, 0, 0};
  for (const Put& put : c.cells) {
    if (put.row >= 100) {  // rows of the second pattern, played after the first
      song.orders = {0, 1};
      song.patterns[1].At(put.row - 100, put.channel) = put.cell;
    } else {
      song.patterns[0].At(put.row, put.channel) = put.cell;
    }
  }
  return song;
}

std::string Hex2(int value) {
  char text[8];
  snprintf(text, sizeof text, "%02X", value & 0xFF);
  return text;
}

// The effect letter as trackers show it: 0-9, then A-Z.
char EffectLetter(int effect) { return char(effect < 10 ? '0' + effect : 'A' + effect - 10); }

std::vector<Case> Cases() {
  std::vector<Case> cases;
  auto add = [&](std::string name, int speed, std::vector<Put> cells) {
    Case c;
    c.name = std::move(name);
    c.speed = speed;
    c.cells = std::move(cells);
    cases.push_back(c);
    return &cases.back();
  };
  auto cell = [](uint8_t note, uint8_t instrument, uint8_t volume, uint8_t effect,
                 uint8_t parameter) {
    return xmw::Cell{note, instrument, volume, effect, parameter};
  };

  // Every effect 0-Z with typical and edge parameters: on a bare cell (then its memory with
  // parameter 00 on the next row), with a note, with a note and an instrument, with a key-off.
  const std::vector<std::vector<uint8_t>> parameters = {
      {0x37, 0x0C, 0x70},        // 0 arpeggio
      {0x08, 0x40},              // 1 portamento up
      {0x08, 0x40},              // 2 portamento down
      {0x08, 0xFF},              // 3 tone portamento
      {0x48, 0xF4},              // 4 vibrato
      {0x0F, 0xF0, 0x11},        // 5 tone portamento + slide
      {0x0F, 0x40},              // 6 vibrato + slide
      {0x48, 0xF8},              // 7 tremolo
      {0x00, 0xFF, 0x40},        // 8 panning
      {0x01, 0x10, 0x80, 0xA0},  // 9 sample offset
      {0x0F, 0xF0, 0x11},        // A volume slide
      {0x01},                    // B position jump
      {0x00, 0x20, 0x7F},        // C volume
      {0x05, 0x70},              // D pattern break
      {},                        // E (extended: below)
      {0x03, 0x01, 0x20, 0x60},  // F speed or tempo
      {0x00, 0x20, 0x7F},        // G global volume
      {0x0F, 0xF0, 0x01},        // H global volume slide
      {0x11},                    // I
      {0x11},                    // J
      {0x00, 0x02},              // K key-off
      {0x05, 0x20},              // L envelope position
      {0x11},                    // M
      {0x11},                    // N
      {0x11},                    // O
      {0x0F, 0xF0, 0x22},        // P panning slide
      {0x11},                    // Q
      {0x03, 0x83, 0x53, 0xF2},  // R multi retrig
      {0x11},                    // S
      {0x11, 0x00, 0x23, 0x31},  // T tremor
      {0x11},                    // U
      {0x11},                    // V
      {0x11},                    // W
      {0x11, 0x22, 0x1F, 0x2F},  // X extra-fine portamento
      {0x11},                    // Y
      {0x11}                     // Z
  };
  for (int effect = 0; effect < int(parameters.size()); ++effect) {
    for (uint8_t p : parameters[effect]) {
      std::string base = std::string("fx-") + EffectLetter(effect) + Hex2(p);
      uint8_t e = uint8_t(effect);
      // Lxx needs an envelope, 9xx a sample long enough to start inside.
      uint8_t instrument = effect == 21 ? Enveloped : effect == 9 ? OneShot : Plain;
      for (int speed : {3, 6}) {
        std::string s = "-s" + std::to_string(speed);
        Case* c = add(base + "-bare" + s, speed,
                      {{2, 0, cell(0, 0, 0, e, p)}, {3, 0, cell(0, 0, 0, e, 0)}});
        c->firstInstrument = instrument;
        c = add(base + "-note" + s, speed, {{2, 0, cell(G4, 0, 0, e, p)}});
        c->firstInstrument = instrument;
        c = add(base + "-noteins" + s, speed, {{2, 0, cell(E4, instrument, 0, e, p)}});
        c->firstInstrument = instrument;
        c = add(base + "-ins" + s, speed,
                {{1, 0, cell(0, 0, 0x18, 0, 0)}, {2, 0, cell(0, instrument, 0, e, p)}});
        c->firstInstrument = instrument;
        c = add(base + "-off" + s, speed, {{2, 0, cell(KeyOff, 0, 0, e, p)}});
        c->firstInstrument = Enveloped;
      }
    }
  }
  // Global volume from the channel to the right of the note.
  for (uint8_t p : {0x00, 0x10, 0x7F})
    add("glob-G" + Hex2(p) + "-right", 6, {{2, 1, cell(0, 0, 0, 16, p)}});
  for (uint8_t p : {0x0F, 0x04})
    add("glob-H" + Hex2(p) + "-right", 6, {{2, 1, cell(0, 0, 0, 17, p)}});
  // Position jump and pattern break into a second pattern.
  add("fx-B01-jump", 6, {{2, 0, cell(0, 0, 0, 11, 1)}, {100, 0, cell(E4, 1, 0, 0, 0)}});
  add("fx-D03-break", 6, {{2, 0, cell(0, 0, 0, 13, 3)}, {103, 0, cell(E4, 1, 0, 0, 0)}});

  // Every extended effect E0y-EFy.
  const std::vector<std::vector<uint8_t>> extended = {{0x01},
                                                      {0x03, 0x0F},
                                                      {0x03, 0x0F},
                                                      {0x01},
                                                      {0x01, 0x02, 0x04},
                                                      {0x00, 0x08, 0x0F},
                                                      {0x02},
                                                      {0x01, 0x02},
                                                      {0x00, 0x0F},
                                                      {0x00, 0x02, 0x03},
                                                      {0x04, 0x0F},
                                                      {0x04, 0x0F},
                                                      {0x00, 0x02, 0x07},
                                                      {0x00, 0x02, 0x05, 0x07},
                                                      {0x01, 0x02},
                                                      {0x01}};
  for (int x = 0; x < 16; ++x) {
    for (uint8_t y : extended[x]) {
      uint8_t p = uint8_t(x << 4 | y);
      std::string base = "ext-E" + Hex2(p);
      for (int speed : {3, 6}) {
        std::string s = "-s" + std::to_string(speed);
        add(base + "-bare" + s, speed,
            {{2, 0, cell(0, 0, 0, 14, p)}, {3, 0, cell(0, 0, 0, 14, uint8_t(x << 4))}});
        add(base + "-note" + s, speed,
            {{2, 0, cell(G4, 0, 0, 14, p)}, {4, 0, cell(E4, 0, 0, 0, 0)}});
        add(base + "-noteins" + s, speed, {{2, 0, cell(E4, Quiet, 0x30, 14, p)}});
        add(base + "-ins" + s, speed,
            {{1, 0, cell(0, 0, 0x18, 0, 0)}, {2, 0, cell(0, Plain, 0, 14, p)}});
        add(base + "-off" + s, speed, {{2, 0, cell(KeyOff, 0, 0, 14, p)}});
      }
    }
  }
  // Extended effects together with what they steer.
  add("ext-E31-glissando", 6,
      {{1, 0, cell(0, 0, 0, 14, 0x31)},
       {2, 0, cell(G4, 0, 0, 3, 0x04)},
       {3, 0, cell(0, 0, 0, 3, 0)}});
  add("ext-E42-vibrato", 6,
      {{1, 0, cell(0, 0, 0, 14, 0x42)},
       {2, 0, cell(0, 0, 0, 4, 0x88)},
       {3, 0, cell(0, 0, 0, 4, 0)}});
  add("ext-E72-tremolo", 6,
      {{1, 0, cell(0, 0, 0, 14, 0x72)},
       {2, 0, cell(0, 0, 0, 7, 0x88)},
       {3, 0, cell(0, 0, 0, 7, 0)}});
  add("ext-E60-E62-loop", 3,
      {{1, 0, cell(E4, 1, 0, 14, 0x60)},
       {2, 0, cell(G4, 1, 0, 0, 0)},
       {3, 0, cell(0, 0, 0, 14, 0x62)}});
  add("ext-EA-EB-memory", 6,
      {{1, 0, cell(0, 0, 0x20, 14, 0xA4)},
       {2, 0, cell(0, 0, 0, 14, 0xB8)},
       {3, 0, cell(0, 0, 0, 14, 0xA0)},
       {4, 0, cell(0, 0, 0, 14, 0xA0)}});
  add("ext-E58-later-note", 6,
      {{1, 0, cell(E4, 1, 0, 14, 0x5F)},
       {2, 1, cell(E4, 1, 0, 0, 0)},
       {3, 0, cell(C4, 1, 0, 0, 0)}});
  add("ext-ED3-under-EE1", 6, {{2, 0, cell(E4, 1, 0, 14, 0xD3)}, {2, 1, cell(0, 0, 0, 14, 0xE1)}});
  add("ext-ED2-keyoff-plain", 6, {{2, 0, cell(KeyOff, 0, 0, 14, 0xD2)}});
  add("ext-ED9-beyond-ins", 6, {{2, 0, cell(E4, Quiet, 0, 14, 0xD9)}});
  add("ext-EC0-EC1", 6, {{2, 0, cell(0, 0, 0, 14, 0xC1)}, {3, 0, cell(E4, 1, 0, 14, 0xC0)}});

  // Every volume-column command, on a bare cell and with a note.
  for (uint8_t v : {0x10, 0x30, 0x50, 0x55, 0x63, 0x6F, 0x73, 0x7F, 0x84, 0x94, 0xA4, 0xB6, 0xC0,
                    0xCF, 0xD4, 0xE4, 0xF0, 0xF2, 0xFF}) {
    for (int speed : {3, 6}) {
      std::string s = "-s" + std::to_string(speed);
      std::string base = "vol-" + Hex2(v);
      add(base + "-bare" + s, speed,
          {{1, 0, cell(0, 0, 0x28, 0, 0)},
           {2, 0, cell(0, 0, v, 0, 0)},
           {3, 0, cell(0, 0, v, 0, 0)}});
      add(base + "-note" + s, speed, {{2, 0, cell(G4, 0, v, 0, 0)}, {3, 0, cell(0, 0, v, 0, 0)}});
      add(base + "-noteins" + s, speed, {{2, 0, cell(E4, Plain, v, 0, 0)}});
    }
  }
  add("vol-B6-with-A4", 6,
      {{1, 0, cell(0, 0, 0xA4, 4, 0x00)},
       {2, 0, cell(0, 0, 0xB6, 0, 0)},
       {3, 0, cell(0, 0, 0xB6, 0, 0)}});

  // Key-off, arpeggio at every speed, notes out of range.
  add("key-off-then-C30", 6, {{2, 0, cell(KeyOff, 0, 0, 0, 0)}, {4, 0, cell(0, 0, 0, 12, 0x30)}});
  add("key-off-then-vol", 6, {{2, 0, cell(KeyOff, 0, 0, 0, 0)}, {4, 0, cell(0, 0, 0x40, 0, 0)}});
  add("key-off-then-ins", 6, {{2, 0, cell(KeyOff, 0, 0, 0, 0)}, {4, 0, cell(0, Plain, 0, 0, 0)}});
  add("key-off-with-ins", 6, {{2, 0, cell(KeyOff, Plain, 0, 0, 0)}});
  add("key-off-then-note", 6, {{2, 0, cell(KeyOff, 0, 0, 0, 0)}, {4, 0, cell(E4, 0, 0, 0, 0)}});
  for (int speed = 1; speed <= 31; ++speed) {
    add("arp-047-s" + std::to_string(speed), speed,
        {{1, 0, cell(0, 0, 0, 0, 0x47)}, {2, 0, cell(0, 0, 0, 0, 0x47)}});
  }
  add("arp-047-s31-long", 31, {{1, 0, cell(0, 0, 0, 0, 0x47)}})->rows = 2;

  // Tremor whose times change from row to row, then a row without it, then a new note.
  std::vector<Put> tremors;
  const uint8_t times[] = {0x11, 0x22, 0x34, 0x42};
  for (int row = 1; row <= 12; ++row) tremors.push_back({row, 0, cell(0, 0, 0, 29, times[row % 4])});
  tremors.push_back({14, 0, cell(E4, Plain, 0, 29, 0x21)});
  for (int speed : {3, 6}) add("tremor-changing-s" + std::to_string(speed), speed, tremors)->rows = 16;

  // A tremor row that ends in its silent phase (T01 at speed 6), or a row of 7F8, then two rows
  // of one command without the effect (an instrument only once), then the tremor again: the
  // silence lasts until the tremor's next sounding tick or an instrument, the tremolo leaves the
  // volume where it was, and the commands change the volume underneath.
  struct After {
    const char* name;
    xmw::Cell cell;
  };
  const After afters[] = {{"nothing", cell(0, 0, 0, 0, 0)},
                          {"vol-30", cell(0, 0, 0x30, 0, 0)},
                          {"C20", cell(0, 0, 0, 12, 0x20)},
                          {"A02", cell(0, 0, 0, 10, 0x02)},
                          {"A20-vol-20", cell(0, 0, 0x20, 10, 0x20)},
                          {"EA4-vol-20", cell(0, 0, 0x20, 14, 0xA4)},
                          {"EB8", cell(0, 0, 0, 14, 0xB8)},
                          {"vol-64", cell(0, 0, 0x64, 0, 0)},
                          {"vol-74-after-C20", cell(0, 0, 0x74, 12, 0x20)},
                          {"7F8", cell(0, 0, 0, 7, 0xF8)},
                          {"448", cell(0, 0, 0, 4, 0x48)},
                          {"037", cell(0, 0, 0, 0, 0x37)},
                          {"note", cell(E4, 0, 0, 0, 0)},
                          {"ins", cell(0, Plain, 0, 0, 0)},
                          {"noteins", cell(E4, Plain, 0, 0, 0)},
                          {"ins-vol-20", cell(0, Plain, 0x20, 0, 0)}};
  for (const After& after : afters) {
    xmw::Cell again = after.cell.instrument || after.cell.note ? cell(0, 0, 0, 0, 0) : after.cell;
    add(std::string("tremor-then-") + after.name, 6,
        {{1, 0, cell(0, 0, 0, 29, 0x01)}, {2, 0, after.cell}, {3, 0, again},
         {4, 0, cell(0, 0, 0, 29, 0x01)}});
    add(std::string("tremolo-then-") + after.name, 6,
        {{1, 0, cell(0, 0, 0, 7, 0xF8)}, {2, 0, after.cell}, {3, 0, again}});
  }

  // Note delays on cells without a note: an instrument alone (the last note with the new
  // sample), nothing but the delay, a key-off; and the envelope of a delayed note, at 32 BPM so
  // that a tick is heard.
  add("delay-ins-only-oneshot", 6, {{2, 0, cell(0, OneShot, 0, 14, 0xD2)}});
  add("delay-ins-only-plain", 6, {{2, 0, cell(0, Plain, 0, 14, 0xD2)}})->firstInstrument = OneShot;
  add("delay-bare-oneshot", 6, {{3, 0, cell(0, 0, 0, 14, 0xD2)}})->firstInstrument = OneShot;
  add("delay-bare-after-C10", 6,
      {{2, 0, cell(0, 0, 0, 12, 0x10)}, {3, 0, cell(0, 0, 0, 14, 0xD2)}})->firstInstrument = OneShot;
  add("delay-bare-vol", 6, {{3, 0, cell(0, 0, 0x20, 14, 0xD2)}})->firstInstrument = OneShot;
  add("delay-keyoff-dies30", 6, {{3, 0, cell(KeyOff, 0, 0, 14, 0xD2)}})->firstInstrument = Dies30;
  add("delay-envelope-dies4", 6,
      {{0, 1, cell(0, 0, 0, 15, 0x20)}, {2, 0, cell(C4, Dies4, 0, 14, 0xD2)}});

  // K00 beside a note and an instrument: no new note, no restart.
  for (int speed : {6, 31}) {
    add("key-off-K00-noteins-s" + std::to_string(speed), speed,
        {{2, 0, cell(E4, Plain, 0, 20, 0)}});
  }
  add("key-off-K00-noteins-wobble", 6, {{3, 0, cell(E4, Wobble, 0, 20, 0)}})->firstInstrument =
      Wobble;
  add("key-off-K00-noteins-vol", 6, {{2, 0, cell(E4, Plain, 0x30, 20, 0)}});
  add("key-off-K00-noteins-after-vol", 31,
      {{1, 0, cell(0, 0, 0x18, 0, 0)}, {2, 0, cell(E4, Plain, 0, 20, 0)}});
  add("key-off-K00-noteins-enveloped", 6, {{3, 0, cell(E4, Enveloped, 0, 20, 0)}})
      ->firstInstrument = Enveloped;

  // Tone portamento in both columns of one row.
  for (uint8_t v : {0xF0, 0xF1, 0xF4}) {
    for (uint8_t p : {0x00, 0x02, 0x20}) {
      add("porta-both-" + Hex2(v) + "-3" + Hex2(p), 6, {{2, 0, cell(G4, 0, v, 3, p)}});
    }
  }
  add("porta-both-F1-503", 6, {{2, 0, cell(G4, 0, 0xF1, 5, 0x03)}});
  add("porta-both-F0-302-after-320", 6,
      {{1, 0, cell(0, 0, 0, 3, 0x20)}, {2, 0, cell(G4, 0, 0xF0, 3, 0x02)}});
  add("porta-F0-after-320", 6, {{1, 0, cell(0, 0, 0, 3, 0x20)}, {2, 0, cell(G4, 0, 0xF0, 0, 0)}});
  add("porta-both-F0-500-after-340", 6,
      {{1, 0, cell(0, 0, 0, 3, 0x40)}, {2, 0, cell(G4, 0, 0xF0, 5, 0x00)}});
  add("porta-300-after-F2", 6, {{1, 0, cell(0, 0, 0xF2, 0, 0)}, {2, 0, cell(G4, 0, 0, 3, 0)}});

  add("note-B7-octave-up", 6,
      {{2, 0, cell(B7, OctaveUp, 0, 0, 0)}, {4, 0, cell(E4, OctaveUp, 0, 0, 0)}});
  add("note-B7-plain", 6, {{2, 0, cell(B7, Plain, 0, 0, 0)}});
  for (uint8_t up : {Up23, Up24, Up25}) {
    add("note-B7-up" + std::to_string(up + 17), 6,
        {{2, 0, cell(B7, up, 0, 0, 0)}, {5, 0, cell(C4, up, 0, 0, 0)}});
  }
  return cases;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: zav-peer-sweep-cases OUTPUT_FOLDER\n");
    return 64;
  }
  for (const Case& c : Cases()) {
    std::string path = std::string(argv[1]) + "/" + c.name + ".xm";
    std::string error;
    if (!xmw::WriteFileAtomically(path, xmw::WriteModule(SongOf(c)), &error)) {
      fprintf(stderr, "zav-peer-sweep-cases: %s\n", error.c_str());
      return 1;
    }
  }
  return 0;
}
