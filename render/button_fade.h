// Hover fades of the three picture buttons: solid while the mouse is over a button, half
// transparent over the animated background otherwise, one step per frame between the two.
#pragma once
#include "render/frame.h"

constexpr uint8_t SolidFadeLevel = 0;
constexpr uint8_t HalfFadeLevel = 15;

// One level per button (0 Install, 1 Info, 2 Exit): 0 shows the picture exactly, 15 half
// transparent.
extern uint8_t FadeLevel[ButtonCount];

// Every level to 15, as the buttons are when the render thread starts, before its first frame.
// Set there, not given with the table: the program then needs no initialised data.
inline void ResetButtonFades() {
  for (uint8_t& level : FadeLevel) level = HalfFadeLevel;
}

// Steps the button's level toward solid when hotButton (the value of HotButton, loaded once
// by the caller for this call: 0 none, 1 Install, 2 Info, 3 Exit) names this button, toward
// half transparent otherwise, then blends its 80 x 20 picture with the frame beneath it:
// each byte moves from the picture's byte toward the frame's byte by level thirtieths of their
// difference, truncated toward the picture's. button outside 0 to 2 does nothing.
void FadeButton(int button, uint8_t hotButton, Pixel* frame, const Pixel* picture);
