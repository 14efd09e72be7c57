// The whole decode of a picture whose headers are known to fit, so that a damaged one is caught
// before the installer's users meet it: libjpeg on Linux (picture_decoder_posix.cpp), the
// platform's picture loader, the one the installer uses, on Windows (picture_decoder_win.cpp).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// True when every pixel of the JPEG decodes without damage; else false with the decoder's
// message in `damage`.
bool DecodesWhole(const std::vector<uint8_t>& jpeg, std::string* damage);
