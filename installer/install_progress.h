// The share of the cabinet that an install has written, as the status line shows it.
#pragma once
#include <cstdint>

// The sum of the sizes of the files that a cabinet image lists: its bytes once extracted. 0 when
// the image is no cabinet or its file list does not lie inside it.
uint64_t CabinetFileBytes(const uint8_t* image, uint32_t size);

// `written` of `total` in whole percent, rounded down and at most 100; 100 when total is 0.
uint32_t ProgressPercent(uint64_t written, uint64_t total);

// "Installing... N%" and a NUL.
constexpr int ProgressTextSize = 20;
void FormProgressText(char text[ProgressTextSize], uint32_t percent);
