#pragma once
// The median wall time of repeated runs.

#include <algorithm>
#include <chrono>
#include <vector>

namespace vexo::bench {

template <typename F>
double MedianSeconds(int runs, F&& run) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    run();
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace vexo::bench
