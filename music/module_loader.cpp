#include "music/module_loader.h"

#include <cstddef>
#include <cstring>

#include "music/memory.h"
#include "music/playback.h"
#include "music/song_clock.h"

Sample EmptySample;
uint8_t ModuleLoadFailure = LoadSucceeded;
uint8_t ModuleLoadClamps = 0;

namespace {

const char IdText[] = "Extended Module: ";
const int IdTextLength = 17;
const int32_t HeaderSizeOffset = 60;   // the song header's size counts from its own size field
const int SongHeaderBytes = 20;        // header size field up to the default BPM
const int PatternHeaderBytes = 9;      // the fields read; the header length may say more
const int InstrumentLeadBytes = 29;    // size, name, type, number of samples
const int InstrumentFieldBytes = 212;  // sample header size up to the fade-out
const int SampleHeaderBytes = 40;
const int MissingPatternRows = 64;
const uint8_t FileKeyOff = 97;
const uint8_t PackedCell = 0x80;
const int CellFields = 5;

// The sequencer plays at most 32 channels; extra columns are read past, not kept.
const int MaxChannels = 32;
// Cells name instruments 1 to 128 only, so instruments beyond 128 could never sound.
const int MaxInstruments = MaxCellInstrument;
// All blocks of one module together. Sample data cannot outgrow the file, but a pattern header
// of 9 bytes may ask for 65,535 empty rows, and a few hundred of them would take gigabytes.
const uint64_t ModuleMemoryLimit = uint64_t(256) << 20;

// One parse: the module being filled, its reader and what it may still allocate.
struct Load {
  Module* module;
  ModuleReader* reader;
  uint64_t memoryLeft;
  int fileChannelCount;  // columns in the file's patterns, before the limit of 32
};

// The instrument's bytes from volumePointCount to vibratoRate lie in the record as they lie in
// the file, one after the other: the file's 14 bytes are copied as they stand.
const size_t EnvelopeAndVibratoStart = offsetof(Instrument, volumePointCount);
const int EnvelopeAndVibratoByteCount =
    int(offsetof(Instrument, vibratoRate) + 1 - EnvelopeAndVibratoStart);
static_assert(EnvelopeAndVibratoByteCount == 14, "the record's fields follow the file's order");

bool Refuse(uint8_t failure) {
  ModuleLoadFailure = failure;
  return false;
}

// A zero-filled block charged to the module's memory limit; null when it is used up or the
// allocator has nothing left.
void* Take(Load* load, uint64_t bytes) {
  if (bytes == 0 || bytes > load->memoryLeft) return nullptr;
  void* block = AllocateBlock(size_t(bytes));
  if (block) load->memoryLeft -= bytes;
  return block;
}

uint16_t U16(const uint8_t* bytes) { return uint16_t(bytes[0] | bytes[1] << 8); }

uint32_t U32(const uint8_t* bytes) {
  return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
         uint32_t(bytes[3]) << 24;
}

uint8_t ReadByte(ModuleReader* reader) {
  uint8_t byte = 0;
  ReadBytes(reader, &byte, 1);
  return byte;
}

bool AtEnd(const ModuleReader* reader) { return reader->position >= reader->size; }

// Moves to `start` + `size`, where a size field of the file says the next record begins. The
// sum is taken in 64 bits: a size of up to 4 GiB must not wrap around to an earlier place.
void SeekPast(ModuleReader* reader, int64_t start, uint32_t size) {
  int64_t target = start + size;
  if (target > reader->size) target = reader->size;
  SeekReader(reader, int32_t(target), SeekFromStart);
}

bool ReadIdText(ModuleReader* reader) {
  char id[IdTextLength] = {};
  SeekReader(reader, 0, SeekFromStart);
  ReadBytes(reader, id, IdTextLength);
  return memcmp(id, IdText, IdTextLength) == 0;
}

// Reads the song header and the order table and leaves the reader at the first pattern.
bool ReadSongHeader(Load* load, uint16_t* filePatternCount) {
  Module* module = load->module;
  ModuleReader* reader = load->reader;
  uint8_t header[SongHeaderBytes] = {};
  SeekReader(reader, HeaderSizeOffset, SeekFromStart);
  ReadBytes(reader, header, SongHeaderBytes);
  ReadBytes(reader, module->orders, OrderTableSize);

  int channels = U16(header + 8);
  if (channels == 0) return Refuse(NoChannels);
  load->fileChannelCount = channels;
  if (channels > MaxChannels) ModuleLoadClamps |= ChannelsDropped;
  module->channelCount = int16_t(channels < MaxChannels ? channels : MaxChannels);

  // The order table has 256 entries, and a song needs one at least to have anything to play.
  int songLength = U16(header + 4);
  if (songLength > OrderTableSize) songLength = OrderTableSize;
  if (songLength < 1) songLength = 1;
  module->songLength = int16_t(songLength);
  // The sequencer jumps to the restart position after the last order; outside the song it
  // would name an order that is not played, so the song starts over instead.
  int restartPosition = U16(header + 6);
  module->restartPosition = int16_t(restartPosition < songLength ? restartPosition : 0);

  *filePatternCount = U16(header + 10);
  int instruments = U16(header + 12);
  module->instrumentCount = int16_t(instruments < MaxInstruments ? instruments : MaxInstruments);
  module->flags = U16(header + 14);
  module->defaultSpeed = int16_t(U16(header + 16));
  module->defaultBpm = int16_t(U16(header + 18));
  SeekPast(reader, HeaderSizeOffset, U32(header));
  return true;
}

int32_t ReferencedPatternCount(const Module* module) {
  int32_t highest = -1;
  for (int position = 0; position < module->songLength; ++position) {
    if (module->orders[position] > highest) highest = module->orders[position];
  }
  return highest + 1;
}

// Gives the pattern `rows` all-empty rows (none and no block for 0 rows).
bool GiveEmptyRows(Load* load, Pattern* pattern, uint32_t rows) {
  uint64_t cells = uint64_t(rows) * uint64_t(load->module->channelCount);
  pattern->rowCount = rows;
  if (cells == 0) return true;
  pattern->cells = static_cast<Cell*>(Take(load, cells * sizeof(Cell)));
  return pattern->cells != nullptr || Refuse(OutOfMemory);
}

// One cell: either a lead byte with bit 7 and a mask of the fields that follow, or five plain
// bytes of which the first is the note.
Cell ReadCell(ModuleReader* reader) {
  uint8_t field[CellFields] = {};
  uint8_t lead = ReadByte(reader);
  if (lead & PackedCell) {
    for (int i = 0; i < CellFields; ++i) {
      if (lead & (1 << i)) field[i] = ReadByte(reader);
    }
  } else {
    field[0] = lead;
    for (int i = 1; i < CellFields; ++i) field[i] = ReadByte(reader);
  }
  Cell cell = {field[0], field[1], field[2], field[3], field[4]};
  if (cell.note == FileKeyOff) cell.note = KeyOffNote;
  if (cell.instrument > MaxCellInstrument) cell.instrument = 0;
  return cell;
}

// Cells that the pattern's data no longer holds stay empty; stopping at its end also keeps a
// pattern of 65,535 rows of many columns from spinning through billions of reads that yield
// nothing.
void DecodeCells(Load* load, Pattern* pattern, int64_t dataEnd) {
  ModuleReader* reader = load->reader;
  int kept = load->module->channelCount;
  for (uint32_t row = 0; row < pattern->rowCount; ++row) {
    for (int column = 0; column < load->fileChannelCount; ++column) {
      if (AtEnd(reader) || reader->position >= dataEnd) return;
      Cell cell = ReadCell(reader);
      if (column < kept) pattern->cells[row * uint32_t(kept) + uint32_t(column)] = cell;
    }
  }
}

// The header says how long it is and how many bytes of cells follow it: the cells start after
// the header, however long (a length below its 9 bytes of fields counts as 9), and the next
// pattern after the cells, wherever decoding stopped.
bool ReadPattern(Load* load, Pattern* pattern) {
  ModuleReader* reader = load->reader;
  int64_t start = reader->position;
  uint8_t header[PatternHeaderBytes] = {};
  ReadBytes(reader, header, PatternHeaderBytes);
  if (!GiveEmptyRows(load, pattern, U16(header + 5))) return false;
  uint32_t headerLength = U32(header);
  SeekPast(reader, start, headerLength < PatternHeaderBytes ? PatternHeaderBytes : headerLength);
  int64_t dataStart = reader->position;
  uint16_t packedSize = U16(header + 7);
  if (packedSize != 0) DecodeCells(load, pattern, dataStart + packedSize);
  SeekPast(reader, dataStart, packedSize);
  return true;
}

bool ReadPatterns(Load* load, uint16_t filePatternCount) {
  Module* module = load->module;
  module->referencedPatternCount = ReferencedPatternCount(module);
  int32_t count = filePatternCount;
  if (module->referencedPatternCount > count) count = module->referencedPatternCount;
  module->patterns = static_cast<Pattern*>(Take(load, uint64_t(count) * sizeof(Pattern)));
  if (!module->patterns) return Refuse(OutOfMemory);
  module->patternCount = count;
  for (int32_t index = 0; index < filePatternCount; ++index) {
    if (!ReadPattern(load, &module->patterns[index])) return false;
  }
  // Patterns that the order table names but the file lacks play as 64 empty rows.
  for (int32_t index = filePatternCount; index < count; ++index) {
    if (!GiveEmptyRows(load, &module->patterns[index], MissingPatternRows)) return false;
  }
  return true;
}

void ReadEnvelope(const uint8_t* bytes, EnvelopePoint* points) {
  for (int i = 0; i < EnvelopePoints; ++i, bytes += 4) {
    points[i].tick = U16(bytes);
    points[i].value = U16(bytes + 2);
  }
}

// The fields from the sample header size to the fade-out, present only with samples.
void ReadInstrumentFields(ModuleReader* reader, Instrument* instrument) {
  uint8_t fields[InstrumentFieldBytes] = {};
  ReadBytes(reader, fields, InstrumentFieldBytes);
  const uint8_t* at = fields + 4;  // the sample header size is not used: headers are 40 bytes
  memcpy(instrument->sampleMap, at, InstrumentNotes);
  at += InstrumentNotes;
  ReadEnvelope(at, instrument->volumeEnvelope);
  at += EnvelopePoints * 4;
  ReadEnvelope(at, instrument->panningEnvelope);
  at += EnvelopePoints * 4;
  memcpy(reinterpret_cast<uint8_t*>(instrument) + EnvelopeAndVibratoStart, at,
         EnvelopeAndVibratoByteCount);
  instrument->fadeout = uint16_t(U16(at + EnvelopeAndVibratoByteCount) << 1);
  // An envelope needs two points to have a segment at all.
  if (instrument->volumePointCount < 2) instrument->volumeEnvelopeFlags = 0;
  if (instrument->panningPointCount < 2) instrument->panningEnvelopeFlags = 0;
}

void DropLoop(Sample* sample) {
  sample->loopKind = NoLoop;
  sample->loopStart = 0;
  sample->loopLength = sample->length;
}

// The guard sample goes at loopStart + loopLength and the block has only 8 samples to spare,
// so a loop that reaches past the sample ends with the sample, and one that starts at or past
// its end is no loop at all.
void KeepLoopInside(Sample* sample) {
  if (sample->loopKind == NoLoop || sample->loopStart >= sample->length) {
    DropLoop(sample);
  } else if (sample->loopLength > sample->length - sample->loopStart) {
    sample->loopLength = sample->length - sample->loopStart;
  }
}

// Reads one 40-byte sample header; `dataBytes` gets the length of its data in the file.
void ReadSampleHeader(ModuleReader* reader, Sample* sample, uint32_t* dataBytes) {
  uint8_t header[SampleHeaderBytes] = {};
  ReadBytes(reader, header, SampleHeaderBytes);
  sample->length = U32(header);
  sample->loopStart = U32(header + 4);
  sample->loopLength = U32(header + 8);
  sample->volume = header[12];
  sample->finetune = int8_t(header[13]);
  uint8_t type = header[14];
  sample->panning = header[15];
  sample->relativeNote = int8_t(header[16]);
  *dataBytes = sample->length;

  sample->loopKind = NoLoop;
  sample->bits = 8;
  if (type & 1) sample->loopKind = ForwardLoop;
  if (type & 2) sample->loopKind = PingPongLoop;
  if (type & 0x10) sample->bits = 16;
  if (sample->loopKind == NoLoop) DropLoop(sample);
  if (sample->bits == 16) {
    sample->length >>= 1;
    sample->loopStart >>= 1;
    sample->loopLength >>= 1;
  }
  if (sample->loopLength == 0) DropLoop(sample);
  KeepLoopInside(sample);
}

// 8-bit deltas, read into the first `length` bytes of the block: summed in 8 bits, then
// widened from the top down so that no byte is overwritten before it has been used.
void Decode8BitDeltas(int16_t* data, uint32_t length) {
  uint8_t* bytes = reinterpret_cast<uint8_t*>(data);
  uint8_t sum = 0;
  for (uint32_t i = 0; i < length; ++i) bytes[i] = sum = uint8_t(sum + bytes[i]);
  for (uint32_t i = length; i-- > 0;) data[i] = int16_t(uint16_t(bytes[i] << 8));
}

// Little-endian 16-bit deltas, summed modulo 65,536 in place.
void Decode16BitDeltas(int16_t* data, uint32_t length) {
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(data);
  uint16_t sum = 0;
  for (uint32_t i = 0; i < length; ++i) {
    sum = uint16_t(sum + U16(bytes + 2 * i));
    data[i] = int16_t(sum);
  }
}

// The sample after the loop end repeats the one that playback reaches next, so that
// interpolation across the loop point needs no bounds check.
void PlaceGuardSample(Sample* sample) {
  uint32_t end = sample->loopStart + sample->loopLength;
  if (sample->loopKind == ForwardLoop) sample->data[end] = sample->data[sample->loopStart];
  if (sample->loopKind == PingPongLoop) sample->data[end] = sample->data[end - 1];
}

bool ReadSampleData(Load* load, Sample* sample, uint32_t dataBytes) {
  ModuleReader* reader = load->reader;
  int64_t dataStart = reader->position;
  uint32_t bytesPerSample = sample->bits / 8u;
  // A file cut off inside the data keeps what it holds; the rest of the sample is not there.
  uint32_t available = uint32_t(reader->size - reader->position) / bytesPerSample;
  if (sample->length > available) {
    ModuleLoadClamps |= SampleDataCut;
    sample->length = available;
    KeepLoopInside(sample);
  }
  if (sample->length > 0) {
    uint64_t blockBytes = (uint64_t(sample->length) + SampleGuardSamples) * sizeof(int16_t);
    sample->data = static_cast<int16_t*>(Take(load, blockBytes));
    if (!sample->data) return Refuse(OutOfMemory);
    ReadBytes(reader, sample->data, int32_t(sample->length * bytesPerSample));
    if (sample->bits == 8) {
      Decode8BitDeltas(sample->data, sample->length);
    } else {
      Decode16BitDeltas(sample->data, sample->length);
    }
    PlaceGuardSample(sample);
  }
  sample->bits = 16;
  // The next sample starts where the file says this one ends, also after a 16-bit sample of
  // an odd number of bytes, whose last byte belongs to no sample value.
  SeekPast(reader, dataStart, dataBytes);
  return true;
}

bool ReadInstrument(Load* load, Instrument* instrument) {
  ModuleReader* reader = load->reader;
  int64_t start = reader->position;
  uint8_t lead[InstrumentLeadBytes] = {};
  ReadBytes(reader, lead, InstrumentLeadBytes);
  uint32_t headerSize = U32(lead);
  uint16_t sampleCount = U16(lead + 27);
  if (sampleCount > MaxInstrumentSamples) return Refuse(TooManySamples);
  for (int slot = 0; slot < MaxInstrumentSamples; ++slot) instrument->samples[slot] = &EmptySample;
  if (sampleCount > 0) ReadInstrumentFields(reader, instrument);
  SeekPast(reader, start, headerSize);

  // sampleCount grows with every Sample taken, so that a failure leaves nothing unowned.
  uint32_t dataBytes[MaxInstrumentSamples];
  for (int slot = 0; slot < sampleCount; ++slot) {
    Sample* sample = static_cast<Sample*>(Take(load, sizeof(Sample)));
    if (!sample) return Refuse(OutOfMemory);
    instrument->samples[slot] = sample;
    instrument->sampleCount = slot + 1;
    ReadSampleHeader(reader, sample, &dataBytes[slot]);
  }
  for (int slot = 0; slot < sampleCount; ++slot) {
    if (!ReadSampleData(load, instrument->samples[slot], dataBytes[slot])) return false;
  }
  return true;
}

bool ReadInstruments(Load* load) {
  Module* module = load->module;
  if (module->instrumentCount == 0) return true;
  module->instruments = static_cast<Instrument*>(
      Take(load, uint64_t(module->instrumentCount) * sizeof(Instrument)));
  if (!module->instruments) return Refuse(OutOfMemory);
  for (int index = 0; index < module->instrumentCount; ++index) {
    if (!ReadInstrument(load, &module->instruments[index])) return false;
  }
  return true;
}

Module* LoadXmBytes(const uint8_t* xm, uint32_t byteCount) {
  if (byteCount == 0) {
    ModuleLoadFailure = EmptyImage;
    return nullptr;
  }
  // Reader positions are signed 32-bit.
  if (byteCount > uint32_t(INT32_MAX)) byteCount = uint32_t(INT32_MAX);
  Module* module = static_cast<Module*>(AllocateBlock(sizeof(Module)));
  if (!module) {
    ModuleLoadFailure = OutOfMemory;
    return nullptr;
  }
  ModuleReader reader = {xm, int32_t(byteCount), 0};
  if (!ParseModule(module, &reader)) {
    FreeModule(module);
    return nullptr;
  }
  return module;
}

void ReleaseInstruments(Module* module) {
  if (!module->instruments) return;
  for (int index = 0; index < module->instrumentCount; ++index) {
    Instrument* instrument = &module->instruments[index];
    for (int slot = 0; slot < instrument->sampleCount; ++slot) {
      Sample* sample = instrument->samples[slot];
      if (!sample || sample == &EmptySample) continue;
      ReleaseBlock(sample->data);
      ReleaseBlock(sample);
    }
  }
  ReleaseBlock(module->instruments);
}

void ReleasePatterns(Module* module) {
  if (!module->patterns) return;
  for (int32_t index = 0; index < module->patternCount; ++index) {
    ReleaseBlock(module->patterns[index].cells);
  }
  ReleaseBlock(module->patterns);
}

}  // namespace

int ParseModule(Module* module, ModuleReader* reader) {
  if (!module || !reader) return 0;
  ModuleLoadFailure = LoadSucceeded;
  ModuleLoadClamps = 0;
  Load load = {module, reader, ModuleMemoryLimit, 0};
  if (!ReadIdText(reader)) return Refuse(NotAnXmModule);
  module->tickRoutine = SequencerTick;
  module->initialGlobalVolume = 64;
  uint16_t filePatternCount = 0;
  if (!ReadSongHeader(&load, &filePatternCount)) return 0;
  if (!ReadPatterns(&load, filePatternCount)) return 0;
  if (!ReadInstruments(&load)) return 0;
  return 1;
}

// A trusted count is one that no bound cuts.
Module* LoadModule(const uint8_t* image) { return LoadModuleImage(image, SIZE_MAX); }

Module* LoadModuleImage(const uint8_t* image, size_t imageBytes) {
  if (!image || imageBytes < 4) {
    ModuleLoadFailure = EmptyImage;
    return nullptr;
  }
  uint32_t byteCount = U32(image);
  if (byteCount > imageBytes - 4) byteCount = uint32_t(imageBytes - 4);
  return LoadXmBytes(image + 4, byteCount);
}

bool FreeModule(Module* module) {
  if (!module) return false;
  // The feeder thread may be inside a block fill that reads this module: let it finish.
  while (FillBusy) {
  }
  StopPlayback(module);
  ReleaseInstruments(module);
  ReleasePatterns(module);
  ReleaseBlock(module);
  return true;
}
