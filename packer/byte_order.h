// Little-endian fields of the formats zav-pack reads and writes (PE, .ico, MS-CAB, its data
// directory), in a byte vector. Callers check every offset against the vector's size before they
// read; these only assemble bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

inline uint16_t ReadU16(const std::vector<uint8_t>& bytes, size_t at) {
  return uint16_t(bytes[at] | bytes[at + 1] << 8);
}

inline uint32_t ReadU32(const std::vector<uint8_t>& bytes, size_t at) {
  return uint32_t(ReadU16(bytes, at)) | uint32_t(ReadU16(bytes, at + 2)) << 16;
}

inline void WriteU16(std::vector<uint8_t>* bytes, size_t at, uint16_t value) {
  (*bytes)[at] = uint8_t(value);
  (*bytes)[at + 1] = uint8_t(value >> 8);
}

inline void WriteU32(std::vector<uint8_t>* bytes, size_t at, uint32_t value) {
  WriteU16(bytes, at, uint16_t(value));
  WriteU16(bytes, at + 2, uint16_t(value >> 16));
}

// True when [offset, offset + size) lies within `total` bytes, without overflowing.
inline bool RangeFits(uint64_t offset, uint64_t size, uint64_t total) {
  return offset <= total && size <= total - offset;
}

inline uint64_t AlignUp(uint64_t value, uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}
