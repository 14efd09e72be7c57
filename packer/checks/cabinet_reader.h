// Reads a cabinet back through a decompressor that knows what the installer's does (MSZIP, LZX
// and Quantum): libmspack on Linux (cabinet_reader_posix.cpp), the platform's own FDI, the
// installer's decompressor itself, on Windows (cabinet_reader_win.cpp). The cabinet is read in
// pieces from its file, never whole.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Where a cabinet lies: a part of a file (a cabinet given whole, or one written into the
// installer's data section).
struct CabinetPlace {
  std::string path;
  uint64_t offset = 0;
  uint64_t length = 0;
};

// What the decompressor hands over, file by file in the cabinet's order. A false result stops
// the extraction.
class CabinetSink {
 public:
  virtual bool BeginFile(const std::string& name, uint64_t size) = 0;
  virtual bool Write(const uint8_t* bytes, size_t count) = 0;
  virtual bool EndFile() = 0;

 protected:
  ~CabinetSink() = default;
};

// Extracts every file of the cabinet into `sink`. "" when every file came out whole, else the
// decompressor's reason.
std::string ExtractCabinet(const CabinetPlace& place, CabinetSink* sink);
