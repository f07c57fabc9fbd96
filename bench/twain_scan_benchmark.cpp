// A 300 dpi A4 colour scan from SANE's test backend through the TWAIN
// source manager (DSM_Entry, memory transfers in the preferred strips),
// beside scanimage writing the same scan to /dev/null. Both use a private
// SANE configuration that enables only the test backend and widens its
// geometry limit to fit A4 (210 x 297 mm, about 2480 x 3508 pixels).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "twain_protocol.h"

extern "C" TW_UINT16 DSM_Entry(TW_IDENTITY*, TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16,
                               TW_MEMREF);

namespace {

const char* const kOptions =
    "mode=Color,resolution=300,tl-x=0,tl-y=0,br-x=210,br-y=297,test-picture=Color pattern";

// The private SANE folder, made once per process.
const std::filesystem::path& saneFolder() {
    static const std::filesystem::path folder = [] {
        std::string name = (std::filesystem::temp_directory_path() / "tessary-twain-bench-XXXXXX");
        const std::filesystem::path made = mkdtemp(name.data());
        std::ofstream(made / "dll.conf") << "test\n";
        std::ofstream(made / "test.conf") << "geometry_max 300.0\n";
        setenv("SANE_CONFIG_DIR", made.c_str(), 1);
        setenv("TESSARY_TWAIN_HEADLESS", "1", 1);
        setenv("TESSARY_TWAIN_OPTIONS", kOptions, 1);
        return made;
    }();
    return folder;
}

// One acquisition as the editor runs it; the pixel count transferred.
size_t scanThroughManager() {
    TW_IDENTITY app{}, source{};
    TW_UINT32 parent = 0;
    DSM_Entry(&app, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent);
    DSM_Entry(&app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source);
    TW_USERINTERFACE ui{0, 0, nullptr};
    DSM_Entry(&app, &source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    int hostEvent = 0;
    TW_EVENT event{&hostEvent, MSG_NULL};
    DSM_Entry(&app, &source, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
    TW_IMAGEINFO info{};
    DSM_Entry(&app, &source, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
    TW_SETUPMEMXFER setup{};
    DSM_Entry(&app, &source, DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup);
    std::vector<uint8_t> buffer(setup.Preferred);
    size_t rows = 0;
    for (TW_UINT16 rc = TWRC_SUCCESS; rc == TWRC_SUCCESS;) {
        TW_IMAGEMEMXFER strip{};
        strip.Memory = {TWMF_APPOWNS | TWMF_POINTER, setup.Preferred, buffer.data()};
        rc = DSM_Entry(&app, &source, DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
        if (rc == TWRC_SUCCESS || rc == TWRC_XFERDONE) rows += strip.Rows;
        benchmark::DoNotOptimize(buffer.data());
    }
    TW_PENDINGXFERS pending{};
    DSM_Entry(&app, &source, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    DSM_Entry(&app, &source, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    DSM_Entry(&app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source);
    DSM_Entry(&app, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent);
    return rows * static_cast<size_t>(info.ImageWidth);
}

void BM_A4ColourThroughSourceManager(benchmark::State& state) {
    saneFolder();
    size_t pixels = 0;
    for (auto _ : state) pixels = scanThroughManager();
    state.counters["pixels"] = static_cast<double>(pixels);
    if (pixels < 2400u * 3400u) state.SkipWithError("the scan came out short");
}
BENCHMARK(BM_A4ColourThroughSourceManager)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3);

void BM_A4ColourThroughScanimage(benchmark::State& state) {
    saneFolder();
    const std::string command =
        "scanimage -d test:0 --mode Color --resolution 300 -l 0 -t 0 -x 210 -y 297 "
        "--test-picture 'Color pattern' > /dev/null 2>&1";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) state.SkipWithError("scanimage failed");
}
BENCHMARK(BM_A4ColourThroughScanimage)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3);

}  // namespace

BENCHMARK_MAIN();
