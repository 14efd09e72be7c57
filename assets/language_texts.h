// The texts an installer shows, in the user's language: the built-in English ones, the rules
// every translation keeps, the form in which an installer's data carries them, and the choice
// of a language at start-up. Portable: zav-pack checks and writes with the same rules that the
// program reads and picks with.
//
// Stored form (the texts entry of the data): one record per language, then a lone NUL. A record
// is its language tag ("de", "pt-BR", or "default") and a NUL, then one UTF-8 text and a NUL for
// each TextKey in order; an empty text is the built-in English one. Placeholders ("{percent}",
// "{folder}") are stored as written and filled where the text is shown.
#pragma once
#include <cstdint>

enum TextKey : int {
  InstallingKey,  // the progress, with {percent}
  CompletedKey,
  ErrorKey,
  BrowseKey,      // the folder browser's prompt, with {folder}
  DamagedKey,     // the message box of a damaged installer
  UsageKey,       // the message box of /?
  MusicKey,       // the hint that M stops the music
  TextKeyCount
};

// The status line holds 35 Terminal cells; the other limits keep each text within its buffer.
constexpr int StatusTextMaxCharacters = 35;
constexpr int BrowseTextMaxCharacters = 200;
constexpr int MessageTextMaxCharacters = 1000;
constexpr int LanguageTagMaxLength = 35;
constexpr char PercentPlaceholder[] = "{percent}";
constexpr char FolderPlaceholder[] = "{folder}";
constexpr char DefaultLanguage[] = "default";

extern const char* const EnglishTexts[TextKeyCount];

// The text shown for a key, UTF-8: English until PickTexts chose another.
const char* ShownText(TextKey key);

enum class TextFault {
  None,
  NotUtf8,
  ControlCharacter,    // a line break or tab in a one-line text, or any other control character
  MissingPlaceholder,
  TooLong,
};

// Whether `text` (UTF-8, NUL-terminated) may stand for `key`; an empty text always may. A
// status text is measured with {percent} filled with "100".
TextFault CheckText(TextKey key, const char* text);
// Its length as that check measures it (-1 for no UTF-8).
int MeasuredCharacters(TextKey key, const char* text);
int TextMaxCharacters(TextKey key);

// A language tag: a primary language of 2 or 3 letters, then subtags of 1 to 8 letters or digits,
// each after a "-"; at most LanguageTagMaxLength characters.
bool IsLanguageTag(const char* tag);

// Whether a texts block in the stored form is whole: every record's tag a language tag or
// "default", every text one that CheckText takes, nothing after the closing NUL.
bool IsTextsBlock(const uint8_t* block, uint32_t size);

// Sets the texts shown from the record for `userTag` (the user's display language, or the one the
// command line names): the record of that exact tag, else the one of its script ("zh-Hans" for
// "zh-CN"), else the one of its primary language ("de" for "de-AT"), else "default", else none;
// the record's empty texts stay English. Case does not matter. `block` is whole (IsTextsBlock)
// or null.
void PickTexts(const uint8_t* block, uint32_t size, const char* userTag);
