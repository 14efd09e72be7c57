// The cross-fade from the captured screen to the background picture at the render thread's start.
#pragma once
#include "render/frame.h"

constexpr int FadeInSteps = 256;

// Step k (0 to 255) of the fade-in: every byte of the FramePixels pixels of frame becomes
// min(255, max(0, c - k) + max(0, p - (255 - k))) of the same bytes c of capture and p of
// background. Step 0 gives the capture, step 255 the background. frame may alias neither input.
void FadeInStep(Pixel* frame, const Pixel* capture, const Pixel* background, uint8_t k);

// At a scale above 1 the fade-in runs in screen pixels: the capture there is the screen's own,
// and the picture is enlarged to it. Being byte by byte, a step over such a frame is FadeInStep
// over each run of FramePixels pixels of it.
//
// The picture at `scale`: each pixel of `frame` (FrameWidth x FrameHeight) as a scale x scale
// block of `scaled`, whose rows are FrameWidth * scale pixels long.
void ScaleFrame(Pixel* scaled, const Pixel* frame, int scale);
