#include <algorithm>

#include "packer/cabinet_writer.h"

namespace {

const int64_t FirstDosTime = 315532800;
const int64_t LastDosTime = 4354819198;

}  // namespace

int64_t CabinetTime(int64_t seconds) { return std::clamp(seconds, FirstDosTime, LastDosTime); }
