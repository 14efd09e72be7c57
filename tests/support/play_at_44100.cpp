// The values that follow from the output rate are zero until an output is opened. The mixer and
// sequencer cases expect what the program plays at, 44,100 frames per second, from the start.
#include <gtest/gtest.h>

#include "music/output_config.h"

namespace {

class PlayAt44100 : public testing::Environment {
  void SetUp() override { SetOutputRate(DefaultOutputRate); }
};

testing::Environment* const Registered = testing::AddGlobalTestEnvironment(new PlayAt44100);

}  // namespace
