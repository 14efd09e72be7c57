#include "packer/pe/version_resource.h"

#include "installer/utf8.h"

namespace {

const uint32_t UsEnglish = 0x0409;
const uint16_t UnicodeCodePage = 1200;
const uint16_t BinaryValue = 0, TextValue = 1;

void PutU16(std::vector<uint8_t>* out, uint32_t value) {
  out->push_back(uint8_t(value));
  out->push_back(uint8_t(value >> 8));
}

void PutU32(std::vector<uint8_t>* out, uint32_t value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}

// Every node of the block, and every value, starts on a 32-bit boundary.
void Align(std::vector<uint8_t>* out) {
  while (out->size() % 4) out->push_back(0);
}

// UTF-8 as UTF-16 units, with the NUL; the texts are checked to be UTF-8 before they come here.
std::vector<uint16_t> Utf16(const std::string& text) {
  std::vector<uint16_t> units;
  for (const char* at = text.c_str(); *at;) {
    uint32_t c = 0;
    int length = DecodeUtf8(at, &c);
    if (length == 0) break;
    at += length;
    if (c >= 0x10000) {
      units.push_back(uint16_t(0xD800 + ((c - 0x10000) >> 10)));
      units.push_back(uint16_t(0xDC00 + (c & 0x3FF)));
    } else {
      units.push_back(uint16_t(c));
    }
  }
  units.push_back(0);
  return units;
}

void PutUnits(std::vector<uint8_t>* out, const std::vector<uint16_t>& units) {
  for (uint16_t unit : units) PutU16(out, unit);
}

// A node's header: its length (filled in by EndNode), its value's length, its value's type and
// its key. Returns where it starts.
size_t BeginNode(std::vector<uint8_t>* out, uint32_t valueLength, uint16_t type, const char* key) {
  Align(out);
  size_t start = out->size();
  PutU16(out, 0);
  PutU16(out, valueLength);
  PutU16(out, type);
  PutUnits(out, Utf16(key));
  Align(out);
  return start;
}

void EndNode(std::vector<uint8_t>* out, size_t start) {
  size_t length = out->size() - start;
  (*out)[start] = uint8_t(length);
  (*out)[start + 1] = uint8_t(length >> 8);
}

void PutFixedInfo(std::vector<uint8_t>* out, const uint16_t version[4]) {
  uint32_t high = uint32_t(version[0]) << 16 | version[1], low = uint32_t(version[2]) << 16 | version[3];
  const uint32_t fields[] = {0xFEEF04BD,  // the signature
                             0x00010000,  // the structure's version
                             high, low,   // the file's version
                             high, low,   // the product's
                             0x3F, 0,     // which flags are meaningful, and none set
                             0x00040004,  // for 32- and 64-bit Windows
                             1, 0,        // an application
                             0, 0};       // no date
  for (uint32_t field : fields) PutU32(out, field);
}

}  // namespace

std::vector<uint8_t> VersionResource(const VersionInfo& info) {
  std::vector<uint8_t> out;
  size_t root = BeginNode(&out, 52, BinaryValue, "VS_VERSION_INFO");
  PutFixedInfo(&out, info.version);
  size_t fileInfo = BeginNode(&out, 0, TextValue, "StringFileInfo");
  size_t table = BeginNode(&out, 0, TextValue, "040904B0");  // US English, UTF-16
  for (const auto& [key, value] : info.strings) {
    if (value.empty()) continue;
    std::vector<uint16_t> units = Utf16(value);
    size_t text = BeginNode(&out, uint32_t(units.size()), TextValue, key.c_str());
    PutUnits(&out, units);
    EndNode(&out, text);
  }
  EndNode(&out, table);
  EndNode(&out, fileInfo);
  size_t varInfo = BeginNode(&out, 0, TextValue, "VarFileInfo");
  size_t translation = BeginNode(&out, 4, BinaryValue, "Translation");
  PutU16(&out, UsEnglish);
  PutU16(&out, UnicodeCodePage);
  EndNode(&out, translation);
  EndNode(&out, varInfo);
  EndNode(&out, root);
  return out;
}

void SetVersionResource(ResourceNode* root, std::vector<uint8_t> resource) {
  ResourceNode leaf;
  leaf.id = UsEnglish;
  leaf.leaf = true;
  leaf.data = std::move(resource);
  ResourceNode entry;
  entry.id = 1;
  entry.children.push_back(std::move(leaf));
  ResourceNode type;
  type.id = VersionResourceType;
  type.children.push_back(std::move(entry));
  for (ResourceNode& child : root->children) {
    if (!child.named && child.id == VersionResourceType) {
      child = std::move(type);
      return;
    }
  }
  root->children.push_back(std::move(type));
}
