#include "tools/songgen/score.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace songgen {
namespace {

const char* const kNames[12] = {"C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"};

constexpr uint8_t kDrumNote = 49;  // C-4: drum samples play at their recorded rate

struct NoteToken {
  enum Kind { Note, Release, Hold } kind = Hold;
  uint8_t note = 0;
  int rows = 0;
  int velocity = -1;
  bool vibrato = false, glide = false, fall = false;
  bool fadeColumn = false, fadeEffect = false;
  int effect = -1;  // eXYY
  uint8_t parameter = 0;
};

bool ParseHex(const std::string& text, size_t at, size_t digits, int* value) {
  if (at + digits > text.size()) return false;
  *value = int(std::strtol(text.substr(at, digits).c_str(), nullptr, 16));
  for (size_t i = at; i < at + digits; i++) {
    if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

bool ParseModifiers(const std::string& text, size_t at, NoteToken* token) {
  while (at < text.size()) {
    char symbol = text[at++];
    switch (symbol) {
      case '~': token->vibrato = true; break;
      case '^': token->glide = true; break;
      case '\\': token->fall = true; break;
      case 'v': token->fadeColumn = true; break;
      case 'V': token->fadeEffect = true; break;
      case 'e': {
        int effect = 0, parameter = 0;
        if (!ParseHex(text, at, 1, &effect) || !ParseHex(text, at + 1, 2, &parameter)) return false;
        token->effect = effect;
        token->parameter = uint8_t(parameter);
        at += 3;
        break;
      }
      default: return false;
    }
  }
  return true;
}

bool ParseToken(const std::string& text, NoteToken* token) {
  size_t colon = text.find(':');
  if (colon != 3) return false;
  std::string name = text.substr(0, 3);
  if (name == "---") {
    token->kind = NoteToken::Release;
  } else if (name == "...") {
    token->kind = NoteToken::Hold;
  } else {
    token->kind = NoteToken::Note;
    token->note = NoteValue(name);
    if (!token->note) return false;
  }
  size_t at = colon + 1;
  size_t digits = 0;
  while (at + digits < text.size() && std::isdigit(static_cast<unsigned char>(text[at + digits]))) digits++;
  if (!digits) return false;
  token->rows = std::atoi(text.substr(at, digits).c_str());
  at += digits;
  if (at < text.size() && text[at] == '@') {
    size_t start = ++at;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) at++;
    if (at == start) return false;
    token->velocity = std::atoi(text.substr(start, at - start).c_str());
    if (token->velocity > 64) return false;
  }
  return token->rows > 0 && ParseModifiers(text, at, token);
}

// The effect of the held row `i` (1 .. rows-1) of a note.
void HeldRowEffect(const NoteToken& token, const LineStyle& style, int i, xmw::Cell& cell) {
  bool lastTwo = i >= token.rows - 2 && token.rows >= 4;
  bool fading = i >= token.rows / 2;
  int vibratoFrom = token.rows > 4 ? 2 : 1;
  if (token.effect >= 0) {
    cell.effect = uint8_t(token.effect);
    cell.parameter = token.parameter;
  } else if (token.fall && lastTwo) {
    cell.effect = PortamentoDown;
    cell.parameter = style.fallSpeed;
  } else if (token.vibrato && i >= vibratoFrom) {
    // The first vibrato row sets speed and depth; later fading rows can then use the
    // combined vibrato + volume slide, which keeps the vibrato running from memory.
    bool combined = token.fadeEffect && fading && i > vibratoFrom;
    cell.effect = combined ? VibratoVolumeSlide : Vibrato;
    cell.parameter = combined ? style.fadeStep : style.vibrato;
  } else if (token.fadeEffect && fading) {
    cell.effect = VolumeSlide;
    cell.parameter = style.fadeStep;
  }
  if (token.fadeColumn && fading) cell.volume = uint8_t(kSlideDown | style.fadeStep);
}

void WriteNote(Section& section, int channel, int row, const LineStyle& style,
               const NoteToken& token) {
  xmw::Cell& first = section.At(row, channel);
  if (token.kind == NoteToken::Release) {
    first.note = xmw::kKeyOff;
    return;
  }
  if (token.kind == NoteToken::Hold) return;
  first.note = token.note;
  if (token.velocity >= 0) first.volume = uint8_t(kSetVolume + token.velocity);
  if (token.glide) {
    // No instrument on a glide: it would restart the envelopes mid-phrase.
    first.effect = TonePortamento;
    first.parameter = style.glideSpeed;
  } else {
    first.instrument = style.instrument;
  }
  if (token.effect >= 0) {
    first.effect = uint8_t(token.effect);
    first.parameter = token.parameter;
  }
  for (int i = 1; i < token.rows; i++) HeldRowEffect(token, style, i, section.At(row + i, channel));
}

}  // namespace

uint8_t NoteValue(const std::string& name) {
  if (name.size() != 3 || name[2] < '0' || name[2] > '7') return 0;
  for (int semitone = 0; semitone < 12; semitone++) {
    if (name.compare(0, 2, kNames[semitone]) == 0) return uint8_t(1 + (name[2] - '0') * 12 + semitone);
  }
  return 0;
}

std::string NoteName(uint8_t note) {
  if (note < 1 || note > 96) return "???";
  return std::string(kNames[(note - 1) % 12]) + char('0' + (note - 1) / 12);
}

std::string OnRoot(const std::string& groove, uint8_t root, bool minor) {
  std::istringstream tokens(groove);
  std::string text, out;
  while (tokens >> text) {
    int interval = -1;
    if (text.size() > 1 && text[1] == ':') {
      switch (text[0]) {
        case 'R': interval = 0; break;
        case 'O': interval = 12; break;
        case 'F': interval = 7; break;
        case 'T': interval = minor ? 3 : 4; break;
      }
    }
    if (interval >= 0) text = NoteName(uint8_t(root + interval)) + text.substr(1);
    out += (out.empty() ? "" : " ") + text;
  }
  return out;
}

Section::Section(xmw::Module& module, int patternCount, std::string* error)
    : module_(module), error_(error) {
  for (int i = 0; i < patternCount; i++) patterns_.push_back(module.AddPattern(kRowsPerPattern));
}

xmw::Cell& Section::At(int row, int channel) {
  if (row < 0 || row >= Rows() || channel < 0 || channel >= module_.channels) {
    Fail("row " + std::to_string(row) + " of channel " + std::to_string(channel) +
         " lies outside its section");
    return scratch_;
  }
  return module_.patterns[patterns_[row / kRowsPerPattern]].At(row % kRowsPerPattern, channel);
}

void Section::Fail(const std::string& message) {
  if (error_ && error_->empty()) *error_ = message;
}

int WriteLine(Section& section, int channel, int row, const LineStyle& style,
              const std::string& notation) {
  std::istringstream tokens(notation);
  std::string text;
  while (tokens >> text) {
    NoteToken token;
    if (!ParseToken(text, &token)) {
      section.Fail("cannot read the melody token \"" + text + "\"");
      return row;
    }
    WriteNote(section, channel, row, style, token);
    row += token.rows;
  }
  return row;
}

void WriteEcho(Section& section, int from, int to, int delay, uint8_t instrument, int percent) {
  for (int row = section.Rows() - 1 - delay; row >= 0; row--) {
    xmw::Cell cell = section.At(row, from);
    if (cell == xmw::Cell{}) continue;
    if (cell.instrument) cell.instrument = instrument;
    if (cell.volume >= kSetVolume && cell.volume <= kSetVolume + 64) {
      cell.volume = uint8_t(kSetVolume + (cell.volume - kSetVolume) * percent / 100);
    }
    section.At(row + delay, to) = cell;
  }
}

void WriteDrums(Section& section, int channel, int row, const std::string& grid,
                const std::vector<DrumHit>& kit) {
  for (char symbol : grid) {
    if (symbol == ' ') continue;  // spaces only separate bars for the reader
    int at = row++;
    if (symbol == '.') continue;
    const DrumHit* hit = nullptr;
    for (const DrumHit& candidate : kit) {
      if (candidate.symbol == symbol) hit = &candidate;
    }
    if (!hit) {
      section.Fail(std::string("no drum for the symbol '") + symbol + "'");
      return;
    }
    xmw::Cell& cell = section.At(at, channel);
    cell.note = kDrumNote;
    cell.instrument = hit->instrument;
    cell.volume = uint8_t(kSetVolume + hit->volume);
  }
}

}  // namespace songgen
