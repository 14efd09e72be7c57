// Where the installed files go: the destination root formed from the folder the user chose,
// and the full path of each file as the cabinet names it below that root.
//
// Paths are UTF-16, as the platform's wide calls take them, and carry the "\\?\" prefix, under
// which the platform takes a path as it stands up to its limit of 32,767 units instead of 259
// characters. (Under that prefix "/" separates nothing and no part is trimmed, so the paths are
// formed with "\" only, from names that end in no dot or blank.)
#pragma once

constexpr int PathBufferSize = 32768;  // the platform's longest path and the NUL
extern char16_t InstallRoot[PathBufferSize];  // ends in "\" once formed
extern char16_t TargetPath[PathBufferSize];   // the file being created

// Appends `text` at `out`, which may write up to `end` (exclusive), with "/" turned into "\",
// and a NUL after it. Returns the position of that NUL; null when it does not fit.
char16_t* AppendPath(char16_t* out, const char16_t* end, const char16_t* text);

// Whether a path names a folder from a drive's root ("C:\..." or "C:/...") or on a network share
// ("\\server\share..."): not relative to a current folder or drive ("x", "C:x", "\x"), and none
// of the platform's device paths ("\\?\...", "\\.\...").
bool IsAbsolutePath(const char16_t* path);

// `root` = the absolute folder `chosen` under the long-path prefix ("\\?\C:\..." or
// "\\?\UNC\server\share\..."), a "\" unless it ends in one, then `folderName` (UTF-8) and "\"
// unless that is empty. False, with `root` empty, when `chosen` is not absolute or the root
// would not fit.
bool FormInstallRoot(char16_t* root, const char16_t* chosen, const char* folderName);

// `target` = `root` followed by the stored name (UTF-8), with "/" turned into "\" (both
// separate folders in a cabinet). False, with `target` empty, for a name that breaks the rules
// of file_names.h or a path that would not fit: such a file is refused, never cut to another name.
bool FormTargetPath(char16_t* target, const char16_t* root, const char* storedName);

// The folder browser's title, which names the install folder in its own script: `pattern`
// (UTF-8, at most 200 characters: "Select folder where '{folder}' will be installed...") with
// every "{folder}" replaced by the name (at most 64 characters).
constexpr int BrowseTitleSize = 4096;  // 200 characters, up to 25 names of 128 units each
void FormBrowseTitle(char16_t* title, const char* pattern, const char* folderName);
