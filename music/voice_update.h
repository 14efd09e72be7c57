// Carries a channel's state into its mixer voice once per tick: a new start of the sample,
// the final volume split into the two output gains, the panning, and the frequency with the
// per-frame step. A note cut by a new one keeps sounding on the channel's other voice, which
// ramps down to silence while the new note starts on a voice of its own.
#pragma once

struct Channel;
struct Module;
struct Sample;

// Applies the channel's updateFlags to its voice: TriggerNote, then UpdateVolume,
// UpdatePanning, UpdateFrequency and StopVoice, in that order. A period sum of 0 leaves the
// frequency as it was; frequencies below 100 Hz step at 100 Hz; frequencies beyond 32 bits
// saturate. A null sample counts as EmptySample.
void UpdateVoice(Channel* channel, Sample* sample, const Module* module);

// Recomputes the volume of every played channel's voice, as after a change of the global
// volume.
void UpdateVoiceVolumes(const Module* module);
