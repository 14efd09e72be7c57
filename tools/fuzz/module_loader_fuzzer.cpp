// libFuzzer target: any bytes as the XM data of a module image, loaded, played for a few
// seconds and released again. Built with AddressSanitizer and UndefinedBehaviorSanitizer, so
// that any read or write outside a block, undefined arithmetic or leak is a finding; a module
// that loads is also checked for what the sequencer and the mixer take for granted.
#include "tools/fuzz/playable.h"
#include "tools/fuzz/render_briefly.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> image = ModuleImageOf(data, size);
  Module* module = LoadModuleImage(image.data(), image.size());
  if (module) {
    CheckPlayable(module);
    RenderBriefly(module);
    FreeModule(module);
  }
  return 0;
}
