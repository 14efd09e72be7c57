// The fire that burns over the background picture: a heat field fed by a seed line near the
// bottom, carried one row up per step by a neighbourhood average, and turned into colours
// added to the picture.
#pragma once
#include "render/frame.h"

constexpr int FireCells = FramePixels;
// Zero bytes after the last cell, which nothing ever writes. The lower-right neighbour of the
// last seeded cell lies one past the field's end and counts as 0, and the 16-byte loads of the
// rise-and-cool pass reach one byte further.
constexpr int FireFieldPad = 16;

// Heat colour per heat value: red and green only, in the frame's byte order.
extern Pixel FirePalette[256];
// One heat byte per frame pixel, same index; 0 at process start.
extern uint8_t FireField[FireCells + FireFieldPad];
// State of the seed generator, 0 at process start and carried for the whole run.
extern uint16_t SeedState;

// Fills FirePalette: black, dark red, red, orange, yellow.
void BuildFirePalette();

// One draw of the seed generator: steps SeedState and returns 255 or 0.
uint8_t DrawSeed();

// One step of the fire: a new seed line in row 178, then the rise-and-cool pass over rows 0-177.
void AdvanceFire();

// frame[j] = background[j] + FirePalette[FireField[j]], per byte with saturation, for all
// FramePixels pixels. frame may equal background.
void ComposeFire(Pixel* frame, const Pixel* background);

// Whether the frame shown at this scroll position advances the fire first: when the low byte
// of the position has an odd number of set bits, about every second frame.
bool FireStepDue(uint32_t scrollPos);

// Back to the process-start state (field and seed generator 0). For tests and benchmarks.
void ResetFire();
