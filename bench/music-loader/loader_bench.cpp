// Load-and-free times of the XM loader: the real songs of the shared test data, and the
// costliest modules a file can describe. `zav-render --info` must answer for any file in
// under 50 ms; info_timing.sh measures the tool itself on these files.
//
// bench-music-loader [--write-hostile=DIR] [benchmark flags]
//   --write-hostile=DIR  write the hostile modules to DIR (for info_timing.sh) and stop.
#include <benchmark/benchmark.h>
#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/music-loader/hostile_modules.h"
#include "music/module_loader.h"

namespace {

std::vector<uint8_t> ImageOf(const std::vector<uint8_t>& xm) {
  uint32_t count = uint32_t(xm.size());
  std::vector<uint8_t> image(4 + xm.size());
  for (int i = 0; i < 4; ++i) image[i] = uint8_t(count >> (8 * i));
  std::copy(xm.begin(), xm.end(), image.begin() + 4);
  return image;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (FILE* file = fopen(path.c_str(), "rb")) {
    uint8_t buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
    fclose(file);
  }
  return bytes;
}

void LoadAndFree(benchmark::State& state, std::vector<uint8_t> image) {
  for (auto _ : state) {
    Module* module = LoadModule(image.data());
    benchmark::DoNotOptimize(module);
    FreeModule(module);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(image.size()));
}

void RegisterRealSongs() {
  std::string folder = std::string(ZAV_TESTDATA_DIR) + "/xm";
  DIR* dir = opendir(folder.c_str());
  if (!dir) {
    fprintf(stderr, "bench-music-loader: %s is absent; real songs skipped\n", folder.c_str());
    return;
  }
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name.size() < 4 || name.compare(name.size() - 3, 3, ".xm") != 0) continue;
    benchmark::RegisterBenchmark(("Load/real/" + name).c_str(), LoadAndFree,
                                 ImageOf(ReadFile(folder + "/" + name)))
        ->Unit(benchmark::kMillisecond);
  }
  closedir(dir);
}

int WriteHostile(const char* folder) {
  for (const auto& [name, bytes] : loaderbench::HostileModules()) {
    std::string error;
    if (!xmw::WriteFileAtomically(std::string(folder) + "/" + name, bytes, &error)) {
      fprintf(stderr, "bench-music-loader: %s\n", error.c_str());
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char flag[] = "--write-hostile=";
  if (argc == 2 && strncmp(argv[1], flag, sizeof flag - 1) == 0) return WriteHostile(argv[1] + sizeof flag - 1);
  RegisterRealSongs();
  for (const auto& [name, bytes] : loaderbench::HostileModules()) {
    benchmark::RegisterBenchmark(("Load/hostile/" + name).c_str(), LoadAndFree, ImageOf(bytes))
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
