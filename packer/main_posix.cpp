// zav-pack's entry point on Linux: the arguments as the system gives them (UTF-8 here), the
// report on standard output and standard error.
#include <cstdio>

#include "packer/packer.h"

int main(int argc, char** argv) {
  RunReport report;
  int status = RunZavPack(std::vector<std::string>(argv + 1, argv + argc), &report);
  for (const std::string& line : report.out) std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  for (const std::string& line : report.err) std::fprintf(stderr, "%s\n", line.c_str());
  return status;
}
