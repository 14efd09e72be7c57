// The rules for the names of the files that an installer carries, shared by a packed folder and
// a cabinet given whole: the installer's own rules, and those for names that Windows would
// store under another name than the one packed.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// The longest stored name, in UTF-8 bytes, that a cabinet holds and that fits the installer's
// paths below every folder the user may choose: the shortest destination root is a drive's
// root, "\\?\X:\" + folder name + "\", and the installer takes paths up to the platform's
// limit. (With folder names of at most 64 characters the cabinet's 255 is the bound.)
size_t StoredNameMaxLength(size_t folderNameLength);

// What is wrong with one stored name (UTF-8), or "" when nothing is: a text to follow the
// name, ending with how to fix it.
std::string StoredNameProblem(const std::string& name, size_t maxLength);

// Names that Windows takes for one another, since it ignores case as its own upper-casing
// does, in every script: two files ("a.txt", "A.TXT"; "Ärger", "ärger"), or a file and a
// folder ("data", "Data\x.bin"). One text per clash.
std::vector<std::string> StoredNameClashes(const std::vector<std::string>& names);

// Why a name that is no UTF-8 is refused, ending with the remedy for its case: bytes that are no
// UTF-8, or (in zav-pack.exe) an unpaired surrogate that a Windows name carried (utf16_names.h).
std::string NotUnicodeProblem(const std::string& name, const char* bytesRemedy, const char* unitsRemedy);

// A name as a message shows it: each byte that is not part of UTF-8 as \xHH, an unpaired
// surrogate that a Windows name carried as \uHHHH, and U+FFFD, which looks like a fault of the
// terminal, as \uFFFD.
std::string ShownName(const std::string& name);
