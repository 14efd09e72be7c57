#include "render/fire.h"

#include <emmintrin.h>
#include <string.h>

Pixel FirePalette[256];
uint8_t FireField[FireCells + FireFieldPad];
uint16_t SeedState;

namespace {

constexpr int SeedRow = FrameHeight - 2;

// The palette in bands of heat values: red = i + redAdd and green = i + greenAdd (or none).
// Red wraps modulo 256 in the fourth band, so heats 186 to 199 come out nearly pure green
// between the orange of 185 and the yellow of 200; that is the look the fire has always had.
struct PaletteBand {
  int16_t last;
  int16_t redAdd;
  int16_t greenAdd;
  bool hasGreen;
};

constexpr PaletteBand PaletteBands[] = {
    {0, 0, 0, false},   {34, 25, 0, false},  {54, 25, -25, true},
    {94, 70, 0, true},  {199, 70, 30, true}, {255, 0, -10, true},
};

Pixel PaletteColour(int heat, const PaletteBand& band) {
  Pixel red = static_cast<Pixel>(heat + band.redAdd) & 0xFF;
  Pixel green = band.hasGreen ? static_cast<Pixel>(heat + band.greenAdd) & 0xFF : 0;
  return red << 16 | green << 8;
}

void FillSeedRow() {
  uint8_t* row = FireField + SeedRow * FrameWidth;
  for (int x = FrameWidth - 1; x >= 0; --x) row[x] = DrawSeed();
}

// The rise-and-cool pass writes cell i - 416 from the eight neighbours of cell i. Working in
// place, the upper-left neighbour already holds this step's result; the other seven still hold
// the previous step's values, and no other row's results reach this row. So each output row is
// a chain along x,
//     new[x] = average ? average - 1 : old[x],  average = (new[x - 1] + rest[x]) >> 3,
// where rest[x] sums the seven old neighbours, and separate rows are independent. Eight rows
// run side by side, one per 16-bit lane: their inputs are formed row by row, turned into
// columns in 8 x 8 tiles, stepped along x, and turned back into rows.
constexpr int LaneRows = 8;
constexpr int TileColumns = 8;

// Input of one chain step in 16 bits: rest (at most 7 x 255) in the low 11 bits and
// min(old, 7) + 1 above them. The old value is only kept when the eight neighbours, itself
// among them, add up to less than 8, so only its low values ever matter.
constexpr int RestBits = 11;

// The packed inputs of eight rows: 6.5 KB, zero-filled memory rather than stack, where a frame
// of more than a page would need the compiler's stack probe.
alignas(16) uint16_t PackedRows[LaneRows][FrameWidth];

void PackChainInputs(int y, uint16_t* packed) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i seven = _mm_set1_epi8(7), one = _mm_set1_epi8(1);
  const uint8_t* centre = FireField + y * FrameWidth;
  static const int RestOffsets[] = {-FrameWidth + 1, -1, 1, FrameWidth - 1, FrameWidth,
                                    FrameWidth + 1};
  // Columns 1 to 416; column 416 only fills the last tile, and its result is thrown away.
  for (int x = 1; x <= FrameWidth; x += 16) {
    __m128i above = _mm_loadu_si128(reinterpret_cast<const __m128i*>(centre + x - FrameWidth));
    __m128i low = _mm_unpacklo_epi8(above, zero), high = _mm_unpackhi_epi8(above, zero);
    for (int offset : RestOffsets) {
      __m128i cells = _mm_loadu_si128(reinterpret_cast<const __m128i*>(centre + x + offset));
      low = _mm_add_epi16(low, _mm_unpacklo_epi8(cells, zero));
      high = _mm_add_epi16(high, _mm_unpackhi_epi8(cells, zero));
    }
    __m128i kept = _mm_add_epi8(_mm_min_epu8(above, seven), one);
    low = _mm_add_epi16(low, _mm_slli_epi16(_mm_unpacklo_epi8(kept, zero), RestBits));
    high = _mm_add_epi16(high, _mm_slli_epi16(_mm_unpackhi_epi8(kept, zero), RestBits));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(packed + x - 1), low);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(packed + x + 7), high);
  }
}

// The tile's helpers are inlined so that its eight vectors stay in registers.
#define TILE_INLINE inline __attribute__((always_inline))
#define TILE_UNROLL _Pragma("GCC unroll 8")

// 8 x 8 tile of 16-bit values: rows become columns.
TILE_INLINE void Transpose(__m128i v[8]) {
  __m128i a0 = _mm_unpacklo_epi16(v[0], v[1]), a1 = _mm_unpackhi_epi16(v[0], v[1]);
  __m128i a2 = _mm_unpacklo_epi16(v[2], v[3]), a3 = _mm_unpackhi_epi16(v[2], v[3]);
  __m128i a4 = _mm_unpacklo_epi16(v[4], v[5]), a5 = _mm_unpackhi_epi16(v[4], v[5]);
  __m128i a6 = _mm_unpacklo_epi16(v[6], v[7]), a7 = _mm_unpackhi_epi16(v[6], v[7]);
  __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
  __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
  __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
  __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
  v[0] = _mm_unpacklo_epi64(b0, b4), v[1] = _mm_unpackhi_epi64(b0, b4);
  v[2] = _mm_unpacklo_epi64(b1, b5), v[3] = _mm_unpackhi_epi64(b1, b5);
  v[4] = _mm_unpacklo_epi64(b2, b6), v[5] = _mm_unpackhi_epi64(b2, b6);
  v[6] = _mm_unpacklo_epi64(b3, b7), v[7] = _mm_unpackhi_epi64(b3, b7);
}

// Steps eight chains across one tile. The chains carry new + 1, so that "average, or the kept
// value where the average is 0" is a plain OR: average - 1 + 1 on one side, old + 1 on the other.
TILE_INLINE __m128i StepTile(__m128i carried, __m128i column[8]) {
  const __m128i restMask = _mm_set1_epi16((1 << RestBits) - 1);
  const __m128i one = _mm_set1_epi16(1), eight = _mm_set1_epi16(8);
  TILE_UNROLL for (int c = 0; c < TileColumns; ++c) {
    __m128i restLessOne = _mm_sub_epi16(_mm_and_si128(column[c], restMask), one);
    __m128i keptPlusOne = _mm_srli_epi16(column[c], RestBits);
    __m128i sum = _mm_add_epi16(carried, restLessOne);
    __m128i cold = _mm_cmpgt_epi16(eight, sum);
    carried = _mm_or_si128(_mm_srli_epi16(sum, 3), _mm_and_si128(cold, keptPlusOne));
    column[c] = carried;
  }
  return carried;
}

// Back from the tile's columns (new + 1 per row) to 8 bytes of each output row.
TILE_INLINE void StoreTile(__m128i column[8], uint8_t* const out[LaneRows], int x) {
  Transpose(column);
  const __m128i one = _mm_set1_epi8(1);
  TILE_UNROLL for (int r = 0; r < LaneRows; r += 2) {
    __m128i bytes = _mm_sub_epi8(_mm_packus_epi16(column[r], column[r + 1]), one);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out[r] + x), bytes);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out[r + 1] + x), _mm_unpackhi_epi64(bytes, bytes));
  }
}

// Whether `rowCount` rows from `firstRow` on hold no heat at all. A cell whose neighbours and
// itself are all 0 keeps its 0, so a pass over cold rows changes nothing; and the flames reach
// only about 60 rows above the seed line, so most of the field is cold and skipped.
bool RowsAreCold(int firstRow, int rowCount) {
  const __m128i zero = _mm_setzero_si128();
  const uint8_t* cells = FireField + firstRow * FrameWidth;
  const uint8_t* end = cells + rowCount * FrameWidth;
  for (; cells < end; cells += 16) {
    __m128i heat = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cells));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(heat, zero)) != 0xFFFF) return false;
  }
  return true;
}

// Rows firstY to firstY + 7 write rows firstY - 1 to firstY + 6.
void RiseEightRows(int firstY) {
  uint8_t* out[LaneRows];
  uint16_t start[LaneRows];
  uint8_t nextRowStart[LaneRows];
  for (int r = 0; r < LaneRows; ++r) {
    PackChainInputs(firstY + r, PackedRows[r]);
    out[r] = FireField + (firstY + r - 1) * FrameWidth;
    start[r] = static_cast<uint16_t>(out[r][0] + 1);
    nextRowStart[r] = out[r][FrameWidth];
  }
  __m128i carried = _mm_loadu_si128(reinterpret_cast<const __m128i*>(start));
  for (int x = 1; x < FrameWidth; x += TileColumns) {
    __m128i tile[8];
    TILE_UNROLL for (int r = 0; r < LaneRows; ++r)
      tile[r] = _mm_load_si128(reinterpret_cast<const __m128i*>(PackedRows[r] + x - 1));
    Transpose(tile);
    carried = StepTile(carried, tile);
    StoreTile(tile, out, x);
  }
  // The last tile's eighth column was column 0 of the next row, which the pass never writes.
  for (int r = 0; r < LaneRows; ++r) out[r][FrameWidth] = nextRowStart[r];
}

// The same chain for a single row, for the rows that do not fill a group of eight.
void RiseOneRow(int y) {
  uint8_t* out = FireField + (y - 1) * FrameWidth;
  const uint8_t* centre = FireField + y * FrameWidth;
  unsigned carried = out[0];
  for (int x = 1; x < FrameWidth; ++x) {
    unsigned sum = carried + centre[x - FrameWidth] + centre[x - FrameWidth + 1] + centre[x - 1] +
                   centre[x + 1] + centre[x + FrameWidth - 1] + centre[x + FrameWidth] +
                   centre[x + FrameWidth + 1];
    unsigned average = sum >> 3;
    if (average) out[x] = static_cast<uint8_t>(average - 1);
    carried = out[x];
  }
}

// A group of rows reads the row above it and the row below it as well. The last rows, which
// no group covers, lie next to the seed line and always burn.
void RiseAndCool() {
  int y = 1;
  for (; y + LaneRows <= SeedRow + 1; y += LaneRows) {
    if (!RowsAreCold(y - 1, LaneRows + 2)) RiseEightRows(y);
  }
  for (; y <= SeedRow; ++y) RiseOneRow(y);
}

}  // namespace

void BuildFirePalette() {
  int heat = 0;
  for (const PaletteBand& band : PaletteBands)
    for (; heat <= band.last; ++heat) FirePalette[heat] = PaletteColour(heat, band);
}

uint8_t DrawSeed() {
  uint16_t sum = static_cast<uint16_t>(SeedState + 0x9248);
  SeedState = static_cast<uint16_t>(sum >> 3 | sum << 13);
  return (SeedState & 0x1000) ? 0 : 255;
}

void AdvanceFire() {
  FillSeedRow();
  RiseAndCool();
}

// Heat 0 has colour 0, so where four cells in a row are cold the picture is copied as it is:
// most of the field, above the flames.
void ComposeFire(Pixel* frame, const Pixel* background) {
  for (int j = 0; j < FireCells; j += 4) {
    __m128i picture = _mm_loadu_si128(reinterpret_cast<const __m128i*>(background + j));
    uint32_t cells;
    memcpy(&cells, FireField + j, sizeof cells);
    if (cells) {
      __m128i heat = _mm_set_epi32(static_cast<int>(FirePalette[FireField[j + 3]]),
                                   static_cast<int>(FirePalette[FireField[j + 2]]),
                                   static_cast<int>(FirePalette[FireField[j + 1]]),
                                   static_cast<int>(FirePalette[FireField[j]]));
      picture = _mm_adds_epu8(picture, heat);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(frame + j), picture);
  }
}

bool FireStepDue(uint32_t scrollPos) {
  return __builtin_parity(scrollPos & 0xFF) != 0;
}

void ResetFire() {
  memset(FireField, 0, sizeof FireField);
  SeedState = 0;
}
