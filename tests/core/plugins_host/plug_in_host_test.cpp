// Loading, calling and releasing modules; the common block fields; the
// state behind the abort, progress and event procedures.

#include "plugins/plug_in_host.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <limits>

#include "app/error_messages.h"
#include "core/plugins_host/host_rig.h"
#include "plugins/export_run.h"
#include "plugins/filter_run.h"
#include "plugins/host_callbacks.h"
#include "plugins/import_run.h"
#include "plugins/memory_status.h"
#include "plugins/movable_memory.h"
#include "plugins/page_file_io.h"
#include "plugins/plug_in_module.h"
#include "tessary_ask.h"

namespace tessary {
namespace {

using test::HostRig;
using test::testModule;

class IdleRun : public PlugInRun {
public:
    std::int16_t advanceState() override { return 0; }
};

class Host : public ::testing::Test {
protected:
    void SetUp() override {
        rig.install({testModule("Invert.8bf"), testModule("ProbeFilter.8bf"),
                     testModule("ProbeImport.8ba")});
    }
    HostRig rig;
    TsPiFilterBlock block{};
};

TEST_F(Host, CallPutsTheSelectorInTheResultCellAndMapsPositiveResultsToMinusOne) {
    PlugInRecord& invert = rig.record("Invert Colors");
    rig.host.FillParameterBlock(invert, block, hostProcedures().advanceState);
    ASSERT_EQ(rig.host.LoadPlugIn(invert), 0);
    EXPECT_EQ(rig.host.CallPlugIn(invert, TSPI_FILTER_PREPARE), 0);  // the module writes 0
    EXPECT_EQ(invert.plugInData, 1);
    rig.host.UnloadPlugIn(invert);

    // Without a script the probe leaves the cell alone: the selector stays.
    PlugInRecord& probe = rig.record("Probe Filter");
    rig.host.FillParameterBlock(probe, block, hostProcedures().advanceState);
    ASSERT_EQ(rig.host.LoadPlugIn(probe), 0);
    EXPECT_EQ(rig.host.CallPlugIn(probe, TSPI_FILTER_START), -1);
    EXPECT_EQ(rig.host.CallPlugIn(probe, 0), 0);
    rig.host.UnloadPlugIn(probe);
    EXPECT_EQ(probe.moduleHandle, nullptr);
    EXPECT_EQ(probe.entryPoint, nullptr);
    EXPECT_EQ(probe.currentBlock, nullptr);
}

TEST_F(Host, ModulesThatCannotRunYieldMinusOneForEverySelector) {
    PlugInRecord& invert = rig.record("Invert Colors");
    copyText(invert.windowsEntryName, "Absent");
    EXPECT_EQ(rig.host.LoadPlugIn(invert), kModuleNoEntryPoint);
    EXPECT_EQ(rig.host.CallPlugIn(invert, TSPI_FILTER_START), -1);
    rig.host.UnloadPlugIn(invert);

    // A text file and a Windows module are never entered.
    std::ofstream(rig.plugInFolder / "Text.8bf") << "not a library";
    std::vector<test::fs::path> files = {rig.plugInFolder / "Text.8bf"};
    if (test::fs::exists(testModule("WinFilter.8bf"))) files.push_back(testModule("WinFilter.8bf"));
    for (const auto& file : files) {
        PlugInRecord record;
        ASSERT_TRUE(record.setModulePath(file.native()));
        record.kind = kPlugInKindFilter;
        record.hasWindowsEntryName = 1;
        copyText(record.windowsEntryName, "PluginMain");
        EXPECT_EQ(rig.host.LoadPlugIn(record), kModuleNotLoadable) << file;
        EXPECT_EQ(record.entryPoint, nullptr);
        EXPECT_EQ(rig.host.CallPlugIn(record, TSPI_FILTER_PARAMETERS), -1);
        rig.host.UnloadPlugIn(record);
    }
    PlugInRecord missing;
    ASSERT_TRUE(missing.setModulePath((rig.plugInFolder / "Gone.8bf").native()));
    EXPECT_EQ(rig.host.LoadPlugIn(missing), kModuleFileNotFound);
}

// A module that cannot be loaded, or lacks its entry point, is never
// called: every kind of run fails with the load error and changes nothing.
TEST_F(Host, RunsWhoseModuleCannotBeLoadedFailWithTheLoadError) {
    for (const char* file :
         {"BrokenFilter.8bf", "BrokenImport.8ba", "BrokenExport.8be", "BrokenFormat.8bi"})
        std::ofstream(rig.plugInFolder / file) << "not a library";
    rig.install({});
    copyText(rig.record("BrokenFormat").readExtension, "TXT");
    const test::fs::path picture = rig.plugInFolder / "picture.txt";
    std::ofstream(picture) << "pixels";
    PlugInRecord& invert = rig.record("Invert Colors");
    copyText(invert.windowsEntryName, "Absent");

    auto page = rig.picture(Page::kTypeRgb, 8, 8, 1);
    const auto before = test::allPlanes(*page);
    test::FakeView view(page.get());
    test::FakeDocuments documents;
    PageFileIO files(rig.host, rig.list, rig.environment());
    PageFileError error = PageFileError::None;
    const std::vector<std::pair<const char*, std::function<bool()>>> runs = {
        {"filter",
         [&] { return RunPlugInFilter(rig.host, rig.record("BrokenFilter"), true, view); }},
        {"no entry", [&] { return RunPlugInFilter(rig.host, invert, true, view); }},
        {"import",
         [&] {
             return RunPlugInImport(rig.host, rig.record("BrokenImport"), documents,
                                    rig.environment());
         }},
        {"export", [&] { return RunPlugInExport(rig.host, rig.record("BrokenExport"), *page); }},
        {"format", [&] { return files.open(picture, &error) != nullptr; }},
    };
    for (const auto& [name, run] : runs) {
        rig.progress.cancelAt = 1;  // a cancel left from before must not hide the failure
        ASSERT_TRUE(rig.host.abortRequested());
        EXPECT_FALSE(run()) << name;
        EXPECT_TRUE(rig.host.loadFailed()) << name;
        EXPECT_FALSE(rig.host.cancelled()) << name;
        EXPECT_EQ(rig.host.failureCode(), kErrPlugInLoad) << name;
    }
    EXPECT_EQ(error, PageFileError::ModuleNotLoaded);
    EXPECT_EQ(invert.plugInData, 0);  // never called
    EXPECT_TRUE(documents.documents.empty());
    EXPECT_EQ(test::allPlanes(*page), before);
    EXPECT_EQ(page->pageData()->undoCount(), 0);
    EXPECT_EQ(errorMessage(kErrPlugInLoad), "The plug-in module could not be loaded.");
}

TEST_F(Host, LoadingSetsTheProgressTextsAndClearsTheStickyCancel) {
    rig.progress.cancelAt = 1;
    EXPECT_TRUE(rig.host.abortRequested());
    rig.progress.cancelAt = -1;
    const int asked = rig.progress.questions;
    EXPECT_TRUE(rig.host.abortRequested());  // stays true without asking again
    EXPECT_EQ(rig.progress.questions, asked);

    PlugInRecord& import = rig.record("Probe Import");
    ASSERT_EQ(rig.host.LoadPlugIn(import), 0);
    EXPECT_EQ(rig.progress.text[0], "Working...");
    EXPECT_EQ(rig.progress.text[1], "Probe Import");
    EXPECT_FALSE(rig.host.abortRequested());
    import.plugInData = 77;
    rig.host.UnloadPlugIn(import);
    EXPECT_EQ(import.plugInData, 0);  // reset after every import run

    rig.host.reportProgress(5, 10);
    EXPECT_EQ(rig.progress.delays, (std::vector<std::uint32_t>{240}));
    EXPECT_FALSE(rig.host.cancelled());
    rig.progress.cancelAt = rig.progress.questions + 1;
    rig.host.reportProgress(6, 10);
    EXPECT_TRUE(rig.host.cancelled());
}

TEST_F(Host, UnloadKeepsALiveParametersHandleAndNothingElse) {
    PlugInRecord& probe = rig.record("Probe Filter");
    rig.host.FillParameterBlock(probe, block, hostProcedures().advanceState);
    TsPiHandle handle = newPlugInHandle(4);
    block.parameters = handle;
    rig.host.UnloadPlugIn(probe);
    EXPECT_EQ(probe.parameters, handle);

    rig.host.FillParameterBlock(probe, block, hostProcedures().advanceState);
    EXPECT_EQ(block.parameters, handle);  // the saved parameters go back to the module
    disposePlugInHandle(handle);
    rig.host.UnloadPlugIn(probe);
    EXPECT_EQ(probe.parameters, nullptr);  // the module disposed of it
}

// A run keeps the first well-formed warning; loading the next module
// forgets it. Text without a terminator within the limit is refused.
TEST_F(Host, WarningsKeepTheFirstWellFormedTextUntilTheNextLoad) {
    const std::string unterminated(TSPI_ASK_MAX_TEXT, 'x');
    EXPECT_FALSE(rig.host.noteWarning(nullptr));
    EXPECT_FALSE(rig.host.noteWarning(unterminated.c_str()));
    EXPECT_TRUE(rig.host.noteWarning("first"));
    EXPECT_TRUE(rig.host.noteWarning("second"));
    EXPECT_EQ(rig.host.moduleWarning(), "first");
    rig.host.LoadPlugIn(rig.record("Invert Colors"));
    EXPECT_EQ(rig.host.moduleWarning(), "");
    rig.host.UnloadPlugIn(rig.record("Invert Colors"));
}

TEST_F(Host, MaximumSpaceIsFiveEighthsOfAvailableMemoryClampedToTheField) {
    EXPECT_EQ(fiveEighthsForModule(0), 0);
    EXPECT_EQ(fiveEighthsForModule(8), 5);
    EXPECT_EQ(fiveEighthsForModule(15), 9);
    EXPECT_EQ(fiveEighthsForModule(std::uint64_t{1} << 30), 671088640);
    EXPECT_EQ(fiveEighthsForModule(3435973836u), 2147483647);  // 5/8 just above the limit
    EXPECT_EQ(fiveEighthsForModule(std::uint64_t{24} << 30),
              std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(fiveEighthsForModule(std::numeric_limits<std::uint64_t>::max()),
              std::numeric_limits<std::int32_t>::max());

    rig.memory.bytes = std::uint64_t{24} << 30;  // a 24 GB machine
    PlugInRecord& import = rig.record("Probe Import");
    TsPiImportBlock importBlock{};
    rig.host.FillParameterBlock(import, importBlock, hostProcedures().advanceState);
    EXPECT_EQ(importBlock.maxData, std::numeric_limits<std::int32_t>::max());
    {
        IdleRun run;
        PlugInHost::RunScope scope(rig.host, run);
        EXPECT_EQ(import.bufferSuite.spaceProc(), std::numeric_limits<std::int32_t>::max());
        rig.memory.bytes = std::uint64_t{1} << 30;
        EXPECT_EQ(import.bufferSuite.spaceProc(), 1 << 30);  // all of it, not five eighths
    }
    EXPECT_GT(systemMemoryStatus().availableVirtualBytes(), 0u);
}

TEST_F(Host, BlocksOfEveryKindGetTheCommonFields) {
    PlugInRecord& probe = rig.record("Probe Filter");
    rig.host.setMainWindow(0x4242);
    rig.host.FillParameterBlock(probe, block, hostProcedures().advanceState);
    EXPECT_EQ(probe.currentBlock, &block);
    EXPECT_EQ(block.serialNumber, 42);
    EXPECT_EQ(*static_cast<std::intptr_t*>(block.platformData), 0x4242);
    EXPECT_EQ(block.bufferProcs, &probe.bufferSuite);
    EXPECT_EQ(block.handleProcs->version, 1);
    EXPECT_EQ(block.imageServicesProcs->count, 2);
    EXPECT_EQ(block.propertyProcs->count, 2);
    EXPECT_EQ(block.imageServicesProcs->resample1DProc(nullptr, nullptr, nullptr, nullptr, 0), 0);
    EXPECT_EQ(block.propertyProcs->getPropertyProc(0, 0, 0, nullptr, nullptr), 0);
    EXPECT_NE(block.abortProc, nullptr);
    EXPECT_NE(block.colorServices, nullptr);
    EXPECT_EQ(block.autoMask, 0);  // page fields are the filter run's business

    TsPiFormatBlock format{};
    rig.host.FillParameterBlock(probe, format, hostProcedures().advanceState);
    EXPECT_EQ(probe.currentBlock, &format);
    EXPECT_EQ(format.hostSignature, 0x51535459u);
    EXPECT_EQ(format.advanceState, hostProcedures().advanceState);
    rig.host.UnloadPlugIn(probe);
}

TEST_F(Host, ProceduresReachTheActiveHostOnly) {
    // Outside any call or run nothing is active: the procedures do no harm.
    EXPECT_EQ(hostProcedures().abort(), 0);
    EXPECT_EQ(hostProcedures().advanceState(), TSPI_ERR_HOST_INSUFFICIENT);
    std::intptr_t word = reinterpret_cast<std::intptr_t>("damaged");
    hostProcedures().host(TSPI_HOST_REPORT_WARNING, &word);
    EXPECT_NE(word, 0);  // not taken

    test::FakePump pump;
    rig.host.setMessagePump(&pump);
    const std::uint32_t event[7] = {1, 2, 3, 4, 5, 6, 7};
    rig.host.processEvent(event);
    rig.host.processEvent(nullptr);
    ASSERT_EQ(pump.events.size(), 1u);
    EXPECT_EQ(pump.events[0][6], 7u);
}

}  // namespace
}  // namespace tessary
