// The rules for the names that an installer creates, one source for the installer and for
// zav-pack: names as a cabinet stores them, in UTF-8, with "\" (or "/") between folders.
#pragma once

// What is wrong with a stored name; the first that applies in this order:
enum class NameFault {
  None,
  NotUtf8,           // bytes that are no UTF-8
  Unsafe,            // it would leave the destination root or open no ordinary file: absolute,
                     // a drive, an empty, "." or ".." part (or one of dots and blanks only,
                     // which the platform reads as those), a device name such as "CON",
                     // "lpt1.txt" or "COM¹", a control character or one of < > : " | ? *
  PartEndsInDotOrBlank,  // Windows drops them, so "notes." would not be the name asked for
};

NameFault StoredNameFault(const char* name);

inline bool IsSafeStoredName(const char* name) { return StoredNameFault(name) == NameFault::None; }

// The folder that an install creates below the chosen one: one path part of at most
// FolderNameMaxLength characters (code points) that passes the stored-name rules and holds no
// control character at all (C1 and DEL included), since the folder browser's title shows it.
constexpr int FolderNameMaxLength = 64;
bool IsSafeFolderName(const char* name);
