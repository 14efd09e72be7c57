#include "packer/checks/picture_fit.h"

#include <algorithm>

namespace {

// Filter weights are fixed point: each output pixel's weights add up to exactly this.
const int WeightOne = 1 << 14;
// The horizontal pass keeps 8 fractional bits of each sample for the vertical one.
const int RowShift = 6;
const int ColumnShift = 22;

int64_t FloorDivide(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// n * scaled / whole, rounded to the nearest, at least 1.
int ScaledLength(int64_t n, int64_t scaled, int64_t whole) {
  return int(std::max<int64_t>(1, (2 * n * scaled + whole) / (2 * whole)));
}

// The source pixels and weights that make each output pixel of one axis.
struct AxisTaps {
  std::vector<int> first, count;  // per output pixel; count 0 outside the scaled picture
  std::vector<size_t> at;         // where its weights start in `weights`
  std::vector<int> weights;
};

// Output pixel i lies at scaled position u = i + cut, whose centre maps to source position
// ((2u + 1) n - m) / 2m for a source of n pixels scaled to m. Distances are counted in units of
// 1/2m source pixel, so every one is an integer. The tent reaches one source pixel when the
// picture grows, and one output pixel's worth of source pixels when it shrinks.
AxisTaps PlanAxis(int sourceLength, int scaledLength, int cut, int outputLength) {
  AxisTaps taps;
  const int64_t n = sourceLength, m = scaledLength, unit = 2 * m;
  const int64_t reach = 2 * std::max(n, m);
  std::vector<int64_t> raw(static_cast<size_t>(n));
  for (int i = 0; i < outputLength; ++i) {
    int64_t u = int64_t(i) + cut;
    taps.at.push_back(taps.weights.size());
    if (u < 0 || u >= m) {
      taps.first.push_back(0);
      taps.count.push_back(0);
      continue;
    }
    int64_t centre = (2 * u + 1) * n - m;
    int64_t low = FloorDivide(centre - reach, unit) + 1, high = FloorDivide(centre + reach - 1, unit);
    int64_t first = std::clamp<int64_t>(low, 0, n - 1), last = std::clamp<int64_t>(high, 0, n - 1);
    int64_t total = 0;
    std::fill(raw.begin() + first, raw.begin() + last + 1, 0);
    for (int64_t j = low; j <= high; ++j) {
      int64_t distance = unit * j - centre;
      int64_t weight = reach - (distance < 0 ? -distance : distance);
      if (weight <= 0) continue;
      raw[size_t(std::clamp<int64_t>(j, 0, n - 1))] += weight;  // the edge pixels stand in for what lies beyond
      total += weight;
    }
    int sum = 0;
    size_t heaviest = taps.weights.size();
    for (int64_t j = first; j <= last; ++j) {
      taps.weights.push_back(int((raw[size_t(j)] * WeightOne + total / 2) / total));
      if (taps.weights.back() > taps.weights[heaviest]) heaviest = taps.weights.size() - 1;
      sum += taps.weights.back();
    }
    taps.weights[heaviest] += WeightOne - sum;  // the rounding's rest, so that flat stays flat
    taps.first.push_back(int(first));
    taps.count.push_back(int(last - first + 1));
  }
  return taps;
}

// Colours weighted by their alpha, so that transparent pixels lend no colour to their neighbours.
void Premultiply(std::vector<uint8_t>* rgba) {
  for (size_t i = 0; i < rgba->size(); i += 4) {
    int alpha = (*rgba)[i + 3];
    for (size_t c = 0; c < 3; ++c) (*rgba)[i + c] = uint8_t(((*rgba)[i + c] * alpha + 127) / 255);
  }
}

}  // namespace

FitPlan PlanFit(int width, int height, int placeWidth, int placeHeight, PictureFit fit) {
  FitPlan plan = {placeWidth, placeHeight, 0, 0};
  if (fit == PictureFit::Stretch) return plan;
  // The picture is relatively wider than its place when width / height > placeWidth / placeHeight.
  bool wider = int64_t(width) * placeHeight > int64_t(placeWidth) * height;
  if (wider == (fit == PictureFit::Cover)) {
    plan.scaledWidth = ScaledLength(width, placeHeight, height);  // the heights agree
  } else {
    plan.scaledHeight = ScaledLength(height, placeWidth, width);  // the widths agree
  }
  plan.cutLeft = FloorDivide(plan.scaledWidth - placeWidth, 2);
  plan.cutTop = FloorDivide(plan.scaledHeight - placeHeight, 2);
  return plan;
}

namespace {

std::string Count(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// "66 rows cut top and bottom", "33 rows cut at the top and 34 at the bottom", and the same
// for black borders.
std::string Edges(int before, int after, const std::string& what, const char* first, const char* second,
                  const char* one, const char* many) {
  if (before == after) return Count(before, one, many) + " " + what + " " + first + " and " + second;
  return Count(before, one, many) + " " + what + " at the " + first + " and " + std::to_string(after) + " at the " + second;
}

}  // namespace

std::string DescribeFit(const FitPlan& plan, int placeWidth, int placeHeight, PictureFit fit) {
  std::string size = std::to_string(plan.scaledWidth) + " x " + std::to_string(plan.scaledHeight);
  if (fit == PictureFit::Stretch) return "stretched to " + size;
  std::string text = "scaled to " + size;
  int extraWidth = plan.scaledWidth - placeWidth, extraHeight = plan.scaledHeight - placeHeight;
  if (extraWidth > 0) text += " and " + Edges(plan.cutLeft, extraWidth - plan.cutLeft, "cut", "left", "right", "column", "columns");
  if (extraHeight > 0) text += " and " + Edges(plan.cutTop, extraHeight - plan.cutTop, "cut", "top", "bottom", "row", "rows");
  if (extraWidth < 0)
    text += " with " + Edges(-plan.cutLeft, -extraWidth + plan.cutLeft, "of black", "left", "right", "column", "columns");
  if (extraHeight < 0)
    text += " with " + Edges(-plan.cutTop, -extraHeight + plan.cutTop, "of black", "top", "bottom", "row", "rows");
  return text;
}

std::vector<uint8_t> FitPixels(const std::vector<uint8_t>& rgba, int width, int height, const FitPlan& plan,
                               int placeWidth, int placeHeight, const uint8_t* backdrop) {
  std::vector<uint8_t> source = rgba;
  Premultiply(&source);
  AxisTaps columns = PlanAxis(width, plan.scaledWidth, plan.cutLeft, placeWidth);
  AxisTaps rows = PlanAxis(height, plan.scaledHeight, plan.cutTop, placeHeight);
  // Only the source rows that some output row reads are resampled across.
  int firstRow = height, lastRow = -1;
  for (int y = 0; y < placeHeight; ++y) {
    if (!rows.count[size_t(y)]) continue;
    firstRow = std::min(firstRow, rows.first[size_t(y)]);
    lastRow = std::max(lastRow, rows.first[size_t(y)] + rows.count[size_t(y)] - 1);
  }
  std::vector<uint16_t> across(size_t(std::max(0, lastRow - firstRow + 1)) * size_t(placeWidth) * 4);
  for (int row = firstRow; row <= lastRow; ++row) {
    const uint8_t* line = source.data() + size_t(row) * size_t(width) * 4;
    uint16_t* out = across.data() + size_t(row - firstRow) * size_t(placeWidth) * 4;
    for (int x = 0; x < placeWidth; ++x) {
      const int* weight = columns.weights.data() + columns.at[size_t(x)];
      const uint8_t* pixel = line + size_t(columns.first[size_t(x)]) * 4;
      uint32_t sums[4] = {};
      for (int k = 0; k < columns.count[size_t(x)]; ++k, pixel += 4) {
        for (int c = 0; c < 4; ++c) sums[c] += uint32_t(pixel[c]) * uint32_t(weight[k]);
      }
      for (int c = 0; c < 4; ++c) out[x * 4 + c] = uint16_t((sums[c] + (1u << (RowShift - 1))) >> RowShift);
    }
  }
  std::vector<uint8_t> place(size_t(placeWidth) * size_t(placeHeight) * 3);
  for (int y = 0; y < placeHeight; ++y) {
    for (int x = 0; x < placeWidth; ++x) {
      size_t at = (size_t(y) * size_t(placeWidth) + size_t(x)) * 3;
      if (!rows.count[size_t(y)] || !columns.count[size_t(x)]) continue;  // a black border
      uint32_t sums[4] = {};
      const int* weight = rows.weights.data() + rows.at[size_t(y)];
      for (int k = 0; k < rows.count[size_t(y)]; ++k) {
        const uint16_t* sample = across.data() + (size_t(rows.first[size_t(y)] + k - firstRow) * size_t(placeWidth) + size_t(x)) * 4;
        for (int c = 0; c < 4; ++c) sums[c] += uint32_t(sample[c]) * uint32_t(weight[k]);
      }
      uint32_t alpha = std::min<uint32_t>(255, (sums[3] + (1u << (ColumnShift - 1))) >> ColumnShift);
      for (int c = 0; c < 3; ++c) {
        uint32_t colour = (sums[c] + (1u << (ColumnShift - 1))) >> ColumnShift;
        uint32_t behind = backdrop ? (backdrop[at + size_t(c)] * (255 - alpha) + 127) / 255 : 0;
        place[at + size_t(c)] = uint8_t(std::min<uint32_t>(255, colour + behind));
      }
    }
  }
  return place;
}
