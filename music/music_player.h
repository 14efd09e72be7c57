// The music player's face to the rest of the program: start the embedded song, stop it again.
#pragma once

struct Module;

// With a module image (a 32-bit little-endian byte count, then the XM bytes): opens the sound
// device, loads the song and starts playing it; returns the loaded module, or null when the
// device cannot be opened or the song not loaded (the program then runs silently).
// With null: stops the playback and releases the song, the buffers and the device.
Module* MusicPlay(const void* moduleImage);

// Turns the music off, or on again, with a short ramp. The song plays on meanwhile and the
// device keeps playing silence, so turning it on again is immediate. Called from any thread.
void SwitchMusic();

// Turns the playing song down to silence over half a second, then returns; the song keeps
// playing silently until MusicPlay(null) stops it.
void MusicFadeOut();
