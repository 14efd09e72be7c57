// A plain mixer to check the real one against: one frame at a time, the position kept as two
// 32-bit halves added with carry, the boundary tested before every frame, and loop turns done
// by repeated subtraction and reflection. It shares no code with the real mixer.
#pragma once

#include <cstdint>

#include "music/mixer.h"

// Mixes `count` frames of each voice with a sample, in order, like MixVoices.
void ReferenceMix(Voice* voices, int voiceCount, float* output, int32_t count);
