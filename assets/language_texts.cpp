#include "assets/language_texts.h"

#include <cstring>

#include "installer/utf8.h"

const char* const EnglishTexts[TextKeyCount] = {
    "Installing... {percent}%",
    "Installation completed",
    "Unknown error",
    "Select folder where '{folder}' will be installed. Directory '{folder}' will be created automatically.",
    "This installer is damaged and cannot run. Please download it again.",
    "/S /D=PATH\tinstall into PATH\\<folder> with no window and no music; PATH is absolute and "
    "comes last, blanks included, without quotes\n"
    "/LANG=TAG\tthe language of its texts (e.g. /LANG=de), before /D=\n"
    "/?\t\tshow this\n\n"
    "Exit codes with /S: 0 installed, 1 the install failed, 2 a command line it cannot use.",
    "M: music off",
};

namespace {

// The picked texts, null for English. (Not copies of the English pointers: the only writable
// word that points at an English status text is the status line's own, where tools that watch
// an install from outside look for it.)
const char* PickedTexts[TextKeyCount];

bool IsLetter(char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return IsLetter(c) ? char(c | 0x20) : c; }

const char* PlaceholderOf(TextKey key) {
  return key == InstallingKey ? PercentPlaceholder : key == BrowseKey ? FolderPlaceholder : nullptr;
}

int Occurrences(const char* text, const char* part) {
  int count = 0;
  for (const char* at = text; (at = std::strstr(at, part)) != nullptr; at += std::strlen(part)) ++count;
  return count;
}

// C0 and C1 controls and DEL; the message boxes take line breaks and tabs.
bool IsControl(uint32_t c, TextKey key) {
  bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
  return control && !((key == DamagedKey || key == UsageKey) && (c == '\n' || c == '\t'));
}

// Whether `whole` is the first `length` characters of `tag`, in any case.
bool SameTag(const char* whole, const char* tag, size_t length) {
  bool same = std::strlen(whole) == length;
  for (size_t i = 0; same && i < length; ++i) same = Lower(whole[i]) == Lower(tag[i]);
  return same;
}

// The record whose tag is the first `length` characters of `tag`; null if none.
const char* FindRecord(const uint8_t* block, const char* tag, size_t length) {
  const char* at = reinterpret_cast<const char*>(block);
  while (*at) {
    size_t size = std::strlen(at);
    if (SameTag(at, tag, length)) return at;
    at += size + 1;
    for (int key = 0; key < TextKeyCount; ++key) at += std::strlen(at) + 1;
  }
  return nullptr;
}

// Chinese users are named by region ("zh-TW"), translations by script ("zh-Hant").
const char* ScriptTagOf(const char* tag) {
  static const char* const Regions[][2] = {{"zh-cn", "zh-Hans"}, {"zh-sg", "zh-Hans"}, {"zh-tw", "zh-Hant"},
                                           {"zh-hk", "zh-Hant"}, {"zh-mo", "zh-Hant"}};
  for (const auto& region : Regions) {
    if (SameTag(region[0], tag, std::strlen(tag))) return region[1];
  }
  return nullptr;
}

}  // namespace

int MeasuredCharacters(TextKey key, const char* text) {
  int characters = CharacterCount(text);
  if (characters < 0 || key != InstallingKey) return characters;
  return characters - (int(sizeof PercentPlaceholder) - 1 - 3) * Occurrences(text, PercentPlaceholder);
}

int TextMaxCharacters(TextKey key) {
  if (key == BrowseKey) return BrowseTextMaxCharacters;
  if (key == DamagedKey || key == UsageKey) return MessageTextMaxCharacters;
  return StatusTextMaxCharacters;
}

TextFault CheckText(TextKey key, const char* text) {
  if (!*text) return TextFault::None;
  uint32_t c;
  for (const char* at = text; *at;) {
    int length = DecodeUtf8(at, &c);
    if (length == 0) return TextFault::NotUtf8;
    if (IsControl(c, key)) return TextFault::ControlCharacter;
    at += length;
  }
  const char* placeholder = PlaceholderOf(key);
  if (placeholder && !std::strstr(text, placeholder)) return TextFault::MissingPlaceholder;
  return MeasuredCharacters(key, text) > TextMaxCharacters(key) ? TextFault::TooLong : TextFault::None;
}

bool IsLanguageTag(const char* tag) {
  const char* at = tag;
  while (IsLetter(*at)) ++at;
  if (at - tag < 2 || at - tag > 3) return false;
  while (*at == '-') {
    const char* subtag = ++at;
    while (IsLetter(*at) || IsDigit(*at)) ++at;
    if (at == subtag || at - subtag > 8) return false;
  }
  return *at == 0 && at - tag <= LanguageTagMaxLength;
}

bool IsTextsBlock(const uint8_t* block, uint32_t size) {
  if (!block || size == 0 || block[size - 1] != 0) return false;
  const char* at = reinterpret_cast<const char*>(block);
  const char* last = at + size - 1;  // the closing NUL, which also ends every text before it
  while (at < last) {
    if (!IsLanguageTag(at) && std::strcmp(at, DefaultLanguage) != 0) return false;
    at += std::strlen(at) + 1;
    for (int key = 0; key < TextKeyCount; ++key) {
      if (at > last || CheckText(TextKey(key), at) != TextFault::None) return false;
      at += std::strlen(at) + 1;
    }
  }
  return at == last;
}

const char* ShownText(TextKey key) { return PickedTexts[key] ? PickedTexts[key] : EnglishTexts[key]; }

void PickTexts(const uint8_t* block, uint32_t size, const char* userTag) {
  for (int key = 0; key < TextKeyCount; ++key) PickedTexts[key] = nullptr;
  if (!block || size == 0) return;
  const char* record = nullptr;
  if (IsLanguageTag(userTag)) {
    // The tag, then shorter and shorter: "sr-Latn-RS", "sr-Latn", "sr".
    for (size_t length = std::strlen(userTag); !record && length > 0; --length) {
      if (userTag[length] != 0 && userTag[length] != '-') continue;
      record = FindRecord(block, userTag, length);
      const char* script = record ? nullptr : ScriptTagOf(userTag);
      if (script && length == std::strlen(userTag)) record = FindRecord(block, script, std::strlen(script));
    }
  }
  if (!record) record = FindRecord(block, DefaultLanguage, sizeof DefaultLanguage - 1);
  if (!record) return;
  const char* text = record + std::strlen(record) + 1;
  for (int key = 0; key < TextKeyCount; text += std::strlen(text) + 1, ++key) {
    if (*text) PickedTexts[key] = text;
  }
}
