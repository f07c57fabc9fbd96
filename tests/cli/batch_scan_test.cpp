// tessary-batch --scan and --list-scanners against the scripted source
// manager library, loaded through TESSARY_TWAIN_DSM as the real one would be.

#include "cli/batch_scan.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "cli/batch_engine.h"
#include "cli/batch_program.h"
#include "cli/batch_test_support.h"
#include "core/acquire/acquire_test_images.h"

namespace tessary::test {
namespace {

class BatchScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        installModules(m_folder.path());
        // Held open here, the library (and the script in it) outlives the
        // program's own loading and unloading.
        m_library = ::dlopen(TESSARY_FAKE_DSM, RTLD_NOW);
        ASSERT_NE(m_library, nullptr);
        auto managerOf =
            reinterpret_cast<FakeSourceManager* (*)()>(::dlsym(m_library, kFakeManagerSymbol));
        ASSERT_NE(managerOf, nullptr);
        m_manager = managerOf();
        ::setenv("TESSARY_TWAIN_DSM", TESSARY_FAKE_DSM, 1);
    }
    void TearDown() override {
        for (const char* name :
             {"TESSARY_TWAIN_DSM", "TESSARY_TWAIN_HEADLESS", "TESSARY_TWAIN_DEVICE"})
            ::unsetenv(name);
        if (m_library != nullptr) ::dlclose(m_library);
    }

    int batch(const std::vector<std::string>& arguments) {
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        const int status = runBatchProgram(arguments, foldersBeside(m_folder.path()), out, err);
        m_out = contents(out);
        m_err = contents(err);
        return status;
    }
    static std::string contents(std::FILE* file) {
        std::string text;
        std::rewind(file);
        for (int c; (c = std::fgetc(file)) != EOF;) text.push_back(static_cast<char>(c));
        std::fclose(file);
        return text;
    }
    std::string file(const std::string& name) const { return (m_folder.path() / name).string(); }
    // The colour planes of the image file at `path`, read by a second engine.
    std::vector<std::vector<std::uint8_t>> planesOf(const std::string& path) {
        BatchEngine reader(m_folder.path());
        std::string error;
        EXPECT_TRUE(reader.start(error)) << error;
        const auto page = reader.files().open(path);
        if (!page) return {};
        return {planeOf(*page, 0), planeOf(*page, 1), planeOf(*page, 2)};
    }

    TempDir m_folder;
    void* m_library = nullptr;
    FakeSourceManager* m_manager = nullptr;
    std::string m_out;
    std::string m_err;
};

TEST_F(BatchScanTest, FeederPagesAreNumberedAndTheSettingsReachTheSource) {
    FakeScript script;
    script.images = {rgbImage(4, 3, 1), rgbImage(5, 2, 2), rgbImage(3, 3, 3)};
    m_manager->start(script);
    ASSERT_EQ(batch({"--scan", "test:1", "--scan-mode", "grey", "--scan-resolution=150",
                     "--scan-feeder", "-o", file("scan.png")}),
              kBatchExitOk)
        << m_err;
    EXPECT_STREQ(std::getenv("TESSARY_TWAIN_HEADLESS"), "1");
    EXPECT_STREQ(std::getenv("TESSARY_TWAIN_DEVICE"), "test:1");
    const std::vector<TW_UINT16> caps = {ICAP_XFERMECH, ICAP_PIXELTYPE, ICAP_XRESOLUTION,
                                         ICAP_YRESOLUTION, CAP_FEEDERENABLED};
    ASSERT_EQ(m_manager->capabilitySets.size(), caps.size());
    for (std::size_t i = 0; i < caps.size(); ++i)
        EXPECT_EQ(m_manager->capabilitySets[i].Cap, caps[i]);
    EXPECT_EQ(m_manager->capabilityValues[1].Item, TWPT_GRAY);
    EXPECT_EQ(m_manager->capabilityValues[2].Item, 150u);  // whole 150, fraction 0
    EXPECT_EQ(m_manager->capabilityValues[4].Item, 1u);
    for (int page = 1; page <= 3; ++page)
        EXPECT_TRUE(std::filesystem::exists(file("scan-" + std::to_string(page) + ".png")));
    EXPECT_FALSE(std::filesystem::exists(file("scan.png")));
    const auto planes = planesOf(file("scan-2.png"));
    ASSERT_EQ(planes.size(), 3u);
    EXPECT_EQ(planes[1], channelOf(script.images[1], 1, 5, 2));
    EXPECT_EQ(pagePath("a/b.tif", 12), "a/b-12.tif");
}

TEST_F(BatchScanTest, AFailedScanKeepsTheCompletePagesAndSaysWhy) {
    FakeScript script;
    script.images = {rgbImage(4, 3, 1), rgbImage(4, 3, 2)};
    script.images[1].failAtStrip = 0;
    m_manager->start(script);
    EXPECT_EQ(batch({"--scan", "-o", file("scan.png")}), kBatchExitFailed);
    EXPECT_TRUE(std::filesystem::exists(file("scan.png")));
    EXPECT_NE(m_err.find("the device failed"), std::string::npos) << m_err;
    EXPECT_EQ(std::getenv("TESSARY_TWAIN_DEVICE"), nullptr);
}

TEST_F(BatchScanTest, ScannersAreListedOneALine) {
    FakeScript script;
    script.sources = {fakeIdentity("test:0", "frontend-tester", "Noname"),
                      fakeIdentity("test:1", "frontend-tester", "Noname")};
    m_manager->start(script);
    EXPECT_EQ(batch({"--list-scanners"}), kBatchExitOk);
    EXPECT_EQ(m_out, "test:0\tfrontend-tester\tNoname\ntest:1\tfrontend-tester\tNoname\n");
}

TEST_F(BatchScanTest, WithoutAManagerNothingHappens) {
    ::setenv("TESSARY_TWAIN_DSM", file("missing.so").c_str(), 1);
    m_manager->start({});
    EXPECT_EQ(batch({"--scan", "-o", file("scan.png")}), kBatchExitOk);
    EXPECT_EQ(batch({"--list-scanners"}), kBatchExitOk);
    EXPECT_EQ(m_out + m_err, "");
    EXPECT_FALSE(std::filesystem::exists(file("scan.png")));
    EXPECT_TRUE(m_manager->calls.empty());
}

}  // namespace
}  // namespace tessary::test
