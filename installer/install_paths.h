// Where the installed files go: the destination root formed from the folder the user chose,
// and the full path of each file as the cabinet names it below that root.
#pragma once

constexpr int PathBufferSize = 512;  // 511 characters and the NUL
extern char InstallRoot[PathBufferSize];  // ends in "\" once completed
extern char TargetPath[PathBufferSize];   // the file being created

// The folder that an install creates below the chosen one: one path part of printable ASCII that
// passes the stored-name rules below, at most FolderNameMaxLength characters.
constexpr int FolderNameMaxLength = 64;
bool IsSafeFolderName(const char* name);

// Turns the chosen folder in `root` (a PathBufferSize buffer) into the destination root: a "\"
// unless it already ends in one, then `folderName` and "\". Returns false and leaves `root` as
// it was when it is empty or the result would not fit.
bool CompleteInstallRoot(char* root, const char* folderName);

// Whether a name stored in the cabinet stays below the destination root and names an ordinary
// file there: relative (no leading separator, no drive), no empty, "." or ".." part (nor one
// of dots and blanks only, which the platform reads as those), no device name such as "CON"
// or "lpt1.txt", none of the characters that file names cannot hold.
bool IsSafeStoredName(const char* name);

// `target` (a PathBufferSize buffer) = `root` followed by the stored name, with "/" turned into
// "\" (both separate folders; the folder creation follows "\" only). Returns false and leaves
// `target` empty for an unsafe name or a path longer than PathBufferSize - 1 characters: such
// a file is refused, never cut to another name.
bool FormTargetPath(char* target, const char* root, const char* storedName);
