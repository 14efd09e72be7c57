#include "tools/zav-render/info.h"

#include "music/module_loader.h"

ModuleSummary SummarizeModule(const Module* module) {
  ModuleSummary summary = {};
  summary.songLength = module->songLength;
  summary.restartPosition = module->restartPosition;
  summary.channels = module->channelCount;
  summary.patterns = module->patternCount;
  summary.instruments = module->instrumentCount;
  for (int index = 0; index < module->instrumentCount; ++index) {
    summary.samples += module->instruments[index].sampleCount;
  }
  summary.linearFrequencies = (module->flags & LinearFrequencyTable) != 0;
  summary.defaultSpeed = module->defaultSpeed;
  summary.defaultBpm = module->defaultBpm;
  return summary;
}

void PrintSummary(FILE* out, const char* source, const ModuleSummary& summary) {
  fprintf(out,
          "module: %s\n"
          "song length: %d\n"
          "restart position: %d\n"
          "channels: %d\n"
          "patterns: %d\n"
          "instruments: %d\n"
          "samples: %d\n"
          "frequency table: %s\n"
          "default speed: %d\n"
          "default bpm: %d\n",
          source, summary.songLength, summary.restartPosition, summary.channels,
          summary.patterns, summary.instruments, summary.samples,
          summary.linearFrequencies ? "linear" : "amiga", summary.defaultSpeed,
          summary.defaultBpm);
}

const char* LoadFailureText(uint8_t failure) {
  switch (failure) {
    case EmptyImage: return "the module is empty";
    case NotAnXmModule: return "not an XM module (the ID text is not \"Extended Module: \")";
    case NoChannels: return "the module has no channels";
    case TooManySamples: return "an instrument has more than 16 samples";
    case OutOfMemory: return "the module needs more memory than a module may take";
    default: return "the module could not be loaded";
  }
}
