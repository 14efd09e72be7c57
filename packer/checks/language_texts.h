// Checks the installer's texts in its users' languages (--texts LANG=FILE): each file's keys and
// texts, the languages named, and the block of the installer's data that carries them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "assets/language_texts.h"
#include "packer/checks/diagnostics.h"

// One texts file as read: the text of each key it gives.
struct TextsFile {
  std::string texts[TextKeyCount];
  bool given[TextKeyCount] = {};
};

// Reads a texts file's bytes: UTF-8 (a BOM allowed), LF or CRLF, lines "key = text", blank lines
// and lines starting with "#" ignored, "\n" in a text a line break and "\\" a backslash. Each
// problem is added as "line N: what is wrong; how to fix it".
TextsFile ReadTextsFile(const std::string& bytes, std::vector<std::string>* problems);

// Every --texts LANG=FILE: the texts block of the installer's data (language_texts.h), empty
// when none is given. A language's missing keys take the texts of "default" when it is given.
std::vector<uint8_t> CheckLanguageTexts(const std::vector<std::string>& values, Diagnostics* diagnostics);
