// The headless page reader and writer: with the probe format module for
// failures, and with the shipped format modules on real files, some made
// by ImageMagick.

#include "plugins/page_file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "app/error_messages.h"
#include "core/plugins_host/host_rig.h"
#include "platform/worker_pool.h"

namespace tessary {
namespace {

using test::HostRig;
using test::samples;
using test::shippedModule;
using test::testModule;
using test::fs::path;

std::string contentsOf(const path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> namesIn(const path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : test::fs::directory_iterator(folder))
        names.push_back(entry.path().filename().native());
    std::sort(names.begin(), names.end());
    return names;
}

class PageFiles : public ::testing::Test {
protected:
    void SetUp() override {
        rig.install({testModule("ProbeFormat.8bi")});
        rig.record("Probe Format").plugInData = reinterpret_cast<std::intptr_t>(&script);
    }
    HostRig rig;
    PageFileIO io{rig.host, rig.list, rig.environment()};
    test::TempDir files;
    probe::FormatScript script{};
};

TEST_F(PageFiles, FailedSaveLeavesTheOldFileIntactAndNoTemporaryFile) {
    const path target = files / "keep.prb";
    std::ofstream(target) << "the old picture";
    ::chmod(target.c_str(), 0640);
    auto page = rig.picture(Page::kTypeRgb, 12, 9, 1);
    page->setModified(true);
    script.failSelector = TSPI_FORMAT_WRITE_CONTINUE;
    script.scribbleFile = 1;
    // A full disk is told apart from other failures, so that the user hears why.
    for (const auto& [failure, expected] :
         {std::pair{TSPI_ERR_DISK_FULL, PageFileError::DiskFull},
          std::pair{TSPI_ERR_IO, PageFileError::ModuleFailed}}) {
        script.failResult = failure;
        EXPECT_EQ(io.save(*page, target), expected);
        EXPECT_EQ(contentsOf(target), "the old picture");
        EXPECT_EQ(namesIn(files.path()), (std::vector<std::string>{"keep.prb"}));
        EXPECT_TRUE(page->modified());
    }
    // The module wrote into a file beside the target, not into the target.
    EXPECT_NE(std::string(script.pathSeen), target.native());
    EXPECT_EQ(path(script.pathSeen).parent_path(), files.path());
    // A save the user cancels likewise, told apart so that nothing is shown.
    script.failResult = TSPI_ERR_USER_CANCELED;
    EXPECT_EQ(io.save(*page, target), PageFileError::Cancelled);
    EXPECT_EQ(contentsOf(target), "the old picture");
    EXPECT_EQ(namesIn(files.path()), (std::vector<std::string>{"keep.prb"}));

    script.failSelector = 0;
    ASSERT_EQ(io.save(*page, target), PageFileError::None);
    EXPECT_EQ(contentsOf(target).substr(0, 4), "PRB1");
    EXPECT_EQ(namesIn(files.path()), (std::vector<std::string>{"keep.prb"}));
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);      // a replaced file keeps its permissions
    EXPECT_EQ(script.modeAtWriteStart, 0600u);  // but was the owner's alone while written
    EXPECT_FALSE(page->modified());

    EXPECT_EQ(script.threadsAtWriteStart, 1);  // a host without workers says 1

    // A new file likewise, then with the permissions of a new file; the
    // module hears the engine's thread count.
    WorkerPool workers(3);
    rig.host.setWorkers(&workers);
    const mode_t mask = ::umask(022);
    script.modeAtWriteStart = 0;
    ASSERT_EQ(io.save(*page, files / "new.prb"), PageFileError::None);
    ::umask(mask);
    EXPECT_EQ(script.modeAtWriteStart, 0600u);
    EXPECT_EQ(script.threadsAtWriteStart, 3);
    rig.host.setWorkers(nullptr);
    ASSERT_EQ(::stat((files / "new.prb").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST_F(PageFiles, SavingMergesAFloatingSelectionAsOneSelectionStep) {
    auto page = rig.picture(Page::kTypeGrey, 20, 20, 3);
    ASSERT_EQ(page->addMask(), kErrNone);
    page->setSelectionRect(Rect{5, 5, 15, 15});
    ASSERT_TRUE(page->pageData()->beginChange());
    ASSERT_EQ(page->liftFloat(), kErrNone);
    page->pageData()->endChange();
    HostRig::fillPlane(*page, 2, Rect{5, 5, 15, 15}, [](std::int32_t, std::int32_t) { return 9; });
    ASSERT_EQ(io.save(*page, files / "merged.prb"), PageFileError::None);
    EXPECT_FALSE(page->hasFloat());
    EXPECT_EQ(page->undoKind(), 5u);
    EXPECT_EQ(samples(*page, 0, Rect{5, 5, 15, 15}), std::vector<std::uint8_t>(100, 9));
}

TEST_F(PageFiles, ClearErrorsForUnknownExtensionsMissingFilesAndFailingModules) {
    PageFileError error = PageFileError::None;
    EXPECT_EQ(io.open(files / "picture.xyz", &error), nullptr);
    EXPECT_EQ(error, PageFileError::NoFormatModule);
    EXPECT_EQ(io.open(files / "missing.prb", &error), nullptr);
    EXPECT_EQ(error, PageFileError::CannotOpenFile);
    auto page = rig.picture(Page::kTypeGrey, 4, 4, 1);
    EXPECT_EQ(io.save(*page, files / "picture.xyz"), PageFileError::NoFormatModule);
    EXPECT_TRUE(namesIn(files.path()).empty());

    std::ofstream(files / "bad.prb") << "x";
    script.failSelector = TSPI_FORMAT_READ_START;
    script.failResult = TSPI_ERR_FORMAT_CANNOT_READ;
    EXPECT_EQ(io.open(files / "bad.prb", &error), nullptr);
    EXPECT_EQ(error, PageFileError::ModuleFailed);
    EXPECT_FALSE(describePageFileError(error).empty());

    // Memory full from the module, or an image beyond the tile store: the
    // out-of-memory message.
    script.failResult = TSPI_ERR_MEMORY_FULL;
    EXPECT_EQ(io.open(files / "bad.prb", &error), nullptr);
    EXPECT_EQ(error, PageFileError::NotEnoughMemory);
    EXPECT_EQ(describePageFileError(error), errorMessage(kErrMemory));
    script.failSelector = 0;
    script.mode = TSPI_MODE_GRAYSCALE;
    script.planes = 1;
    script.width = script.height = 32000;
    EXPECT_EQ(io.open(files / "bad.prb", &error), nullptr);
    EXPECT_EQ(error, PageFileError::NotEnoughMemory);
}

// --- The shipped format modules --------------------------------------------

void writeNetpbm(const path& file, int width, int height, int planes, int seed) {
    std::ofstream out(file, std::ios::binary);
    out << (planes == 3 ? "P6\n" : "P5\n") << width << " " << height << "\n255\n";
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int p = 0; p < planes; ++p)
                out.put(static_cast<char>(probe::pixel(seed, p, x, y)));
}

// A 24-bit bottom-up BMP with an info header whose resolution fields are 0.
void writeBmpWithoutResolution(const path& file, int width, int height, int seed) {
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> bytes(54 + rowBytes * height, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<std::uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    bytes[26] = 1;
    bytes[28] = 24;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)  // blue, green, red
                bytes[54 + (height - 1 - y) * rowBytes + x * 3 + c] =
                    probe::pixel(seed, 2 - c, x, y);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

struct Format {
    const char* module;
    const char* extension;
    bool lossless;
};

class ShippedFormat : public ::testing::TestWithParam<Format> {
protected:
    void SetUp() override {
        if (!test::fs::exists(shippedModule(GetParam().module)))
            GTEST_SKIP() << shippedModule(GetParam().module) << " is not built";
        rig.install({shippedModule(GetParam().module)});
    }
    path file(const std::string& stem) const { return files / (stem + "." + GetParam().extension); }
    // A smooth picture for lossy formats (the probe picture wraps around
    // every few pixels, which no lossy codec keeps).
    static std::uint8_t smooth(int p, std::int32_t x, std::int32_t y) {
        return static_cast<std::uint8_t>(x + 2 * y + 30 * p);
    }
    std::uint8_t expected(int seed, int p, std::int32_t x, std::int32_t y) const {
        return seed < 0 ? smooth(p, x, y) : probe::pixel(seed, p, x, y);
    }
    // Every sample of the page against the picture (seed < 0: the smooth
    // one): exact for lossless formats, else a mean error below 6 levels
    // and none above 64.
    void expectPicture(const Page& page, int planes, int seed) {
        double total = 0;
        int worst = 0;
        std::size_t count = 0;
        for (int p = 0; p < planes; ++p) {
            const auto got = samples(page, p, page.bounds());
            for (std::int32_t y = 0; y < page.bounds().bottom; ++y) {
                for (std::int32_t x = 0; x < page.bounds().right; ++x) {
                    const int diff =
                        std::abs(got[y * page.bounds().right + x] - expected(seed, p, x, y));
                    if (GetParam().lossless) {
                        ASSERT_EQ(diff, 0) << p << " " << x << "," << y;
                    }
                    total += diff;
                    worst = std::max(worst, diff);
                    ++count;
                }
            }
        }
        EXPECT_LT(total / count, 6.0);
        EXPECT_LE(worst, 64);
    }

    HostRig rig;
    PageFileIO io{rig.host, rig.list, rig.environment()};
    test::TempDir files;
};

TEST_P(ShippedFormat, RoundTripsGreyAndRgbPagesWithTheirResolution) {
    for (const std::int32_t type : {Page::kTypeRgb, Page::kTypeGrey}) {
        auto page = rig.picture(type, 67, 45, 21);
        const int seed = GetParam().lossless ? 21 : -1;
        if (seed < 0) {
            for (int p = 0; p < page->colourPlaneCount(); ++p)
                HostRig::fillPlane(*page, p, page->bounds(),
                                   [p](std::int32_t x, std::int32_t y) { return smooth(p, x, y); });
        }
        page->setResolution(300.0, 300.0);
        const path target = file(type == Page::kTypeRgb ? "rgb" : "grey");
        ASSERT_EQ(io.save(*page, target), PageFileError::None) << target;
        PageFileError error = PageFileError::None;
        auto back = io.open(target, &error);
        ASSERT_NE(back, nullptr) << describePageFileError(error);
        EXPECT_EQ(back->bounds(), (Rect{0, 0, 67, 45}));
        EXPECT_DOUBLE_EQ(back->horizontalResolution(), 300.0);
        EXPECT_DOUBLE_EQ(back->verticalResolution(), 300.0);
        const int planes = type == Page::kTypeRgb ? 3 : 1;
        if (back->colourPlaneCount() == planes) {
            expectPicture(*back, planes, seed);
        } else {
            // A grey page may come back as RGB with three equal planes.
            ASSERT_EQ(back->colourPlaneCount(), 3);
            for (int p = 0; p < 3; ++p)
                EXPECT_EQ(samples(*back, p, back->bounds()), samples(*page, 0, page->bounds()));
        }
    }
}

TEST_P(ShippedFormat, ReadsFilesMadeByImageMagick) {
    const path convert = "/usr/bin/convert";
    if (!test::fs::exists(convert)) GTEST_SKIP() << "ImageMagick's /usr/bin/convert is missing";
    writeNetpbm(files / "source.ppm", 29, 19, 3, 8);
    const path target = file("magick");
    // Planar where the format has it: separate TIFF planes arrive one plane
    // at a time; Adam7 PNG and progressive JPEG take their own decoding.
    const std::string command = convert.native() + " " + (files / "source.ppm").native() +
                                " -interlace Plane -density 300 -units PixelsPerInch -quality 97 " +
                                target.native() + " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    PageFileError error = PageFileError::None;
    auto page = io.open(target, &error);
    ASSERT_NE(page, nullptr) << describePageFileError(error);
    EXPECT_EQ(page->type(), Page::kTypeRgb);
    EXPECT_NEAR(page->horizontalResolution(), 300.0, 0.05);
    expectPicture(*page, 3, 8);
}

INSTANTIATE_TEST_SUITE_P(Modules, ShippedFormat,
                         ::testing::Values(Format{"BMP.8bi", "bmp", true},
                                           Format{"PNG.8bi", "png", true},
                                           Format{"TIFF.8bi", "tif", true},
                                           Format{"JPEG.8bi", "jpg", false}),
                         [](const auto& info) { return std::string(info.param.extension); });

TEST(ShippedBmp, ZeroResolutionReadsAs72AndTheExtensionCaseDoesNotMatter) {
    if (!test::fs::exists(shippedModule("BMP.8bi"))) GTEST_SKIP() << "BMP.8bi is not built";
    HostRig rig;
    rig.install({shippedModule("BMP.8bi")});
    PageFileIO io{rig.host, rig.list, rig.environment()};
    test::TempDir files;
    writeBmpWithoutResolution(files / "NoDensity.BMP", 13, 7, 5);
    PageFileError error = PageFileError::None;
    auto page = io.open(files / "NoDensity.BMP", &error);
    ASSERT_NE(page, nullptr) << describePageFileError(error);
    EXPECT_DOUBLE_EQ(page->horizontalResolution(), 72.0);
    EXPECT_DOUBLE_EQ(page->verticalResolution(), 72.0);
    for (int p = 0; p < 3; ++p) {
        const auto got = samples(*page, p, page->bounds());
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x) ASSERT_EQ(got[y * 13 + x], probe::pixel(5, p, x, y));
    }
}

// Opening a BMP file and saving it again gives the same bytes, for sizes
// that are not multiples of the tile or the band (whole tiles with partial
// ones around them, stored rows padded to four bytes), grey and colour.
TEST(ShippedBmp, OpenAndSaveAgainGiveTheSameFile) {
    if (!test::fs::exists(shippedModule("BMP.8bi"))) GTEST_SKIP() << "BMP.8bi is not built";
    HostRig rig;
    rig.install({shippedModule("BMP.8bi")});
    PageFileIO io{rig.host, rig.list, rig.environment()};
    test::TempDir files;
    for (const std::int32_t type : {Page::kTypeRgb, Page::kTypeGrey}) {
        for (const Rect size : {Rect{0, 0, 1, 1}, Rect{0, 0, 37, 5}, Rect{0, 0, 2801, 260}}) {
            SCOPED_TRACE(testing::Message() << type << ": " << size.right << " x " << size.bottom);
            auto page = rig.picture(type, size.right, size.bottom, 9);
            ASSERT_EQ(io.save(*page, files / "first.bmp"), PageFileError::None);
            auto back = io.open(files / "first.bmp");
            ASSERT_NE(back, nullptr);
            ASSERT_EQ(back->colourPlaneCount(), page->colourPlaneCount());
            for (int p = 0; p < page->colourPlaneCount(); ++p)
                EXPECT_EQ(samples(*back, p, back->bounds()), samples(*page, p, size)) << p;
            ASSERT_EQ(io.save(*back, files / "second.bmp"), PageFileError::None);
            EXPECT_EQ(contentsOf(files / "second.bmp"), contentsOf(files / "first.bmp"));
        }
    }
}

// A photograph that lost its end marker opens as it was, and the module's
// warning naming it comes back once, for the caller to show.
TEST(ShippedJpeg, ADamagedFileOpensWithAWarningNamingIt) {
    if (!test::fs::exists(shippedModule("JPEG.8bi"))) GTEST_SKIP() << "JPEG.8bi is not built";
    HostRig rig;
    rig.install({shippedModule("JPEG.8bi")});
    PageFileIO io{rig.host, rig.list, rig.environment()};
    test::TempDir files;
    const path photo = files / "photo.jpg";
    ASSERT_EQ(io.save(*rig.picture(Page::kTypeRgb, 40, 30, 3), photo), PageFileError::None);
    PageFileError error = PageFileError::None;
    std::string warning = "left over";
    auto whole = io.open(photo, &error, &warning);
    ASSERT_NE(whole, nullptr) << describePageFileError(error);
    EXPECT_EQ(warning, "");
    test::fs::resize_file(photo, test::fs::file_size(photo) - 2);
    auto cut = io.open(photo, &error, &warning);
    ASSERT_NE(cut, nullptr) << describePageFileError(error);
    EXPECT_NE(warning.find("photo.jpg"), std::string::npos) << warning;
    EXPECT_EQ(test::allPlanes(*cut), test::allPlanes(*whole));
}

}  // namespace
}  // namespace tessary
