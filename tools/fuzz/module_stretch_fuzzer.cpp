// libFuzzer target: any bytes as the XM data of a module image, loaded and played for a
// tenth of a second from an order position and row that the input's last two bytes choose
// (the whole input is the module, so the kept corpus serves every target). A jump into the
// middle of a song meets channels in states that its first seconds never set up, and a short
// stretch lets the fuzzer try many more of them than the target that plays two seconds.
#include "tools/fuzz/playable.h"
#include "tools/fuzz/render_briefly.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  std::vector<uint8_t> image = ModuleImageOf(data, size);
  Module* module = LoadModuleImage(image.data(), image.size());
  if (module) {
    CheckPlayable(module);
    RenderChosenStretch(module, data, size);
    FreeModule(module);
  }
  return 0;
}
