#include "acquire/c_twain.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "acquire/acquire_commands.h"
#include "acquire/source_manager_location.h"
#include "acquire/twain_identity.h"
#include "acquire_test_support.h"

namespace tessary {
namespace {

using test::AcquireRig;
using test::fakeEntry;
using test::fakeManager;
using test::FakeScript;
using States = std::vector<std::int32_t>;

// The identity record written out field by field at its published offsets.
std::vector<std::uint8_t> expectedIdentityBytes() {
    std::vector<std::uint8_t> bytes(156, 0);
    auto put16 = [&](std::size_t at, unsigned v) {
        bytes[at] = static_cast<std::uint8_t>(v);
        bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    auto putText = [&](std::size_t at, const char* text) {
        std::memcpy(bytes.data() + at, text, std::strlen(text));
    };
    // Id 0 at 0; version at 4: major, minor, language, country, info.
    put16(4, 1);
    put16(6, 0);
    put16(8, 13);
    put16(10, 1);
    putText(12, "1.0 b1");
    put16(46, 1);  // protocol 1.5
    put16(48, 5);
    put16(50, 3);  // control and image groups (a 32-bit field)
    putText(54, "Orvane Inc.");
    putText(88, "Tessary");
    putText(122, "Tessary");
    return bytes;
}

TEST(TwainIdentity, IsSentByteForByteAsTheOriginOfTheFirstCall) {
    const TW_IDENTITY identity = applicationIdentity();
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&identity);
    EXPECT_EQ(std::vector<std::uint8_t>(raw, raw + sizeof identity), expectedIdentityBytes());

    fakeManager().start({});
    CTwain twain;
    ASSERT_TRUE(twain.loadManager(&fakeEntry));
    ASSERT_TRUE(twain.openManager());
    EXPECT_EQ(fakeManager().firstOrigin, expectedIdentityBytes());
}

TEST(SourceManagerLocation, OverrideAloneElseProgramFolderThenInstalledLibraryFolder) {
    EXPECT_EQ(sourceManagerCandidates("/x/dsm.so", "/opt/t/bin"),
              (std::vector<std::filesystem::path>{"/x/dsm.so"}));
    EXPECT_EQ(sourceManagerCandidates("", "/opt/t/bin"),
              (std::vector<std::filesystem::path>{"/opt/t/bin/libtessary_twain_dsm.so",
                                                  "/opt/t/lib/tessary/libtessary_twain_dsm.so"}));
}

TEST(TwainLoading, OnlyALibraryExportingTheEntryLoads) {
    test::TempDir dir;
    std::ofstream(dir / "text.so") << "not a library";
    const std::filesystem::path missing = dir / "missing.so";
    const struct {
        std::vector<std::filesystem::path> candidates;
        std::int32_t state;
    } cases[] = {
        {{}, 1},
        {{missing}, 1},
        {{dir / "text.so", TESSARY_FAKE_DSM}, 1},  // the first file found is the manager
        {{TESSARY_NO_ENTRY_LIBRARY}, 1},
        {{missing, TESSARY_FAKE_DSM}, 2},
    };
    for (const auto& c : cases) {
        CTwain twain;
        EXPECT_EQ(twain.loadManager(c.candidates), c.state == 2);
        EXPECT_EQ(twain.state(), c.state);
        EXPECT_EQ(twain.loaded(), c.state == 2);
        EXPECT_EQ(twain.unloadManager(), c.state == 2);
        EXPECT_EQ(twain.state(), 1);
    }
}

TEST(TwainLoading, AnImageTravelsThroughTheLoadedLibrary) {
    fakeManager().start({});
    AcquireRig rig;
    ASSERT_TRUE(rig.twain.loadManager({TESSARY_FAKE_DSM}));
    // The library's own manager: the loader opened the same file.
    void* library = ::dlopen(TESSARY_FAKE_DSM, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(library, nullptr);
    auto managerOf = reinterpret_cast<test::FakeSourceManager* (*)()>(
        ::dlsym(library, test::kFakeManagerSymbol));
    ASSERT_NE(managerOf, nullptr);
    test::FakeSourceManager& manager = *managerOf();
    ::dlclose(library);
    FakeScript script;
    script.images.push_back(test::rgbImage(5, 4));
    manager.start(script);

    EXPECT_EQ(AcquireCommand(rig.twain, rig.services()), TWRC_SUCCESS);
    ASSERT_EQ(rig.pages.pages.size(), 1u);
    EXPECT_EQ(test::planeOf(*rig.pages.pages[0], 2), test::channelOf(script.images[0], 2, 5, 4));
    EXPECT_EQ(rig.twain.state(), 2);
    EXPECT_TRUE(fakeManager().calls.empty());  // the program's own fake was not involved
}

TEST(TwainStates, EveryCallMovesTheStateAsTheProtocolSays) {
    auto image = [](TW_UINT32 rowsPerStrip, int failAtStrip) {
        test::FakeImage im = test::rgbImage(4, 4);
        im.rowsPerStrip = rowsPerStrip;
        im.failAtStrip = failAtStrip;
        return im;
    };
    const struct {
        const char* name;
        std::vector<test::FakeImage> images;
        bool userCloses;
        States states;
    } cases[] = {
        {"one image", {image(0, -1)}, false, {3, 4, 5, 6, 7, 5, 4, 3, 2}},
        {"two images", {image(0, -1), image(0, -1)}, false, {3, 4, 5, 6, 7, 6, 7, 5, 4, 3, 2}},
        {"user closes", {image(0, -1)}, true, {3, 4, 5, 4, 3, 2}},
        // Failing before any strip: the transfer never started and is reset.
        {"first strip fails", {image(0, 0)}, false, {3, 4, 5, 6, 5, 4, 3, 2}},
        // Failing later: the transfer is ended.
        {"second strip fails", {image(2, 1)}, false, {3, 4, 5, 6, 7, 5, 4, 3, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AcquireRig rig;
        FakeScript script;
        script.images = c.images;
        script.userCloses = c.userCloses;
        fakeManager().start(script);
        ASSERT_TRUE(rig.twain.loadManager(&fakeEntry));
        rig.twain.states.clear();
        AcquireCommand(rig.twain, rig.services());
        EXPECT_EQ(rig.twain.states, c.states);
        EXPECT_EQ(rig.twain.closeDownTo(CTwain::kManagerNotLoaded), true);
        EXPECT_EQ(rig.twain.states.back(), 1);
    }
}

TEST(TwainStates, StepsOutOfTheirStateAreNotSent) {
    fakeManager().start({});
    CTwain twain;
    void* parent = nullptr;  // nothing loaded yet
    EXPECT_FALSE(twain.managerCall(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent));
    ASSERT_TRUE(twain.loadManager(&fakeEntry));
    EXPECT_FALSE(twain.openDefaultSource());
    EXPECT_FALSE(twain.enableSource());
    EXPECT_FALSE(twain.endTransfer());
    EXPECT_FALSE(twain.reset());
    EXPECT_TRUE(fakeManager().calls.empty());
    ASSERT_TRUE(twain.openManager());
    ASSERT_TRUE(twain.openDefaultSource());
    EXPECT_TRUE(fakeManager().sourceNameEmptyAtOpen);
    EXPECT_EQ(TW_UINT32{twain.sourceIdentity().Id}, 7u);  // packed field: compare a copy
    EXPECT_FALSE(twain.disableSource());
    EXPECT_TRUE(twain.closeManager());  // closes the source first
    EXPECT_EQ(twain.state(), 2);
}

TEST(TwainCommands, SelectAndListOpenTheManagerAndCloseItAgain) {
    FakeScript script;
    script.sources = {test::fakeIdentity("test:0", "frontend-tester", "Noname"),
                      test::fakeIdentity("test:1", "frontend-tester", "Noname")};
    fakeManager().start(script);
    CTwain twain;
    ASSERT_TRUE(twain.loadManager(&fakeEntry));
    EXPECT_TRUE(SelectSourceCommand(twain));
    EXPECT_EQ(fakeManager().countCalls(DAT_IDENTITY, MSG_GETDEFAULT), 1);
    EXPECT_EQ(fakeManager().countCalls(DAT_IDENTITY, MSG_USERSELECT), 1);
    EXPECT_STREQ(twain.sourceIdentity().ProductName, "Fake Scanner");
    EXPECT_EQ(twain.state(), 2);

    std::vector<TW_IDENTITY> sources;
    ASSERT_TRUE(twain.listSources(sources));
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_STREQ(sources[1].ProductName, "test:1");
    EXPECT_EQ(twain.state(), 2);
}

}  // namespace
}  // namespace tessary
