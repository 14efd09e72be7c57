// Turns an XM file held in memory into a Module and releases it again.
#pragma once

#include <cstddef>
#include <cstdint>

#include "music/module.h"

// The reader over the XM bytes of one image. position runs from 0 to size.
struct ModuleReader {
  const uint8_t* base;  // first XM byte
  int32_t size;
  int32_t position;
};

// SeekReader origins.
const int SeekFromStart = 0;
const int SeekFromCurrent = 1;
const int SeekFromEnd = 2;

// Copies up to `count` bytes to `destination`; near the end of the image only what is left.
// Destination bytes beyond what was copied keep their contents.
void ReadBytes(ModuleReader* reader, void* destination, int32_t count);

// Moves the position; it never leaves 0..size.
void SeekReader(ModuleReader* reader, int32_t offset, int origin);

// Loads an image: a 32-bit little-endian byte count followed by that many bytes of XM data.
// The count is trusted, as it is for the song built into the program. Null on failure.
Module* LoadModule(const uint8_t* image);

// Loads an image of which only `imageBytes` bytes (count included) may be read: a count that
// promises more than that is cut down to the bytes that are really there. Null on failure.
Module* LoadModuleImage(const uint8_t* image, size_t imageBytes);

// Why the last load returned null (LoadSucceeded after a load that worked). Nothing in the
// program shows it; tools that load files tell their users.
enum ModuleLoadFailureKind : uint8_t {
  LoadSucceeded = 0,
  EmptyImage,      // no image, or a byte count of 0
  NotAnXmModule,   // the ID text is not "Extended Module: "
  NoChannels,      // the header gives 0 channels
  TooManySamples,  // an instrument claims more than 16 samples
  OutOfMemory,     // the module needs more memory than it may take, or the allocator failed
};
extern uint8_t ModuleLoadFailure;

// What the last load had to cut to fit the player, one bit each; the song still plays, but not
// all of the file is heard. Nothing in the program shows it; tools that load files warn.
enum ModuleLoadClamp : uint8_t {
  ChannelsDropped = 1,  // more than 32 channels: the columns past the 32nd are not kept
  SampleDataCut = 2,    // a sample's data runs past the end of the file: only what is there
};
extern uint8_t ModuleLoadClamps;

// Fills a zero-filled module from the reader; 1 on success, 0 on failure. A module left by a
// failure is still fit for FreeModule.
int ParseModule(Module* module, ModuleReader* reader);

// Stops playback of the module and releases it with everything it owns.
// Returns false for a null module.
bool FreeModule(Module* module);
