// Writing the installer so that no half-written file is ever left: the bytes go to a temporary
// file beside the output, which is renamed into place only once it is complete.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Writes `bytes` to `path`. An existing file there is replaced only when all went well; on a
// failure, or when the process is interrupted (SIGINT, SIGTERM, SIGHUP), the temporary file
// is removed. False with `error` set to the system's reason.
bool WriteOutputFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);
