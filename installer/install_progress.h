// The share of the cabinet that an install has written, as the status line shows it.
#pragma once
#include <cstdint>

// The sum of the sizes of the files that a cabinet image lists: its bytes once extracted. 0 when
// the image is no cabinet or its file list does not lie inside it.
uint64_t CabinetFileBytes(const uint8_t* image, uint32_t size);

// `written` of `total` in whole percent, rounded down and at most 100; 100 when total is 0.
uint32_t ProgressPercent(uint64_t written, uint64_t total);

// `pattern` (UTF-8, "Installing... {percent}%") with the percent filled in, and a NUL: at most
// 35 characters of up to 4 bytes each, as the status line holds.
constexpr int ProgressTextSize = 144;
void FormProgressText(char text[ProgressTextSize], const char* pattern, uint32_t percent);
