// The summary that `zav-render --info` prints for a loaded module.
#pragma once

#include <cstdint>
#include <cstdio>

struct Module;

struct ModuleSummary {
  int songLength;
  int restartPosition;
  int channels;
  int patterns;
  int instruments;
  int samples;  // over all instruments
  bool linearFrequencies;
  int defaultSpeed;
  int defaultBpm;
};

ModuleSummary SummarizeModule(const Module* module);

// One "name: value" line per field, after a line naming where the module came from.
void PrintSummary(FILE* out, const char* source, const ModuleSummary& summary);

// Why a load was refused, in a few words (for ModuleLoadFailure).
const char* LoadFailureText(uint8_t failure);
