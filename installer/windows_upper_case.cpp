#include "installer/windows_upper_case.h"

#include <cstdint>

namespace {

struct UpperCaseRun {
  uint16_t first, last;
  uint8_t step;    // 1, or 2 for alternating small and capital letters
  uint16_t delta;  // added modulo 2^16
};

const UpperCaseRun Runs[] = {
#include "installer/windows_upper_case_table.inc"
};

}  // namespace

char16_t WindowsUpperCase(char16_t unit) {
  // The runs are sorted and do not overlap: find the first that ends at or after the unit.
  int low = 0, high = sizeof Runs / sizeof Runs[0];
  while (low < high) {
    int middle = (low + high) / 2;
    if (Runs[middle].last < unit) low = middle + 1; else high = middle;
  }
  if (low == sizeof Runs / sizeof Runs[0]) return unit;
  const UpperCaseRun& run = Runs[low];
  if (unit < run.first || (unit - run.first) % run.step != 0) return unit;
  return char16_t(unit + run.delta);
}
