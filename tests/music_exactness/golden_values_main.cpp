// The Windows side of the cross-build check: prints each fingerprint and whether it matches;
// exits with 1 on any mismatch.
#include <cinttypes>
#include <cstdio>

#include "tests/music_exactness/golden_values.h"

int main() {
  GoldenValue values[GoldenValueCount];
  int mismatches = CheckGoldenValues(values);
  for (const GoldenValue& v : values)
    printf("%-28s 0x%016" PRIx64 " %s\n", v.name, v.actual,
           v.actual == v.expected ? "ok" : "MISMATCH");
  printf("%d of %d fingerprints differ\n", mismatches, GoldenValueCount);
  return mismatches ? 1 : 0;
}
