#include "tools/zav-pack/embedded.h"

#define EMBEDDED(name) extern "C" const uint8_t name[]; extern "C" const uint64_t name##Size;
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

struct Blob {
  const uint8_t* bytes;
  const uint64_t* size;
};

// In the order of EmbeddedFile.
const Blob Blobs[EmbeddedFileCount] = {
    {ZavPackStub, &ZavPackStubSize},
    {ZavPackBackground, &ZavPackBackgroundSize},
    {ZavPackInstallButton, &ZavPackInstallButtonSize},
    {ZavPackInfoButton, &ZavPackInfoButtonSize},
    {ZavPackExitButton, &ZavPackExitButtonSize},
    {ZavPackSong, &ZavPackSongSize},
    {ZavPackCredits, &ZavPackCreditsSize},
    {ZavPackInfoText, &ZavPackInfoTextSize},
};

}  // namespace

std::vector<uint8_t> EmbeddedBytes(EmbeddedFile file) {
  const Blob& blob = Blobs[file];
  return std::vector<uint8_t>(blob.bytes, blob.bytes + *blob.size);
}
