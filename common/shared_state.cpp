#include "common/shared_state.h"

std::atomic<uint8_t> RenderState{Idle};
std::atomic<uint8_t> HotButton{HotNone};
std::atomic<uint8_t> FocusButton{HotNone};
std::atomic<uint8_t> PixelScale{0};
std::atomic<const char*> StatusText{nullptr};
