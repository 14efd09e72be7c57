// The program's theme: its arrangement, written into a module description.
#pragma once

#include <string>

#include "tools/xmwriter/xm_writer.h"

namespace songgen {

// Fills `module` with the whole song (instruments, patterns, orders). Returns false with a
// message in `error` when the score cannot be written (a mistake in the score itself).
bool BuildSong(xmw::Module* module, std::string* error);

}  // namespace songgen
