#include "packer/checks/song.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "music/module_loader.h"
#include "packer/checks/song_layout.h"
#include "tools/zav-render/info.h"
#include "tools/zav-render/song_pass.h"

namespace {

const uint64_t SongMaxBytes = uint64_t(1) << 30;
const int64_t PassLimitSeconds = 3600;
const size_t XmChannelCountOffset = 68;
const int PlayerChannels = 32;

struct ModuleFree {
  void operator()(Module* module) const { FreeModule(module); }
};

std::string Duration(const SongPass& pass) {
  if (!pass.ended) return "more than " + std::to_string(PassLimitSeconds / 60) + " minutes (it finds no end)";
  int64_t tenths = (pass.frames * 10 + RenderRate / 2) / RenderRate;
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld.%lld", static_cast<long long>(tenths / 600),
                static_cast<long long>(tenths / 10 % 60), static_cast<long long>(tenths % 10));
  return text;
}

// The loader keeps the first 32 channels; a sample cut short is the layout check's to tell.
void WarnOfClamps(const Input& song, const std::vector<uint8_t>& xm, Diagnostics* diagnostics) {
  if (ModuleLoadClamps & ChannelsDropped) {
    uint8_t field[2] = {};  // the loader read it, even if the file ends inside it
    for (size_t i = 0; i < 2 && XmChannelCountOffset + i < xm.size(); ++i) field[i] = xm[XmChannelCountOffset + i];
    int channels = field[0] | field[1] << 8;
    diagnostics->Warning(song, "has " + std::to_string(channels) + " channels; the player plays the first " +
                                   std::to_string(PlayerChannels) + " and drops the others; "
                                   "move what they play into the first 32 in a tracker");
  }
}

}  // namespace

std::vector<uint8_t> SongImage(const std::vector<uint8_t>& xm) {
  std::vector<uint8_t> image(4 + xm.size());
  for (int i = 0; i < 4; ++i) image[i] = uint8_t(xm.size() >> (8 * i));
  std::copy(xm.begin(), xm.end(), image.begin() + 4);
  return image;
}

std::vector<uint8_t> CheckSong(const Input& song, std::string* summary, Diagnostics* diagnostics) {
  std::vector<uint8_t> xm;
  if (!ReadInputFile(song, SongMaxBytes, &xm, diagnostics)) return {};
  std::vector<uint8_t> image = SongImage(xm);
  std::unique_ptr<Module, ModuleFree> module(LoadModuleImage(image.data(), image.size()));
  if (!module) {
    diagnostics->Problem(song, std::string("the music player cannot load it: ") + LoadFailureText(ModuleLoadFailure) +
                                   "; give an XM module (FastTracker 2) that it can load");
    return {};
  }
  size_t problemsBefore = diagnostics->problems.size();
  CheckSongLayout(song, xm, diagnostics);
  if (diagnostics->problems.size() != problemsBefore) return {};
  WarnOfClamps(song, xm, diagnostics);
  ModuleSummary facts = SummarizeModule(module.get());
  SongPass pass = MeasureSongPass(module.get(), PassLimitSeconds * RenderRate);
  *summary = song.Named() + ": " + std::to_string(facts.channels) + " channels, " +
             std::to_string(facts.patterns) + " patterns, " + std::to_string(facts.instruments) +
             " instruments, one pass " + Duration(pass);
  return image;
}
