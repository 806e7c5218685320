#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Benchmarks report ratios to a reference measured in the same run: absolute times on a shared machine say
// little, ratios say what a change costs. RunWithRatios runs the benchmarks and prints each one's CPU time
// (the median of its repetitions) as a ratio to the reference, and to a second reference when one is named.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace orbel::bench {

// Keeps each run's time per iteration, in seconds whatever unit the run reports in, so the ratios can be
// printed after the table.
class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    // The median of the repetitions: other processes on a shared machine disturb single runs.
    for (const Run& run : runs) {
      const std::string name = run.run_name.function_name;
      const double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      if (run.run_type == Run::RT_Iteration && !Times.count(name)) Times[name] = seconds;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") Times[name] = seconds;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> Times;
};

inline int RunWithRatios(int argc, char** argv, const std::string& reference, const char* description,
                         const std::string& second = {}) {
  benchmark::Initialize(&argc, argv);
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto base = reporter.Times.find(reference);
  const auto other = second.empty() ? reporter.Times.end() : reporter.Times.find(second);
  if (base == reporter.Times.end() || base->second <= 0) return 0;
  std::printf("\nratio to %s (%.1f us)", description, base->second * 1e6);
  if (other != reporter.Times.end()) std::printf(" and to %s (%.1f us)", second.c_str(), other->second * 1e6);
  std::printf(":\n");
  for (const auto& [name, time] : reporter.Times) {
    if (name == reference) continue;
    std::printf("  %-40s %7.2f", name.c_str(), time / base->second);
    if (other != reporter.Times.end() && other->second > 0) std::printf("   %7.2f", time / other->second);
    std::printf("\n");
  }
  benchmark::Shutdown();
  return 0;
}

}  // namespace orbel::bench
