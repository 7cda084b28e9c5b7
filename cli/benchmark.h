// quernsum --benchmark: the speed of each algorithm over a buffer in memory, so that machines
// and builds can be compared without the file system in the way.
#pragma once

#include <cstdint>
#include <vector>

namespace cli {

// Measures each algorithm id for a fixed time and prints one line per algorithm on standard
// output: name, MB/s, cycles per byte and the code path in use. Returns the exit status.
int RunBenchmark(const std::vector<int32_t>& Algorithms);

}  // namespace cli
