#include "packer/checks/picture_formats.h"

#include <cstring>

namespace {

struct Signature {
  PictureFormat format;
  const char* name;
  size_t offset;
  const char* bytes;
  size_t length;
};
const Signature Signatures[] = {
    {PictureFormat::Jpeg, "a JPEG picture", 0, "\xFF\xD8\xFF", 3},
    {PictureFormat::Png, "a PNG picture", 0, "\x89PNG\r\n\x1A\n", 8},
    {PictureFormat::Gif, "a GIF picture", 0, "GIF8", 4},
    {PictureFormat::Bmp, "a BMP picture", 0, "BM", 2},
    {PictureFormat::Other, "a WebP picture", 8, "WEBP", 4},
    {PictureFormat::Other, "a TIFF picture", 0, "II*\0", 4},
    {PictureFormat::Other, "a TIFF picture", 0, "MM\0*", 4},
};

uint32_t Little(const std::vector<uint8_t>& b, size_t at, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | b[at + size_t(i)];
  return value;
}

// Uncompressed rows, padded to 32 bits each, must all be there; compressed ones the decoder
// refuses or checks itself.
std::string BmpCut(const std::vector<uint8_t>& b) {
  if (b.size() < 30) return "it ends inside its headers";
  uint32_t pixelsAt = Little(b, 10, 4), headerSize = Little(b, 14, 4);
  if (headerSize < 40 || b.size() < 34) return "";  // an old OS/2 header: the decoder checks it
  int64_t width = int32_t(Little(b, 18, 4)), height = int32_t(Little(b, 22, 4));
  uint32_t bits = Little(b, 28, 2), compression = Little(b, 30, 4);
  if (compression != 0 && compression != 3) return "";
  if (height < 0) height = -height;
  uint64_t stride = (uint64_t(width < 0 ? 0 : width) * bits + 31) / 32 * 4;
  if (uint64_t(pixelsAt) + stride * uint64_t(height) > b.size()) return "it ends inside its pixel rows";
  return "";
}

// Skips a chain of GIF data sub-blocks (a length byte, then that many bytes, until a length of 0).
bool SkipSubBlocks(const std::vector<uint8_t>& b, size_t* at) {
  while (*at < b.size()) {
    size_t length = b[*at];
    *at += 1 + length;
    if (length == 0) return true;
  }
  return false;
}

// The header and its colour table, then extensions, up to the end of the first image's data.
std::string GifCut(const std::vector<uint8_t>& b) {
  size_t at = 13;
  if (b.size() < at) return "it ends inside its header";
  if (b[10] & 0x80) at += size_t(3) << ((b[10] & 7) + 1);
  while (at < b.size()) {
    uint8_t block = b[at];
    if (block == 0x21) {  // an extension: its label, then sub-blocks
      at += 2;
      if (!SkipSubBlocks(b, &at)) break;
    } else if (block == 0x2C) {  // the first image: its descriptor, colour table, code size, data
      if (at + 10 > b.size()) break;
      uint8_t flags = b[at + 9];
      at += 10;
      if (flags & 0x80) at += size_t(3) << ((flags & 7) + 1);
      at += 1;
      return at <= b.size() && SkipSubBlocks(b, &at) && at <= b.size() ? "" : "it ends inside its first image";
    } else {
      return "";  // the trailer, or a block the decoder refuses with its own reason
    }
  }
  return "it ends before its first image";
}

// Each Huffman table of a DHT segment: its class and number, 16 counts of codes by length, then
// that many symbols. The codes, given out in order of length, must fit their lengths without the
// code of all ones, as the standard's decoder checks: a table of more codes would make the
// decoder read and write outside its tables.
bool HuffmanTablesFit(const std::vector<uint8_t>& b, size_t at, size_t end, bool defined[2][4]) {
  while (at < end) {
    if (at + 17 > end || b[at] >> 4 > 1 || (b[at] & 15) > 3) return false;
    defined[b[at] >> 4][b[at] & 15] = true;
    uint32_t codes = 0, next = 0;
    for (int length = 1; length <= 16; ++length, next <<= 1) {
      codes += b[at + size_t(length)];
      next += b[at + size_t(length)];
      if (next >= 1u << length) return false;
    }
    at += 17 + codes;
  }
  return at == end;
}

// Whether every table that a scan reads was defined before it: the decoder would read an
// undefined one from memory it never wrote. A scan reads DC tables when it starts at coefficient
// 0, AC tables when it ends past it.
bool ScanTablesDefined(const std::vector<uint8_t>& b, size_t at, size_t end, const bool defined[2][4]) {
  size_t components = at + 4 < end ? b[at + 4] : 0, bands = at + 5 + 2 * components;
  if (components == 0 || bands + 2 > end) return false;
  bool dc = b[bands] == 0, ac = b[bands + 1] > 0;
  for (size_t i = 0; i < components; ++i) {
    uint8_t tables = b[at + 6 + 2 * i];
    if ((dc && (tables >> 4 > 3 || !defined[0][tables >> 4])) || (ac && ((tables & 15) > 3 || !defined[1][tables & 15])))
      return false;
  }
  return true;
}

// Every segment of the file, the coded data between them skipped, as far as the end marker.
std::string JpegDamage(const std::vector<uint8_t>& b) {
  JpegFacts facts = ReadJpegHeaders(b);
  if (!facts.ended) return "cut short (it has no end marker)";
  bool huffman = facts.frameMarker < 0xC9;  // arithmetic coding has no Huffman tables
  bool defined[2][4] = {};
  for (size_t at = 2; at + 4 <= b.size();) {
    int marker = b[at + 1];
    if (b[at] != 0xFF || marker == 0xFF) {  // coded data, or a fill byte
      ++at;
      continue;
    }
    if (marker == 0xD9) break;
    if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // no length
      at += 2;
      continue;
    }
    size_t end = at + 2 + size_t(b[at + 2] << 8 | b[at + 3]);
    if (end > b.size()) return "cut short (a segment runs past its end)";
    if (marker == 0xC4 && !HuffmanTablesFit(b, at + 4, end, defined)) return "a Huffman table does not fit its segment";
    if (marker == 0xDA && huffman && !ScanTablesDefined(b, at, end, defined))
      return "a scan uses a Huffman table that was never defined";
    at = end;
  }
  return "";
}

bool IsFrameMarker(int marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

}  // namespace

PictureFormat IdentifyPicture(const std::vector<uint8_t>& bytes, std::string* name) {
  for (const Signature& signature : Signatures) {
    if (bytes.size() >= signature.offset + signature.length &&
        std::memcmp(bytes.data() + signature.offset, signature.bytes, signature.length) == 0) {
      *name = signature.name;
      return signature.format;
    }
  }
  *name = "not a picture zav-pack knows";
  return PictureFormat::Other;
}

bool PictureHeaderSize(const std::vector<uint8_t>& b, PictureFormat format, int64_t* width, int64_t* height) {
  auto big = [&b](size_t at) { return int64_t(b[at]) << 24 | int64_t(b[at + 1]) << 16 | b[at + 2] << 8 | b[at + 3]; };
  if (format == PictureFormat::Png && b.size() >= 24) {
    *width = big(16), *height = big(20);
  } else if (format == PictureFormat::Gif && b.size() >= 10) {
    *width = Little(b, 6, 2), *height = Little(b, 8, 2);
  } else if (format == PictureFormat::Bmp && b.size() >= 26) {
    bool old = Little(b, 14, 4) == 12;  // OS/2's header: 16-bit sizes
    *width = old ? int64_t(Little(b, 18, 2)) : int64_t(int32_t(Little(b, 18, 4)));
    *height = old ? int64_t(Little(b, 20, 2)) : int64_t(int32_t(Little(b, 22, 4)));
    if (*height < 0) *height = -*height;  // rows top-down
  } else if (format == PictureFormat::Jpeg) {
    JpegFacts facts = ReadJpegHeaders(b);
    *width = facts.width, *height = facts.height;
    return facts.frameMarker != 0;
  } else {
    return false;
  }
  return true;
}

std::string PictureDamage(const std::vector<uint8_t>& bytes, PictureFormat format) {
  std::string cut;
  switch (format) {
    case PictureFormat::Jpeg:
      return JpegDamage(bytes);
    case PictureFormat::Bmp:
      cut = BmpCut(bytes);
      break;
    case PictureFormat::Gif:
      cut = GifCut(bytes);
      break;
    default:
      break;  // a PNG's chunks are read to its end chunk, which the decoder requires
  }
  return cut.empty() ? cut : "cut short (" + cut + ")";
}

JpegFacts ReadJpegHeaders(const std::vector<uint8_t>& b) {
  JpegFacts facts;
  size_t at = 2;
  while (at + 4 <= b.size() && b[at] == 0xFF) {
    int marker = b[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // markers without a length
      at += 2;
      continue;
    }
    size_t length = size_t(b[at + 2] << 8 | b[at + 3]);
    const uint8_t* field = b.data() + at + 4;
    bool whole = at + 2 + length <= b.size();
    if (IsFrameMarker(marker) && !facts.frameMarker && whole && length >= 8) {
      facts.frameMarker = marker;
      facts.precision = field[0];
      facts.height = field[1] << 8 | field[2];
      facts.width = field[3] << 8 | field[4];
      facts.components = field[5];
      if (facts.components == 3 && length >= 8 + 9 && field[6] == 'R' && field[9] == 'G' && field[12] == 'B')
        facts.ycbcr = false;
    }
    if (marker == 0xEE && whole && length >= 14 && std::memcmp(field, "Adobe", 5) == 0 && field[11] == 0)
      facts.ycbcr = false;
    if (marker == 0xDA) {
      // In the coded data a 0xFF is followed by a 0 or a restart marker; the first 0xFF 0xD9
      // after the scan starts is the end of the image (or of a last scan).
      for (size_t i = at + 2; i + 1 < b.size() && !facts.ended; ++i) facts.ended = b[i] == 0xFF && b[i + 1] == 0xD9;
      return facts;
    }
    at += 2 + length;
  }
  return facts;
}
