// Fingerprints of the music player's floating-point results: pitch, tempo, volume and a long
// mixing run, each folded into a 64-bit hash of the exact bits. The same expected values are
// checked by the native unit test and by a small Windows program run under Wine, so that the
// two builds are shown to compute the same numbers.
#pragma once

#include <cstdint>

struct GoldenValue {
  const char* name;
  uint64_t expected;
  uint64_t actual;
};

const int GoldenValueCount = 6;

// Computes every fingerprint into `values` (GoldenValueCount of them); returns how many differ
// from what they should be.
int CheckGoldenValues(GoldenValue* values);
