// Modules run in the module host process: a module that crashes, hangs or
// breaks the link ends its command with a message naming it and leaves the
// page as it was; the shipped modules give the same results in both modes.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "core/plugins_host/host_rig.h"
#include "plugins/filter_run.h"
#include "plugins/module_process.h"
#include "plugins/page_file_io.h"
#include "plugins/plug_in_commands.h"

namespace tessary {
namespace {

using test::HostRig;
using test::shippedModule;
using test::testModule;

class ModuleIsolation : public ::testing::Test {
protected:
    void SetUp() override {
        rig.install({testModule("Crashing.8bf"), testModule("Invert.8bf")});
        rig.host.setModuleCalls(ModuleCalls::Isolated);
    }
    HostRig rig;
};

TEST_F(ModuleIsolation, AStoppedModuleLeavesThePageAndTheHostAsTheyWere) {
    struct Case {
        const char* name;
        bool cancelled;  // loops until the user cancels
    };
    for (const Case& c : {Case{"Null Pointer", false}, Case{"Abort", false},
                          Case{"Endless Loop", true}, Case{"Scribbler", false},
                          Case{"Exit In Advance", false}, Case{"Socket Garbage", false}}) {
        SCOPED_TRACE(c.name);
        auto page = rig.picture(Page::kTypeRgb, 40, 30, 5);
        const auto before = test::allPlanes(*page);
        test::FakeView view(page.get());
        rig.progress.cancelAt = c.cancelled ? rig.progress.questions + 1 : -1;
        rig.host.setCancelGrace(0);
        EXPECT_FALSE(RunPlugInFilter(rig.host, rig.record(c.name), true, view));
        EXPECT_EQ(test::allPlanes(*page), before);
        EXPECT_EQ(page->pageData()->undoCount(), 0);
        EXPECT_FALSE(page->pageData()->changeOpen());
        EXPECT_FALSE(rig.host.cancelled());
        EXPECT_EQ(rig.host.failureCode(), kErrPlugInStopped);
        EXPECT_EQ(rig.host.failureMessage(),
                  "The plug-in " + std::string(c.name) + " stopped unexpectedly");

        rig.progress.cancelAt = -1;
        EXPECT_TRUE(RunPlugInFilter(rig.host, rig.record("Invert Colors"), true, view));
        EXPECT_EQ(page->pageData()->undoCount(), 1);
    }
}

// The user's cancel reaches a module that asks for it without calling back
// for anything else: the run ends as cancelled, not as stopped.
TEST_F(ModuleIsolation, ACancelReachesAModuleThatOnlyAsksForIt) {
    auto page = rig.picture(Page::kTypeRgb, 40, 30, 5);
    const auto before = test::allPlanes(*page);
    test::FakeView view(page.get());
    rig.progress.cancelAt = rig.progress.questions + 1;
    EXPECT_FALSE(RunPlugInFilter(rig.host, rig.record("Waits For Cancel"), true, view));
    EXPECT_TRUE(rig.host.cancelled());
    EXPECT_FALSE(rig.host.moduleStopped());
    EXPECT_EQ(test::allPlanes(*page), before);
}

TEST_F(ModuleIsolation, AFormatModuleThatStopsFailsTheOpenByItsName) {
    const test::fs::path file = rig.plugInFolder / "picture.crs";
    std::ofstream(file) << "anything";
    PageFileIO io(rig.host, rig.list, rig.environment());
    PageFileError error = PageFileError::None;
    EXPECT_EQ(io.open(file, &error), nullptr);
    EXPECT_EQ(error, PageFileError::ModuleStopped);
    EXPECT_EQ(rig.host.failureMessage(), "The plug-in Crash Format stopped unexpectedly");
}

// The probe answers 0 only without network sockets, new privileges or the
// editor's descriptors (one left open without close-on-exec here).
TEST_F(ModuleIsolation, TheHelperRunsTheModuleWithTheLeastItNeeds) {
    const int inherited = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(inherited, 0);
    auto page = rig.picture(Page::kTypeGrey, 8, 8, 1);
    test::FakeView view(page.get());
    EXPECT_TRUE(RunPlugInFilter(rig.host, rig.record("Sandbox Probe"), true, view));
    rig.host.setModuleCalls(ModuleCalls::InProcess);
    EXPECT_FALSE(RunPlugInFilter(rig.host, rig.record("Sandbox Probe"), true, view));
    ::close(inherited);
}

TEST_F(ModuleIsolation, TheHostProgramIsFoundBesideTheProgramOrInItsLibraryFolder) {
    EXPECT_EQ(moduleHostCandidates("", "/opt/t/bin"),
              (std::vector<std::filesystem::path>{"/opt/t/bin/tessary-module-host",
                                                  "/opt/t/lib/tessary/tessary-module-host"}));
    EXPECT_EQ(moduleHostCandidates("/x/host", "/opt/t/bin"),
              std::vector<std::filesystem::path>{"/x/host"});
    EXPECT_FALSE(findModuleHost().empty());
}

// Each shipped module's usual operation, once in process and once in the
// helper: pages and files must match byte for byte.
class ShippedModulesBothWays : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"Posterize.8bf", "Unsharp.8bf", "WebJpeg.8be", "BMP.8bi",
                                 "PNG.8bi", "JPEG.8bi", "TIFF.8bi"})
            if (!test::fs::exists(shippedModule(name))) GTEST_SKIP() << name << " is not built";
        rig.install({shippedModule("Posterize.8bf"), shippedModule("Unsharp.8bf"),
                     shippedModule("WebJpeg.8be"), shippedModule("BMP.8bi"),
                     shippedModule("PNG.8bi"), shippedModule("JPEG.8bi"),
                     shippedModule("TIFF.8bi")});
    }

    static std::string contents(const test::fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    HostRig rig;
    test::TempDir files;
};

TEST_F(ShippedModulesBothWays, FiltersGiveIdenticalPages) {
    for (const char* filter : {"Posterize", "Unsharp Mask 3x3"}) {
        for (const std::int32_t type : {Page::kTypeGrey, Page::kTypeRgb}) {
            SCOPED_TRACE(std::string(filter) + " type " + std::to_string(type));
            std::vector<std::vector<std::vector<std::uint8_t>>> results;
            for (const ModuleCalls calls : {ModuleCalls::InProcess, ModuleCalls::Isolated}) {
                rig.host.setModuleCalls(calls);
                auto page = rig.picture(type, 300, 200, 7);
                ASSERT_EQ(page->addMask(), kErrNone);
                HostRig::fillPlane(*page, page->colourPlaneCount(), page->bounds(),
                                   [](std::int32_t x, std::int32_t y) { return (x + y) % 256; });
                page->setSelectionRect(Rect{20, 10, 250, 190});
                test::FakeView view(page.get());
                ASSERT_TRUE(RunPlugInFilter(rig.host, rig.record(filter), true, view));
                results.push_back(test::allPlanes(*page));
            }
            EXPECT_EQ(results[0], results[1]);
            EXPECT_NE(results[0], test::allPlanes(*rig.picture(type, 300, 200, 7)));
        }
    }
}

TEST_F(ShippedModulesBothWays, FormatsWriteAndReadIdenticalFilesAndPages) {
    for (const char* extension : {"bmp", "png", "jpg", "tif"}) {
        for (const std::int32_t type : {Page::kTypeGrey, Page::kTypeRgb}) {
            SCOPED_TRACE(std::string(extension) + " type " + std::to_string(type));
            std::vector<std::string> written;
            std::vector<std::vector<std::vector<std::uint8_t>>> read;
            for (const ModuleCalls calls : {ModuleCalls::InProcess, ModuleCalls::Isolated}) {
                rig.host.setModuleCalls(calls);
                PageFileIO io(rig.host, rig.list, rig.environment());
                auto page = rig.picture(type, 97, 61, 3);
                const test::fs::path file =
                    files / (std::to_string(written.size()) + "." + extension);
                ASSERT_EQ(io.save(*page, file), PageFileError::None) << static_cast<int>(calls);
                written.push_back(contents(file));
                PageFileError error = PageFileError::None;
                auto back = io.open(file, &error);
                ASSERT_NE(back, nullptr) << describePageFileError(error);
                read.push_back(test::allPlanes(*back));
            }
            EXPECT_EQ(written[0], written[1]);
            EXPECT_EQ(read[0], read[1]);
        }
    }
}

TEST_F(ShippedModulesBothWays, TiffPagesImportsTheSamePages) {
    if (!test::fs::exists("/usr/bin/convert")) GTEST_SKIP() << "/usr/bin/convert is missing";
    if (!test::fs::exists(shippedModule("TiffPages.8ba"))) GTEST_SKIP() << "no TiffPages.8ba";
    rig.install({shippedModule("TiffPages.8ba")});
    const test::fs::path tiff = files / "scan.tif";
    const std::string command =
        "/usr/bin/convert -size 30x20 gradient:red-blue -size 25x15 "
        "gradient:white-black -type Grayscale " +
        tiff.native() + " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    ::setenv("TESSARY_IMPORT_FILE", tiff.c_str(), 1);
    std::vector<std::vector<std::vector<std::vector<std::uint8_t>>>> imported;
    for (const ModuleCalls calls : {ModuleCalls::InProcess, ModuleCalls::Isolated}) {
        rig.host.setModuleCalls(calls);
        test::FakeDocuments documents;
        ASSERT_TRUE(PlugInImportCommand(rig.host, rig.list, rig.record("TIFF Pages...").commandId,
                                        documents, rig.environment()));
        imported.emplace_back();
        for (const auto& document : documents.documents)
            imported.back().push_back(test::allPlanes(*document.page));
    }
    ::unsetenv("TESSARY_IMPORT_FILE");
    EXPECT_EQ(imported[0].size(), 2u);
    EXPECT_EQ(imported[0], imported[1]);
}

TEST_F(ShippedModulesBothWays, WebJpegExportWritesTheSameFile) {
    std::vector<std::string> written;
    PlugInRecord* exporter = nullptr;
    for (PlugInRecord* r = rig.list.head(); r != nullptr; r = r->next.get())
        if (r->kind == kPlugInKindExport) exporter = r;
    ASSERT_NE(exporter, nullptr);
    auto page = rig.picture(Page::kTypeRgb, 120, 90, 4);
    for (const ModuleCalls calls : {ModuleCalls::InProcess, ModuleCalls::Isolated}) {
        rig.host.setModuleCalls(calls);
        const test::fs::path out = files / (std::to_string(written.size()) + ".jpg");
        ::setenv("TESSARY_EXPORT_FILE", out.c_str(), 1);
        ASSERT_TRUE(PlugInExportCommand(rig.host, rig.list, exporter->commandId, page.get()));
        written.push_back(contents(out));
    }
    ::unsetenv("TESSARY_EXPORT_FILE");
    EXPECT_FALSE(written[0].empty());
    EXPECT_EQ(written[0], written[1]);
}

}  // namespace
}  // namespace tessary
