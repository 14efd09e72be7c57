// libFuzzer target: any bytes as the XM data of a module image, loaded, summarised as
// `zav-render --info` prints it (or the refusal named) and released, without playing: the
// loader alone, at a thousand or more inputs a second where the playing target manages fifty.
#include <cstdio>

#include "tools/fuzz/playable.h"
#include "tools/zav-render/info.h"

namespace {

FILE* Discard() {
  static FILE* discard = fopen("/dev/null", "w");
  return discard;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> image = ModuleImageOf(data, size);
  Module* module = LoadModuleImage(image.data(), image.size());
  FILE* out = Discard();
  if (!module) {
    if (out) fputs(LoadFailureText(ModuleLoadFailure), out);
    return 0;
  }
  CheckPlayable(module);
  ModuleSummary summary = SummarizeModule(module);
  if (out) PrintSummary(out, "fuzz input", summary);
  FreeModule(module);
  return 0;
}
