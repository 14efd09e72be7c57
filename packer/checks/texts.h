// Checks the texts an installer shows: the credits line of the scroller, the info text of the
// info dialog, and the name of the folder it creates.
#pragma once
#include <cstdint>
#include <vector>

#include "packer/checks/diagnostics.h"

// --credits TEXT: printable ASCII, at most 198 characters, padded with blanks to 198, then a
// NUL. Empty with a problem added otherwise.
std::vector<uint8_t> CheckCredits(const Input& credits, Diagnostics* diagnostics);

// --credits-file FILE: its text as above; one line end at its end is dropped.
std::vector<uint8_t> CheckCreditsFile(const Input& file, Diagnostics* diagnostics);

// --info FILE: UTF-8 text (code page 437 with `cp437`) turned into code page 437 with CR LF line
// ends and a NUL: every character must have a code page 437 form, no tab or control character,
// at most 79 columns a line, at most 64 KiB. Empty with problems (line and column) otherwise.
std::vector<uint8_t> CheckInfoText(const Input& info, bool cp437, Diagnostics* diagnostics);

// --folder NAME: one folder name that the installer may create and show in its folder
// browser's title: UTF-8 in any script, at most 64 characters, no control character. The name
// and a NUL.
std::vector<uint8_t> CheckFolderName(const Input& folder, Diagnostics* diagnostics);
