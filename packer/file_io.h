// The files zav-pack reads and writes, through the system's own calls: file_io_posix.cpp on
// Linux, file_io_win.cpp on Windows (wide-character calls there). Paths and names are UTF-8 on
// both, so that the checks above this are shared.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class PathKind { Missing, File, Folder, Link, Other };

// What a path names, without following a symbolic link (or, on Windows, any reparse point:
// junctions too) at its end. `error` gets the system's reason when it is Missing.
struct PathStatus {
  PathKind kind = PathKind::Missing;
  uint64_t size = 0;
  int64_t modified = 0;  // seconds since 1970, UTC
  std::string error;
};
PathStatus StatusOf(const std::string& path, bool followLink);

// The names in a folder (not "." and ".."), in no particular order. False with `error` set.
bool ListFolder(const std::string& path, std::vector<std::string>* names, std::string* error);

// The separator that joins a folder and a name on this system.
extern const char PathSeparator;

// A plain file opened for reading.
class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // False with `error` set to the system's reason.
  bool Open(const std::string& path, std::string* error);
  // Reads up to `count` bytes from the current position; the count read (0 at the end), or -1
  // with `error` set.
  int64_t Read(void* buffer, size_t count, std::string* error);
  bool Seek(uint64_t offset);
  void Close();

 private:
  intptr_t handle_ = -1;
};

// The installer being written: a temporary file beside the output, moved over the output only
// by Commit, so that no half-written installer is ever left and an existing one is replaced only
// on success. The temporary file goes when the object does without a Commit, and also when the
// process is interrupted meanwhile (Ctrl+C, a closed terminal or console).
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool Create(const std::string& path, std::string* error);
  bool WriteAt(uint64_t offset, const void* bytes, size_t count, std::string* error);
  // Reads exactly `count` bytes at `offset`; false at the end or on an error.
  bool ReadAt(uint64_t offset, void* buffer, size_t count, std::string* error);
  // Flushes the file to the disk and moves it over the output.
  bool Commit(std::string* error);
  // Where the file is until then, for a reader of its own.
  const std::string& TemporaryPath() const { return temporary_; }

 private:
  void Discard();

  std::string path_, temporary_;
  intptr_t handle_ = -1;
};
