#include "packer/cabinet_format.h"

#include "packer/byte_order.h"
#include "packer/cabinet_writer.h"

namespace {

const uint32_t HeaderBytes = 36;
const uint32_t FolderBytes = 8;
const uint32_t FileBytes = 16;
const uint16_t ArchiveAttribute = 0x20;  // _A_ARCH, as a fresh file has it
const uint16_t NameIsUtf8 = 0x80;        // _A_NAME_IS_UTF

bool IsAscii(const std::string& name) {
  for (unsigned char c : name) {
    if (c >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::vector<FolderPlan> PlanFolders(const std::vector<PayloadFile>& files, uint64_t folderBytes) {
  std::vector<FolderPlan> plans;
  for (size_t i = 0; i < files.size(); ++i) {
    if (plans.empty() || (plans.back().bytes > 0 && plans.back().bytes + files[i].size > folderBytes)) {
      plans.push_back({i, 0, 0});
    }
    ++plans.back().fileCount;
    plans.back().bytes += files[i].size;
  }
  return plans;
}

uint32_t CabinetHeadBytes(const std::vector<PayloadFile>& files, size_t folderCount) {
  uint64_t bytes = HeaderBytes + FolderBytes * folderCount;
  for (const PayloadFile& file : files) bytes += FileBytes + file.stored.size() + 1;
  return uint32_t(bytes);
}

std::vector<uint8_t> CabinetHead(const std::vector<PayloadFile>& files, const std::vector<FolderPlan>& plans,
                                 const std::vector<FolderPlace>& places, uint16_t compression, uint32_t cabinetBytes) {
  std::vector<uint8_t> head(HeaderBytes + FolderBytes * plans.size());
  head[0] = 'M', head[1] = 'S', head[2] = 'C', head[3] = 'F';
  WriteU32(&head, 8, cabinetBytes);
  WriteU32(&head, 16, uint32_t(head.size()));  // the first file entry
  head[24] = 3, head[25] = 1;                  // format version 1.3
  WriteU16(&head, 26, uint16_t(plans.size()));
  WriteU16(&head, 28, uint16_t(files.size()));
  for (size_t folder = 0; folder < plans.size(); ++folder) {
    size_t at = HeaderBytes + FolderBytes * folder;
    WriteU32(&head, at, places[folder].dataOffset);
    WriteU16(&head, at + 4, places[folder].blocks);
    WriteU16(&head, at + 6, compression);
  }
  for (size_t folder = 0; folder < plans.size(); ++folder) {
    uint64_t offset = 0;
    for (size_t i = plans[folder].firstFile; i < plans[folder].firstFile + plans[folder].fileCount; ++i) {
      const PayloadFile& file = files[i];
      size_t at = head.size();
      head.resize(at + FileBytes);
      uint16_t date, time;
      DosDateTime(CabinetTime(file.time), &date, &time);
      WriteU32(&head, at, uint32_t(file.size));
      WriteU32(&head, at + 4, uint32_t(offset));
      WriteU16(&head, at + 8, uint16_t(folder));
      WriteU16(&head, at + 10, date);
      WriteU16(&head, at + 12, time);
      WriteU16(&head, at + 14, uint16_t(ArchiveAttribute | (IsAscii(file.stored) ? 0 : NameIsUtf8)));
      head.insert(head.end(), file.stored.begin(), file.stored.end());
      head.push_back(0);
      offset += file.size;
    }
  }
  return head;
}

uint32_t CabinetChecksum(const uint8_t* bytes, size_t count, uint32_t seed) {
  uint32_t sum = seed;
  size_t words = count / 4;
  for (size_t i = 0; i < words; ++i, bytes += 4) {
    sum ^= uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
  }
  uint32_t rest = 0;
  for (size_t i = 0; i < count % 4; ++i) rest = rest << 8 | bytes[i];
  return sum ^ rest;
}

std::vector<uint8_t> CabinetDataBlock(const std::vector<uint8_t>& data, uint32_t uncompressedBytes) {
  std::vector<uint8_t> block;
  block.reserve(8 + data.size());
  block.resize(8);
  WriteU16(&block, 4, uint16_t(data.size()));
  WriteU16(&block, 6, uint16_t(uncompressedBytes));
  uint32_t sum = CabinetChecksum(data.data(), data.size(), 0);
  WriteU32(&block, 0, CabinetChecksum(block.data() + 4, 4, sum));
  block.insert(block.end(), data.begin(), data.end());
  return block;
}

// Civil date from days since 1970-01-01, by whole 400-year eras of 146,097 days.
void DosDateTime(int64_t seconds, uint16_t* date, uint16_t* time) {
  int64_t days = seconds / 86400, rest = seconds % 86400;
  int64_t shifted = days + 719468, era = shifted / 146097, dayOfEra = shifted - era * 146097;
  int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1, month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  int64_t year = yearOfEra + era * 400 + (month <= 2);
  *date = uint16_t((year - 1980) << 9 | month << 5 | day);
  *time = uint16_t((rest / 3600) << 11 | (rest / 60 % 60) << 5 | (rest % 60) / 2);
}
