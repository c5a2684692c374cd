// Empties one directory with the tool's own clearing walk, for the clearing
// benchmark (scripts/bench-clear), says what stayed, and prints the peak
// working set of the process.
#include <windows.h>
#include <psapi.h>

#include <cstdio>

#include "toolkit/DirectoryClear.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: clear_bench DIRECTORY\n");
    return 2;
  }
  const ClearOutcome outcome = ClearDirectoryTree(argv[1]);
  if (outcome.refused) {
    std::fprintf(stderr, "refused: %s\n", argv[1]);
    return 1;
  }
  PROCESS_MEMORY_COUNTERS memory{};
  if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory))
    std::printf("peak working set %zu KiB\n", static_cast<size_t>(memory.PeakWorkingSetSize / 1024));
  if (outcome.remaining != 0) {
    std::fprintf(stderr, "%d entries stayed in %s\n", outcome.remaining, argv[1]);
    return 1;
  }
  return 0;
}
