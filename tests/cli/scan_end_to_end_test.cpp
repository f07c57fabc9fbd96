// tessary-batch --scan and --list-scanners through the source manager
// library built beside it, against SANE's test backend. The test's
// environment (SANE_CONFIG_DIR) enables only that backend. The backend's own
// scan, taken with scanimage, is the reference for sizes and pixels.

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <memory>

#include "cli/batch_engine.h"
#include "cli/batch_test_support.h"
#include "model/page_data.h"

#ifndef TESSARY_BATCH_PROGRAM
#error "TESSARY_BATCH_PROGRAM must name the built tessary-batch"
#endif

namespace tessary::test {
namespace {

// A PNM image as scanimage writes it: P4 (one bit, 1 = black), P5 (grey) or
// P6 (RGB), as planes of one byte per pixel (one bit becomes 0 or 255).
struct Pnm {
    int width = 0;
    int height = 0;
    std::vector<std::vector<std::uint8_t>> planes;
};

// The next header number of a PNM file, skipping white space and comments.
int pnmNumber(std::istream& in) {
    while (in.peek() == '#' || std::isspace(in.peek())) {
        if (in.get() == '#') in.ignore(1 << 20, '\n');
    }
    int value = 0;
    in >> value;
    return value;
}

Pnm readPnm(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic(2, ' ');
    in.read(magic.data(), 2);
    Pnm image;
    image.width = pnmNumber(in);
    image.height = pnmNumber(in);
    if (magic != "P4") pnmNumber(in);  // the maximum sample, 255 here
    in.get();
    const int planes = magic == "P6" ? 3 : 1;
    image.planes.assign(planes, std::vector<std::uint8_t>(std::size_t(image.width) * image.height));
    const std::size_t rowBytes =
        magic == "P4" ? (image.width + 7) / 8 : std::size_t(image.width) * planes;
    std::vector<char> row(rowBytes);
    for (int y = 0; y < image.height && in.read(row.data(), std::streamsize(rowBytes)); ++y) {
        for (int x = 0; x < image.width; ++x) {
            const std::size_t at = std::size_t(y) * image.width + x;
            if (magic == "P4") {
                const bool black = (std::uint8_t(row[x / 8]) >> (7 - x % 8)) & 1;
                image.planes[0][at] = black ? 0 : 255;
            } else {
                for (int p = 0; p < planes; ++p)
                    image.planes[p][at] = std::uint8_t(row[x * planes + p]);
            }
        }
    }
    return image;
}

class ScanEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_folder = std::make_unique<TempDir>();
        installModules(s_folder->path() / "program");
        installModules(s_folder->path() / "reader");
        std::filesystem::create_directories(s_folder->path() / "state");
    }
    static void TearDownTestSuite() { s_folder.reset(); }

    std::filesystem::path file(const std::string& name) const { return s_folder->path() / name; }

    int batch(const std::string& arguments, const std::string& environment = "") {
        const std::string command = "TESSARY_PROGRAM_FOLDER='" +
                                    (s_folder->path() / "program").string() +
                                    "' TESSARY_TWAIN_STATE_DIR='" + file("state").string() + "' " +
                                    environment + " '" + TESSARY_BATCH_PROGRAM "' " + arguments;
        return runCommand(command, m_out, m_err, s_folder->path());
    }

    // The colour planes of an image file.
    std::vector<std::vector<std::uint8_t>> planesOf(const std::filesystem::path& path,
                                                    std::int32_t& type, Rect& bounds) {
        BatchEngine reader(s_folder->path() / "reader");
        std::string error;
        EXPECT_TRUE(reader.start(error)) << error;
        const auto page = reader.files().open(path);
        if (!page) return {};
        type = page->type();
        bounds = page->bounds();
        std::vector<std::vector<std::uint8_t>> planes;
        for (int p = 0; p < page->colourPlaneCount(); ++p) planes.push_back(readPlane(*page, p));
        return planes;
    }

    std::string m_out;
    std::string m_err;
    static std::unique_ptr<TempDir> s_folder;
};

std::unique_ptr<TempDir> ScanEndToEnd::s_folder;

TEST_F(ScanEndToEnd, EachModeGivesTheBackendsOwnImage) {
    const struct {
        const char* mode;
        const char* reference;  // scanimage's options for the same scan
        const char* picture;
        std::int32_t type;
    } cases[] = {
        {"color", "--mode Color --depth 8", "Color pattern", Page::kTypeRgb},
        {"grey", "--mode Gray --depth 8", "Color pattern", Page::kTypeGrey},
        {"lineart", "--mode Gray --depth 1", "Grid", Page::kTypeGrey},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        const std::string output = file(std::string(c.mode) + ".png").string();
        const std::string picture = std::string("'") + c.picture + "'";
        ASSERT_EQ(batch("--scan test:0 --scan-mode " + std::string(c.mode) +
                            " --scan-resolution 50 -o '" + output + "'",
                        "TESSARY_TWAIN_OPTIONS=\"test-picture=" + std::string(c.picture) + "\""),
                  0)
            << m_err;
        const std::filesystem::path reference = file(std::string(c.mode) + ".pnm");
        ASSERT_EQ(runCommand("scanimage -d test:0 " + std::string(c.reference) +
                                 " --resolution 50 --test-picture " + picture +
                                 " --format=pnm --output-file='" + reference.string() + "'",
                             m_out, m_err, s_folder->path()),
                  0)
            << m_err;
        const Pnm expected = readPnm(reference);
        std::int32_t type = 0;
        Rect bounds;
        const auto planes = planesOf(output, type, bounds);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(bounds, (Rect{0, 0, expected.width, expected.height}));
        ASSERT_EQ(planes.size(), expected.planes.size());
        for (std::size_t p = 0; p < planes.size(); ++p)
            EXPECT_TRUE(planes[p] == expected.planes[p])
                << "plane " << p << " differs (line art: white must stay white)";
    }
}

TEST_F(ScanEndToEnd, TheFeederGivesOneFilePerPage) {
    ASSERT_EQ(batch("--scan test:0 --scan-feeder --scan-resolution 25 -o '" +
                    file("page.png").string() + "'"),
              0)
        << m_err;
    for (int page = 1; page <= 10; ++page)
        EXPECT_TRUE(std::filesystem::exists(file("page-" + std::to_string(page) + ".png"))) << page;
    EXPECT_FALSE(std::filesystem::exists(file("page-11.png")));
    EXPECT_FALSE(std::filesystem::exists(file("page.png")));
}

TEST_F(ScanEndToEnd, ScannersAreListedAndAMissingManagerIsASilentNoOp) {
    ASSERT_EQ(batch("--list-scanners"), 0) << m_err;
    EXPECT_EQ(m_out.rfind("test:0\t", 0), 0u) << m_out;
    EXPECT_NE(m_out.find("\ntest:1\t"), std::string::npos) << m_out;

    const std::string nowhere =
        "TESSARY_TWAIN_DSM='" + file("none/libtessary_twain_dsm.so").string() + "'";
    EXPECT_EQ(batch("--scan test:0 -o '" + file("none.png").string() + "'", nowhere), 0);
    EXPECT_EQ(batch("--list-scanners", nowhere), 0);
    EXPECT_EQ(m_out + m_err, "");
    EXPECT_FALSE(std::filesystem::exists(file("none.png")));
}

}  // namespace
}  // namespace tessary::test
