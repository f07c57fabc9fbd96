// tessary-batch run as a program on real files: results equal the engine's
// own commands on the same input, and bad command lines and files fail with
// a message and a non-zero exit.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <regex>
#include <sstream>

#include "cli/batch_engine.h"
#include "cli/batch_operations.h"
#include "cli/batch_test_support.h"
#include "effects/geometry/flip_rotate.h"
#include "effects/tonal/tonal_commands.h"
#include "model/page_data.h"

#ifndef TESSARY_BATCH_PROGRAM
#error "TESSARY_BATCH_PROGRAM must name the built tessary-batch"
#endif

namespace tessary::test {
namespace {

void put16(std::ofstream& out, std::uint32_t v) {
    out.put(char(v & 0xFF));
    out.put(char((v >> 8) & 0xFF));
}
void put32(std::ofstream& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Writes an uncompressed bottom-up BMP: 24 bits for three planes (stored
// blue, green, red), 8 bits with a grey palette for one.
void writeBmp(const std::filesystem::path& path, int width, int height,
              const std::vector<std::vector<std::uint8_t>>& planes) {
    const bool grey = planes.size() == 1;
    const std::uint32_t rowBytes = ((width * (grey ? 1 : 3)) + 3) & ~3u;
    const std::uint32_t paletteBytes = grey ? 1024 : 0;
    const std::uint32_t offset = 14 + 40 + paletteBytes;
    std::ofstream out(path, std::ios::binary);
    out.put('B');
    out.put('M');
    put32(out, offset + rowBytes * height);
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, width);
    put32(out, height);
    put16(out, 1);
    put16(out, grey ? 8 : 24);
    put32(out, 0);
    put32(out, rowBytes * height);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, grey ? 256 : 0);
    put32(out, 0);
    if (grey)
        for (std::uint32_t i = 0; i < 256; ++i) put32(out, i | (i << 8) | (i << 16));
    for (int y = height - 1; y >= 0; --y) {
        std::uint32_t written = 0;
        for (int x = 0; x < width; ++x) {
            const std::size_t i = std::size_t(y) * width + x;
            if (grey) {
                out.put(char(planes[0][i]));
                written += 1;
            } else {
                out.put(char(planes[2][i]));
                out.put(char(planes[1][i]));
                out.put(char(planes[0][i]));
                written += 3;
            }
        }
        for (; written < rowBytes; ++written) out.put(0);
    }
}

std::vector<std::vector<std::uint8_t>> randomPlanes(int count, int width, int height,
                                                    std::uint32_t seed) {
    std::vector<std::vector<std::uint8_t>> planes(count);
    for (auto& plane : planes) {
        plane.resize(std::size_t(width) * height);
        for (auto& s : plane) {
            seed = seed * 1103515245u + 12345u;
            s = std::uint8_t(seed >> 23);
        }
    }
    return planes;
}

class BatchProgramTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_folder = std::make_unique<TempDir>();
        installModules(s_folder->path() / "program");
        installModules(s_folder->path() / "reader");
        s_engine = std::make_unique<BatchEngine>(s_folder->path() / "reader");
        std::string error;
        ASSERT_TRUE(s_engine->start(error)) << error;
    }
    static void TearDownTestSuite() {
        s_engine.reset();
        s_folder.reset();
    }

    std::filesystem::path file(const std::string& name) const { return s_folder->path() / name; }

    // Runs the program with `arguments` (already quoted where needed).
    int batch(const std::string& arguments, const std::string& environment = "") {
        const std::string command = "TESSARY_PROGRAM_FOLDER='" +
                                    (s_folder->path() / "program").string() + "' " + environment +
                                    " '" TESSARY_BATCH_PROGRAM "' " + arguments;
        return runCommand(command, m_out, m_err, s_folder->path());
    }

    std::unique_ptr<Page> open(const std::filesystem::path& path) {
        PageFileError error = PageFileError::None;
        auto page = s_engine->files().open(path, &error);
        EXPECT_TRUE(page) << path << ": " << describePageFileError(error);
        return page;
    }

    std::string m_out;
    std::string m_err;
    static std::unique_ptr<TempDir> s_folder;
    static std::unique_ptr<BatchEngine> s_engine;
};

std::unique_ptr<TempDir> BatchProgramTest::s_folder;
std::unique_ptr<BatchEngine> BatchProgramTest::s_engine;

TEST_F(BatchProgramTest, OperationsOnAFileEqualTheEngineCommands) {
    const auto planes = randomPlanes(3, 37, 23, 5);
    writeBmp(file("in.bmp"), 37, 23, planes);
    ASSERT_EQ(batch("'" + file("in.bmp").string() + "' invert rotate-90 -o '" +
                    file("out.bmp").string() + "'"),
              0)
        << m_err;
    EXPECT_TRUE(m_err.empty()) << m_err;

    auto expected = open(file("in.bmp"));
    ASSERT_TRUE(expected);
    // The input as read equals the hand-written samples.
    for (int p = 0; p < 3; ++p) ASSERT_EQ(readPlane(*expected, p), planes[p]) << p;
    ASSERT_EQ(invertCommand(*expected, s_engine->effectContext()), kErrNone);
    ASSERT_EQ(flipRotate(*expected, kQuarterTurnClockwise, nullptr), kErrNone);
    auto actual = open(file("out.bmp"));
    ASSERT_TRUE(actual);
    EXPECT_EQ(pageDifference(*actual, *expected), "");
}

// A pencil line from (0, 0) to (10, 3): one pixel per column x in the
// foreground, the one within half a pixel of y = 3x / 10 (at x = 5 both 1
// and 2 are), and nothing else.
TEST_F(BatchProgramTest, PencilLinePaintsOnePixelPerColumnInTheForeground) {
    const int width = 20;
    const int height = 8;
    writeBmp(
        file("white.bmp"), width, height,
        std::vector<std::vector<std::uint8_t>>(3, std::vector<std::uint8_t>(width * height, 255)));
    ASSERT_EQ(
        batch("'" + file("white.bmp").string() + "' --foreground=ff8000 tool=pencil,0,0,10,3 -o '" +
              file("line.bmp").string() + "'"),
        0)
        << m_err;
    auto page = open(file("line.bmp"));
    ASSERT_TRUE(page);
    const std::uint8_t foreground[3] = {0xFF, 0x80, 0x00};
    const std::vector<std::uint8_t> planes[3] = {readPlane(*page, 0), readPlane(*page, 1),
                                                 readPlane(*page, 2)};
    int painted = 0;
    for (int x = 0; x < width; ++x) {
        int inColumn = 0;
        for (int y = 0; y < height; ++y) {
            const std::size_t i = std::size_t(y) * width + x;
            const bool white = planes[0][i] == 255 && planes[1][i] == 255 && planes[2][i] == 255;
            if (white) continue;
            for (int p = 0; p < 3; ++p) EXPECT_EQ(planes[p][i], foreground[p]) << x << "," << y;
            EXPECT_LE(std::abs(10 * y - 3 * x), 5) << "off the line at " << x << "," << y;
            ++inColumn;
        }
        EXPECT_EQ(inColumn, x <= 10 ? 1 : 0) << "column " << x;
        painted += inColumn;
    }
    EXPECT_EQ(painted, 11);
}

TEST_F(BatchProgramTest, GreyImagesStayGreyAndPlugInsRunByName) {
    const auto planes = randomPlanes(1, 19, 31, 9);
    writeBmp(file("grey.bmp"), 19, 31, planes);
    ASSERT_EQ(batch("'" + file("grey.bmp").string() + "' plugin=Posterize -o '" +
                        file("poster.bmp").string() + "'",
                    "TESSARY_POSTERIZE_LEVELS=2"),
              0)
        << m_err;
    auto page = open(file("poster.bmp"));
    ASSERT_TRUE(page);
    EXPECT_EQ(page->type(), Page::kTypeGrey);
    const auto out = readPlane(*page, 0);
    ASSERT_EQ(out.size(), planes[0].size());
    for (std::size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], planes[0][i] < 128 ? 0 : 255) << i;
}

TEST_F(BatchProgramTest, ImportWithoutInputThenPosterizeAndExport) {
    const auto planes = randomPlanes(3, 23, 14, 5);
    writeBmp(file("source.bmp"), 23, 14, planes);
    auto source = open(file("source.bmp"));
    ASSERT_TRUE(source);
    ASSERT_EQ(s_engine->files().save(*source, file("source.tif")), PageFileError::None);

    ASSERT_EQ(batch("'import=TIFF Pages," + file("source.tif").string() +
                    "' plugin=Posterize,levels=2 'export=Web JPEG," + file("web.jpg").string() +
                    ",limit=50' -o '" + file("imported.bmp").string() + "'"),
              0)
        << m_err;
    EXPECT_TRUE(std::filesystem::exists(file("web.jpg")));
    auto page = open(file("imported.bmp"));
    ASSERT_TRUE(page);
    for (int p = 0; p < 3; ++p) {
        const auto out = readPlane(*page, p);
        ASSERT_EQ(out.size(), planes[p].size());
        for (std::size_t i = 0; i < out.size(); ++i)
            ASSERT_EQ(out[i], planes[p][i] < 128 ? 0 : 255) << p << ":" << i;
    }
    // An import that fails leaves nothing to save.
    EXPECT_EQ(batch("'import=TIFF Pages," + file("absent.tif").string() + "' -o '" +
                    file("never.bmp").string() + "'"),
              1);
    EXPECT_FALSE(std::filesystem::exists(file("never.bmp")));
}

TEST_F(BatchProgramTest, TimeOptionPrintsOneLinePerPhase) {
    writeBmp(file("t.bmp"), 16, 16, randomPlanes(3, 16, 16, 1));
    ASSERT_EQ(batch("--time '" + file("t.bmp").string() + "' invert blur-sharpen=-1 -o '" +
                    file("t2.bmp").string() + "'"),
              0)
        << m_err;
    std::istringstream lines(m_out);
    std::vector<std::string> labels;
    const std::regex format(R"(^(\S+) +([0-9]+\.[0-9]{6}) s$)");
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, format)) << "'" << line << "'";
        labels.push_back(match[1]);
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"start", "load", "invert", "blur-sharpen=-1",
                                                "save", "total"}));
}

TEST_F(BatchProgramTest, HelpListsEveryOperation) {
    ASSERT_EQ(batch("--help"), 0);
    for (const BatchOperationInfo& info : batchOperationTable())
        EXPECT_NE(m_out.find(std::string(info.form)), std::string::npos) << info.form;
    EXPECT_NE(m_out.find("Usage: tessary-batch"), std::string::npos);
}

TEST_F(BatchProgramTest, BadCommandLinesExitWithTwoAndSayWhy) {
    writeBmp(file("ok.bmp"), 4, 4, randomPlanes(3, 4, 4, 2));
    const std::string in = "'" + file("ok.bmp").string() + "' ";
    const std::string out = " -o '" + file("never.bmp").string() + "'";
    const std::pair<std::string, std::string> cases[] = {
        {in + "invert", "no output file"},
        {in + "sharpen" + out, "unknown operation 'sharpen'"},
        {in + "blur-sharpen=99" + out, "blur-sharpen=99"},
        {"--opacity=300 " + in + out, "opacity"},
        {"--bogus " + in + out, "unknown option '--bogus'"},
    };
    for (const auto& [arguments, message] : cases) {
        EXPECT_EQ(batch(arguments), 2) << arguments;
        EXPECT_NE(m_err.find(message), std::string::npos) << arguments << ": " << m_err;
        EXPECT_FALSE(std::filesystem::exists(file("never.bmp"))) << arguments;
    }
}

TEST_F(BatchProgramTest, MissingUnreadableAndUnwritableFilesExitWithOne) {
    writeBmp(file("good.bmp"), 4, 4, randomPlanes(1, 4, 4, 3));
    {
        std::ofstream junk(file("junk.bmp"), std::ios::binary);
        junk << "this is not an image at all";
    }
    const std::string never = " -o '" + file("never.bmp").string() + "'";
    EXPECT_EQ(batch("'" + file("absent.bmp").string() + "' invert" + never), 1);
    EXPECT_NE(m_err.find("no such file"), std::string::npos) << m_err;
    EXPECT_EQ(batch("'" + file("junk.bmp").string() + "' invert" + never), 1);
    EXPECT_NE(m_err.find("cannot open"), std::string::npos) << m_err;
    EXPECT_EQ(
        batch("'" + file("good.bmp").string() + "' invert -o '" + file("out.xyz").string() + "'"),
        1);
    EXPECT_NE(m_err.find("cannot save"), std::string::npos) << m_err;
    EXPECT_FALSE(std::filesystem::exists(file("out.xyz")));
    // An operation the engine refuses: nothing is saved.
    EXPECT_EQ(batch("'" + file("good.bmp").string() + "' color-variations=1,2,3" + never), 1);
    EXPECT_NE(m_err.find("nothing saved"), std::string::npos) << m_err;
    EXPECT_FALSE(std::filesystem::exists(file("never.bmp")));
    // A plug-in filter that is not there.
    EXPECT_EQ(batch("'" + file("good.bmp").string() + "' 'plugin=Nothing Here'" + never), 1);
    EXPECT_NE(m_err.find("Nothing Here"), std::string::npos) << m_err;
    // One whose module cannot be loaded.
    const std::filesystem::path broken = file("program") / "QSStuff" / "Plugins" / "Broken.8bf";
    std::ofstream(broken) << "not a library";
    EXPECT_EQ(batch("'" + file("good.bmp").string() + "' plugin=Broken" + never), 1);
    std::filesystem::remove(broken);
    EXPECT_NE(m_err.find("The plug-in module could not be loaded."), std::string::npos) << m_err;
    EXPECT_FALSE(std::filesystem::exists(file("never.bmp")));
}

TEST_F(BatchProgramTest, ADamagedPhotoIsUsedAfterAWarning) {
    writeBmp(file("photo.bmp"), 16, 16, randomPlanes(3, 16, 16, 5));
    const std::string photo = file("photo.jpg").string();
    ASSERT_EQ(batch("'" + file("photo.bmp").string() + "' invert -o '" + photo + "'"), 0) << m_err;
    std::filesystem::resize_file(photo, std::filesystem::file_size(photo) - 2);
    EXPECT_EQ(batch("'" + photo + "' invert -o '" + file("kept.bmp").string() + "'"), 0) << m_err;
    EXPECT_NE(m_err.find("warning: '" + photo + "'"), std::string::npos) << m_err;
    EXPECT_TRUE(std::filesystem::exists(file("kept.bmp")));
}

}  // namespace
}  // namespace tessary::test
