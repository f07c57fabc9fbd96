// Start and stop of the engine as the batch program does it: the globals
// (folders, preferences, volume list, swap files, tile store, blend table)
// initialised on a program folder, then shut down. Every iteration is a
// whole start and stop, so the tables the store fills at start are faulted
// in afresh each time, as in a new process.
//
//   engine_start_benchmark --benchmark_repetitions=10

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "app/program_folder.h"
#include "app/zerozevuv.h"

namespace {

void BM_EngineStartAndStop(benchmark::State& state) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tessary-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return state.SkipWithError("mkdtemp failed");
    const std::filesystem::path folder = pattern;
    for (auto _ : state) {
        tessary::ZERozevuv globals(tessary::foldersBeside(folder));
        if (!globals.initialise()) return state.SkipWithError("the engine did not start");
        benchmark::DoNotOptimize(globals.tileStore().tileCount());
        globals.shutDown();
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
BENCHMARK(BM_EngineStartAndStop)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
