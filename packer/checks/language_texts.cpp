#include "packer/checks/language_texts.h"

#include "installer/utf8.h"

namespace {

const char* const KeyNames[TextKeyCount] = {"installing", "completed", "error", "browse",
                                            "damaged", "usage", "music"};
const char KeyList[] = "installing, completed, error, browse, damaged, usage, music";

// Where each text is shown, for the messages.
const char* PlaceOf(TextKey key) {
  if (key == BrowseKey) return "the folder browser's prompt";
  if (key == DamagedKey || key == UsageKey) return "its message box";
  return "the status line";
}

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(" \t"), last = text.find_last_not_of(" \t");
  return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

// "\n" is a line break, "\\" a backslash; any other backslash stays as it is ("C:\Games").
std::string Unescaped(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == '\\')) {
      out += text[++i] == 'n' ? '\n' : '\\';
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string TextProblem(TextKey key, const std::string& text) {
  std::string name = KeyNames[key];
  if (text.find('\0') != std::string::npos) return name + " holds a NUL; remove it";
  switch (CheckText(key, text.c_str())) {
    case TextFault::None:
    case TextFault::NotUtf8:  // each line was found to be UTF-8 before
      return "";
    case TextFault::ControlCharacter:
      return name + " holds a line break, tab or control character, which " + PlaceOf(key) + " cannot show; remove it";
    case TextFault::MissingPlaceholder:
      return name + " lacks " + (key == InstallingKey ? "{percent}, where the share installed goes" : "{folder}, where the folder's name goes") + "; add it";
    case TextFault::TooLong:
      return name + " is " + std::to_string(MeasuredCharacters(key, text.c_str())) + " characters long" +
             (key == InstallingKey ? " with {percent} as 100" : "") + "; " + PlaceOf(key) + " holds " +
             std::to_string(TextMaxCharacters(key)) + "; shorten it";
  }
  return "";
}

// The language's record: its tag, then each text, a missing one taken from `fallback`.
void AppendRecord(const std::string& tag, const TextsFile& file, const TextsFile* fallback, std::vector<uint8_t>* block) {
  block->insert(block->end(), tag.begin(), tag.end());
  block->push_back(0);
  for (int key = 0; key < TextKeyCount; ++key) {
    const std::string& text = file.given[key] || !fallback ? file.texts[key] : fallback->texts[key];
    block->insert(block->end(), text.begin(), text.end());
    block->push_back(0);
  }
}

bool SameTag(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
  }
  return true;
}

}  // namespace

TextsFile ReadTextsFile(const std::string& bytes, std::vector<std::string>* problems) {
  TextsFile file;
  int firstLine[TextKeyCount] = {};
  size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  for (int number = 1; start <= bytes.size(); ++number) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string at = "line " + std::to_string(number) + ": ";
    if (line.find('\0') != std::string::npos || !IsUtf8(line.c_str())) {
      problems->push_back(at + "is no UTF-8; save the file as UTF-8");
      continue;
    }
    line = Trimmed(line);
    if (line.empty() || line[0] == '#') continue;
    size_t equals = line.find('=');
    if (equals == std::string::npos) {
      problems->push_back(at + "has no \"=\"; write key = text");
      continue;
    }
    std::string name = Trimmed(line.substr(0, equals));
    int key = 0;
    while (key < TextKeyCount && name != KeyNames[key]) ++key;
    if (key == TextKeyCount) {
      problems->push_back(at + "\"" + name + "\" is no key; the keys are " + KeyList);
      continue;
    }
    if (file.given[key]) {
      problems->push_back(at + name + " is given twice (first on line " + std::to_string(firstLine[key]) + "); give it once");
      continue;
    }
    file.given[key] = true;
    firstLine[key] = number;
    file.texts[key] = Unescaped(Trimmed(line.substr(equals + 1)));
    std::string problem = TextProblem(TextKey(key), file.texts[key]);
    if (!problem.empty()) problems->push_back(at + problem);
  }
  return file;
}

std::vector<uint8_t> CheckLanguageTexts(const std::vector<std::string>& values, Diagnostics* diagnostics) {
  std::vector<std::string> tags;
  std::vector<TextsFile> files;
  for (const std::string& value : values) {
    Input input = {"--texts", value};
    size_t equals = value.find('=');
    std::string tag = value.substr(0, equals), path = equals == std::string::npos ? "" : value.substr(equals + 1);
    if (equals == std::string::npos || path.empty()) {
      diagnostics->Problem(input, "names no file; give LANG=FILE, e.g. --texts de=german.txt");
      continue;
    }
    if (!IsLanguageTag(tag.c_str()) && tag != DefaultLanguage) {
      diagnostics->Problem(input, "\"" + tag + "\" is no language tag; give one like de, de-AT, pt-BR or zh-Hans, or default");
      continue;
    }
    bool twice = false;
    for (const std::string& earlier : tags) twice = twice || SameTag(earlier, tag);
    if (twice) {
      diagnostics->Problem(input, tag + " is given twice; give each language once");
      continue;
    }
    std::vector<uint8_t> bytes;
    Diagnostics reading;
    if (!ReadInputFile({"--texts", path}, 1 << 20, &bytes, &reading)) {
      for (const std::string& problem : reading.problems)
        diagnostics->problems.push_back(input.Named() + problem.substr(std::string("--texts ").size() + path.size()));
      continue;
    }
    std::vector<std::string> problems;
    TextsFile file = ReadTextsFile(std::string(bytes.begin(), bytes.end()), &problems);
    for (const std::string& problem : problems) diagnostics->Problem(input, problem);
    tags.push_back(tag);
    files.push_back(file);
  }
  std::vector<uint8_t> block;
  if (files.empty()) return block;
  const TextsFile* fallback = nullptr;
  for (size_t i = 0; i < tags.size(); ++i) {
    if (tags[i] == DefaultLanguage) fallback = &files[i];
  }
  for (size_t i = 0; i < tags.size(); ++i) AppendRecord(tags[i], files[i], fallback, &block);
  block.push_back(0);
  return block;
}
