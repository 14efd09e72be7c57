// What zav-pack carries inside itself, so that it is one file to copy: the stub (the installer
// program without its data) and the project's own assets, used for every input left out.
#pragma once
#include <cstdint>
#include <vector>

enum EmbeddedFile {
  StubProgram,
  DefaultBackground,
  DefaultInstallButton,
  DefaultInfoButton,
  DefaultExitButton,
  DefaultSong,         // XM bytes
  DefaultCredits,      // 198 characters
  DefaultInfoText,     // code page 437, CR LF
  EmbeddedFileCount
};

std::vector<uint8_t> EmbeddedBytes(EmbeddedFile file);
