// The platform libraries that the program loads itself, always from the system folder.
//
// An installer is started from folders that anyone can write to (a download folder, a shared
// drive), and the platform looks for a library that is not one of its known system libraries in
// the program's own folder first: a planted copy there would run inside the installer. So the
// library search is narrowed to the system folder before anything else happens, and every
// library besides kernel32 and msvcrt is loaded by name from there (the table of libraries and
// entry points is system_entries.S).
#pragma once

// First thing at start-up: narrows every later search by name (the platform's own loads on the
// program's behalf included) to the system folder, loads the libraries that the platform is
// known to load later (folder browser, picture decoder, sound), and the start-up group of
// entries. False when one of those entries is missing: the program cannot run then.
bool LoadSystemLibraries();

// The cabinet decompressor and the wave-out device, loaded on first use. False when the library
// or one of its entries is missing; the feature then fails as it fails without a device or with
// a damaged cabinet, and a later call tries again.
bool LoadCabinetLibrary();
bool LoadWaveOutLibrary();
