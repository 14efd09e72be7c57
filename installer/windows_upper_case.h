// How Windows upper-cases a file name to compare it with another: unit by unit in UTF-16, with
// its simple upper-case table (no full case folding, no normalisation). Two names are the same
// file's when their upper-cased units are equal. The table is generated from Unicode's simple
// mappings by tools/casegen/windows_upper_case.py.
#pragma once

char16_t WindowsUpperCase(char16_t unit);
