#include "packer/embedded.h"

#define EMBEDDED(name) extern "C" const uint8_t name[], name##End[];
EMBEDDED(ZavPackStub)
EMBEDDED(ZavPackBackground)
EMBEDDED(ZavPackInstallButton)
EMBEDDED(ZavPackInfoButton)
EMBEDDED(ZavPackExitButton)
EMBEDDED(ZavPackSong)
EMBEDDED(ZavPackCredits)
EMBEDDED(ZavPackInfoText)
#undef EMBEDDED

namespace {

struct Span {
  const uint8_t* start;
  const uint8_t* end;
};

// In the order of EmbeddedFile.
const Span Files[EmbeddedFileCount] = {
    {ZavPackStub, ZavPackStubEnd},
    {ZavPackBackground, ZavPackBackgroundEnd},
    {ZavPackInstallButton, ZavPackInstallButtonEnd},
    {ZavPackInfoButton, ZavPackInfoButtonEnd},
    {ZavPackExitButton, ZavPackExitButtonEnd},
    {ZavPackSong, ZavPackSongEnd},
    {ZavPackCredits, ZavPackCreditsEnd},
    {ZavPackInfoText, ZavPackInfoTextEnd},
};

}  // namespace

std::vector<uint8_t> EmbeddedBytes(EmbeddedFile file) {
  return std::vector<uint8_t>(Files[file].start, Files[file].end);
}
