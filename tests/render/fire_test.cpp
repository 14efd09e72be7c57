#include "render/fire.h"

#include <gtest/gtest.h>
#include <string.h>

#include "tests/render/pixels.h"

namespace {

constexpr int SeedRow = 178;
constexpr int BottomRow = 179;

// The fire exactly as described, one cell at a time, on a field of its own with one zero cell
// after the end for the lower-right neighbour of the last seeded cell.
struct ReferenceFire {
  std::vector<uint8_t> field = std::vector<uint8_t>(FireCells + 1, 0);
  uint16_t seed = 0;
};

uint8_t ReferenceDraw(uint16_t& state) {
  state = static_cast<uint16_t>(state + 0x9248);
  state = static_cast<uint16_t>(state >> 3 | state << 13);
  return (state & 0x1000) ? 0 : 255;
}

void ReferenceAdvance(ReferenceFire& fire) {
  uint8_t* f = fire.field.data();
  for (int x = 415; x >= 0; --x) f[SeedRow * 416 + x] = ReferenceDraw(fire.seed);
  for (int y = 1; y <= 178; ++y) {
    for (int x = 1; x <= 415; ++x) {
      int i = y * 416 + x;
      unsigned s = f[i - 417] + f[i - 416] + f[i - 415] + f[i - 1] + f[i + 1] + f[i + 415] +
                   f[i + 416] + f[i + 417];
      unsigned a = s >> 3;
      if (a > 0) f[i - 416] = static_cast<uint8_t>(a - 1);
    }
  }
}

Pixel ReferencePaletteEntry(int i) {
  int red = 0, green = 0;
  if (i == 0) {
  } else if (i <= 34) {
    red = i + 25;
  } else if (i <= 54) {
    red = i + 25, green = i - 25;
  } else if (i <= 94) {
    red = i + 70, green = i;
  } else if (i <= 199) {
    red = (i + 70) % 256, green = i + 30;
  } else {
    red = i, green = i - 10;
  }
  return MakePixel(red, green, 0);
}

// Cell (x, y) where the two fields first differ, or "" when they agree.
std::string FirstFieldDifference(const ReferenceFire& reference) {
  for (int i = 0; i < FireCells; ++i)
    if (FireField[i] != reference.field[i])
      return "cell (" + std::to_string(i % 416) + ", " + std::to_string(i / 416) + "): got " +
             std::to_string(FireField[i]) + ", want " + std::to_string(reference.field[i]);
  return "";
}

void LoadFire(const ReferenceFire& reference) {
  memcpy(FireField, reference.field.data(), FireCells);
  SeedState = reference.seed;
}

class Fire : public ::testing::Test {
 protected:
  void SetUp() override { ResetFire(); }
};

TEST_F(Fire, PaletteRunsFromBlackThroughRedAndOrangeToYellowWithItsGreenGap) {
  BuildFirePalette();
  struct Entry { int heat; unsigned red, green; };
  const Entry entries[] = {
      {0, 0, 0},      {1, 26, 0},     {34, 59, 0},     {35, 60, 10},   {54, 79, 29},
      {55, 125, 55},  {94, 164, 94},  {95, 165, 125},  {185, 255, 215}, {186, 0, 216},
      {199, 13, 229}, {200, 200, 190}, {255, 255, 245},
  };
  for (const Entry& e : entries)
    EXPECT_EQ(FirePalette[e.heat], MakePixel(e.red, e.green, 0)) << "heat " << e.heat;
  for (int i = 0; i < 256; ++i)
    EXPECT_EQ(FirePalette[i], ReferencePaletteEntry(i)) << "heat " << i;
}

TEST_F(Fire, SeedGeneratorGivesItsKnownFirstStatesAndValues) {
  const uint16_t states[] = {0x1249, 0x3492, 0x58DB, 0x7D64, 0x81F5, 0xA287, 0xE699, 0x2F1C};
  const uint8_t values[] = {0, 0, 0, 0, 255, 255, 255, 255};
  for (int n = 0; n < 8; ++n) {
    EXPECT_EQ(DrawSeed(), values[n]) << "draw " << n;
    EXPECT_EQ(SeedState, states[n]) << "draw " << n;
  }
}

TEST_F(Fire, FirstStepSeedsRowFromTheRight) {
  AdvanceFire();
  const uint8_t* seedRow = FireField + SeedRow * FrameWidth;
  for (int x = 415; x >= 412; --x) EXPECT_EQ(seedRow[x], 0) << "column " << x;
  for (int x = 411; x >= 408; --x) EXPECT_EQ(seedRow[x], 255) << "column " << x;
}

TEST_F(Fire, FiveHundredStepsFromTheStartMatchTheCellByCellFire) {
  ReferenceFire reference;
  for (int step = 1; step <= 500; ++step) {
    AdvanceFire();
    ReferenceAdvance(reference);
    ASSERT_EQ(FirstFieldDifference(reference), "") << "step " << step;
    ASSERT_EQ(SeedState, reference.seed) << "step " << step;
  }
}

TEST_F(Fire, StepsFromRandomFieldsMatchTheCellByCellFire) {
  // Every cell random, the never-written ones included, so that the row-end wrap and the
  // read past the end are exercised with heat in them.
  std::mt19937 random(7);
  for (int trial = 0; trial < 20; ++trial) {
    ReferenceFire reference;
    for (int i = 0; i < FireCells; ++i) {
      // Odd trials: sparse faint heat, so that many sums stay below 8 and cells keep values
      // up to 7.
      bool faint = trial % 2;
      reference.field[i] = static_cast<uint8_t>(
          faint ? (random() % 4 == 0 ? random() % 8 : 0) : random());
    }
    reference.seed = static_cast<uint16_t>(random());
    LoadFire(reference);
    for (int step = 1; step <= 3; ++step) {
      AdvanceFire();
      ReferenceAdvance(reference);
      ASSERT_EQ(FirstFieldDifference(reference), "") << "trial " << trial << " step " << step;
    }
  }
}

// The pass leaves cold stretches of the field alone; a single hot cell on any row, at either
// end of a group of rows or in the last rows that no group covers, must still be seen.
TEST_F(Fire, ALoneHotCellOnAnyRowMatchesTheCellByCellFire) {
  for (int y = 0; y < FrameHeight; ++y) {
    ReferenceFire reference;
    reference.field[y * FrameWidth + 1 + (y * 37) % (FrameWidth - 2)] = 200;
    LoadFire(reference);
    AdvanceFire();
    ReferenceAdvance(reference);
    ASSERT_EQ(FirstFieldDifference(reference), "") << "hot row " << y;
  }
}

TEST_F(Fire, CellsOutsideThePassNeverChangeAndHeatStaysInRange) {
  for (int step = 0; step < 300; ++step) AdvanceFire();
  for (int y = 0; y < SeedRow; ++y) EXPECT_EQ(FireField[y * FrameWidth], 0) << "row " << y;
  for (int x = 0; x < FrameWidth; ++x)
    EXPECT_EQ(FireField[BottomRow * FrameWidth + x], 0) << "column " << x;
  for (int i = 0; i < FireFieldPad; ++i) EXPECT_EQ(FireField[FireCells + i], 0) << "pad " << i;
  for (int x = 0; x < FrameWidth; ++x) {
    uint8_t seed = FireField[SeedRow * FrameWidth + x];
    EXPECT_TRUE(seed == 0 || seed == 255) << "seed column " << x << " holds " << int(seed);
  }
  int hotCells = 0;
  for (int i = 0; i < SeedRow * FrameWidth; ++i) {
    ASSERT_LE(FireField[i], 254) << "cell " << i;
    hotCells += FireField[i] > 0;
  }
  EXPECT_GT(hotCells, 1000) << "the fire should have risen from the seed line";
}

TEST_F(Fire, CellAboveCoolsByOneOrKeepsFaintHeat) {
  // One hot cell at (200, 50) in a cold field. The pass rewrites it from the eight cells around
  // (200, 51): its own heat plus its upper-left neighbour (199, 50), which already holds this
  // step's value, heat / 8 - 1 (or 0 kept). Below a sum of 8 the cell keeps its faint heat.
  struct Case { uint8_t heat; uint8_t after; };
  const Case cases[] = {{5, 5}, {7, 7}, {8, 0}, {16, 1}, {200, 27}};
  for (const Case& c : cases) {
    ResetFire();
    FireField[50 * FrameWidth + 200] = c.heat;
    AdvanceFire();
    EXPECT_EQ(FireField[50 * FrameWidth + 200], c.after) << "heat " << int(c.heat);
  }
}

TEST_F(Fire, ComposeAddsThePaletteColourToThePictureWithSaturation) {
  BuildFirePalette();
  std::mt19937 random(11);
  std::vector<Pixel> background = RandomPixels(FramePixels, random);
  // Runs of sixteen cells in turn cold, hot, and cold but for one cell.
  for (int i = 0; i < FireCells; ++i) {
    int run = i / 16;
    bool hot = run % 3 == 1 || (run % 3 == 2 && i % 16 == run % 16);
    FireField[i] = hot ? static_cast<uint8_t>(random() | 1) : 0;
  }
  std::vector<Pixel> want(FramePixels);
  for (int j = 0; j < FramePixels; ++j) {
    Pixel sum = 0;
    for (int b = 0; b < 4; ++b) {
      unsigned byte = ByteOf(background[j], b) + ByteOf(FirePalette[FireField[j]], b);
      sum |= (byte < 255 ? byte : 255) << (8 * b);
    }
    want[j] = sum;
  }
  std::vector<Pixel> frame(FramePixels, 0xDEADBEEF);
  ComposeFire(frame.data(), background.data());
  long at = FirstDifference(frame, want);
  EXPECT_EQ(at, -1) << "pixel " << at << " heat " << int(FireField[at]);

  // In place, as a frame composed over itself.
  ComposeFire(background.data(), background.data());
  EXPECT_EQ(FirstDifference(background, want), -1);
}

TEST(FireCadence, FireAdvancesOnPositionsWithOddLowByteParity) {
  const bool due[] = {false, true, true, false, true, false, false, true, true};
  for (uint32_t pos = 0; pos < 9; ++pos) EXPECT_EQ(FireStepDue(pos), due[pos]) << pos;
  int steps = 0;
  for (uint32_t pos = 0; pos < StripWidth; ++pos) steps += FireStepDue(pos);
  EXPECT_EQ(steps, 790);
  EXPECT_EQ(FireStepDue(0x100), false) << "only the low byte counts";
  EXPECT_EQ(FireStepDue(0x101), true);
}

}  // namespace
