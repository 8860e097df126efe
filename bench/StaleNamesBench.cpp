// The stale-name computation at list-box scale: the indexed lookup the cleanup uses, against
// the pairwise loop it replaces (every registry name compared with every printer name, with
// no early exit). Ends with the speed-up at each size and whether 32767 x 32767 stays under
// 10 ms.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/StaleNames.h"
#include "bench/PrinterNames.h"

namespace {

constexpr double kGoalMilliseconds = 10.0;
constexpr std::int64_t kFullList = 32767;

// Counts the matches instead of setting a flag, so that the compiler cannot stop the inner
// loop at the first match either.
std::vector<std::int16_t> PairwiseStaleIndices(const std::vector<std::wstring>& registryNames,
                                               const std::vector<std::wstring>& printerNames) {
  std::vector<std::int16_t> stale;
  for (std::size_t i = 0; i < registryNames.size(); ++i) {
    std::size_t matches = 0;
    for (std::size_t j = 0; j < printerNames.size(); ++j) {
      matches += registryNames[i] == printerNames[j] ? 1 : 0;
    }
    if (matches == 0) stale.push_back(static_cast<std::int16_t>(i));
  }
  return stale;
}

const bench::PrinterNameSet& NamesOfSize(std::size_t count) {
  static std::map<std::size_t, bench::PrinterNameSet> cache;
  auto found = cache.find(count);
  if (found == cache.end()) found = cache.emplace(count, bench::MakePrinterNames(count, count)).first;
  return found->second;
}

template <auto Compute>
void RunStaleNames(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  const bench::PrinterNameSet& names = NamesOfSize(count);
  std::vector<std::int16_t> stale;
  for (auto _ : state) {
    stale = Compute(names.registry, names.printers);
    benchmark::DoNotOptimize(stale.data());
  }
  if (stale != bench::ExpectedStaleIndices(count)) {
    state.SkipWithError("wrong stale names");
    return;
  }
  state.counters["stale"] = static_cast<double>(stale.size());
  state.counters["pairs"] = static_cast<double>(count) * static_cast<double>(count);
}

void BM_StaleNameIndices(benchmark::State& state) { RunStaleNames<StaleNameIndices>(state); }
void BM_PairwiseReference(benchmark::State& state) { RunStaleNames<PairwiseStaleIndices>(state); }

BENCHMARK(BM_StaleNameIndices)->Arg(100)->Arg(1000)->Arg(kFullList)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PairwiseReference)->Arg(100)->Arg(1000)->Arg(kFullList)->Unit(benchmark::kMicrosecond);

// Shows the runs as usual and keeps the mean real time of each, for the closing lines.
class SpeedUpReporter : public benchmark::ConsoleReporter {
 public:
  // Colours only on a terminal, so that a saved report is plain text.
  SpeedUpReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_ColorTabular : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
      const std::string name = run.run_name.function_name;
      const std::int64_t size = std::stoll(run.run_name.args);
      seconds_[name][size] = run.real_accumulated_time / static_cast<double>(run.iterations);
    }
  }

  // Non-zero when the goal was measured and not met. Sizes left out by a filter, or whose
  // run failed its check, have no line.
  int Summarize() const {
    static const std::map<std::int64_t, double> none;
    const auto& indexed = seconds_.contains("BM_StaleNameIndices") ? seconds_.at("BM_StaleNameIndices") : none;
    const auto& pairwise = seconds_.contains("BM_PairwiseReference") ? seconds_.at("BM_PairwiseReference") : none;
    for (const auto& [size, seconds] : indexed) {
      const auto reference = pairwise.find(size);
      if (reference == pairwise.end()) continue;
      std::printf("speed-up at %lld x %lld names: %.1fx (indexed %.3f ms, pairwise %.3f ms)\n",
                  static_cast<long long>(size), static_cast<long long>(size),
                  reference->second / seconds, seconds * 1e3, reference->second * 1e3);
    }
    const auto full = indexed.find(kFullList);
    if (full == indexed.end()) return 0;
    const double milliseconds = full->second * 1e3;
    std::printf("goal %lld x %lld under %.0f ms: %s (%.3f ms)\n", static_cast<long long>(kFullList),
                static_cast<long long>(kFullList), kGoalMilliseconds,
                milliseconds < kGoalMilliseconds ? "met" : "NOT met", milliseconds);
    return milliseconds < kGoalMilliseconds ? 0 : 1;
  }

 private:
  std::map<std::string, std::map<std::int64_t, double>> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  SpeedUpReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return reporter.Summarize();
}
