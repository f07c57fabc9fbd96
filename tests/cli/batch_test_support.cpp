#include "cli/batch_test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "model/page_data.h"

#ifndef TESSARY_PLUGIN_DIR
#error "TESSARY_PLUGIN_DIR must name the folder of the shipped modules"
#endif

namespace tessary::test {

void installModules(const std::filesystem::path& root) {
    const std::filesystem::path plugins = root / "QSStuff" / "Plugins";
    std::filesystem::create_directories(plugins);
    for (const auto& entry : std::filesystem::directory_iterator(TESSARY_PLUGIN_DIR)) {
        if (!entry.is_regular_file()) continue;
        std::filesystem::copy_file(entry.path(), plugins / entry.path().filename(),
                                   std::filesystem::copy_options::overwrite_existing);
    }
}

void fillPage(Page& page, std::int32_t type, std::int32_t width, std::int32_t height,
              std::uint32_t seed) {
    const int planes = type == Page::kTypeGrey ? 1 : 3;
    ASSERT_TRUE(page.shapeWhite(type, width, height, planes));
    std::uint32_t state = seed * 2654435761u + 1;
    for (int p = 0; p < planes; ++p) {
        std::vector<std::uint8_t> samples(static_cast<std::size_t>(width) * height);
        for (auto& s : samples) {
            state = state * 1664525u + 1013904223u;
            s = static_cast<std::uint8_t>(state >> 24);
        }
        writePlane(page, p, samples);
    }
}

void writePlane(Page& page, int plane, const std::vector<std::uint8_t>& samples) {
    const Rect b = page.bounds();
    ASSERT_EQ(samples.size(), static_cast<std::size_t>(b.width()) * b.height());
    for (std::int32_t y = 0; y < b.height(); ++y)
        ASSERT_TRUE(page.pageData()->writeRow(plane, 0, y, b.width(),
                                              samples.data() + std::size_t(y) * b.width()));
}

std::vector<std::uint8_t> readPlane(const Page& page, int plane, Rect area) {
    if (area.empty()) area = page.bounds();
    std::vector<std::uint8_t> samples(static_cast<std::size_t>(area.width()) * area.height());
    for (std::int32_t y = area.top; y < area.bottom; ++y)
        page.pageData()->readRow(plane, area.left, y, area.width(),
                                 samples.data() + std::size_t(y - area.top) * area.width());
    return samples;
}

std::string pageDifference(const Page& a, const Page& b) {
    std::ostringstream out;
    if (a.type() != b.type())
        out << "type " << a.type() << " vs " << b.type();
    else if (!(a.bounds() == b.bounds()))
        out << "size " << a.bounds().width() << "x" << a.bounds().height() << " vs "
            << b.bounds().width() << "x" << b.bounds().height();
    else if (a.planeCount() != b.planeCount())
        out << "planes " << a.planeCount() << " vs " << b.planeCount();
    else if (!(a.storedSelectionRect() == b.storedSelectionRect()))
        out << "selection rectangle differs";
    else if (a.horizontalResolution() != b.horizontalResolution() ||
             a.verticalResolution() != b.verticalResolution())
        out << "resolution differs";
    if (!out.str().empty()) return out.str();
    for (int p = 0; p < a.planeCount(); ++p) {
        // Floating planes keep their own origins: compare them over the
        // selection rectangle, the image planes over the image.
        const Rect area = p > a.colourPlaneCount() ? a.storedSelectionRect() : a.bounds();
        const auto pa = readPlane(a, p, area);
        const auto pb = readPlane(b, p, area);
        for (std::size_t i = 0; i < pa.size(); ++i) {
            if (pa[i] != pb[i]) {
                out << "plane " << p << " sample " << i << ": " << int(pa[i]) << " vs "
                    << int(pb[i]);
                return out.str();
            }
        }
    }
    return {};
}

int runCommand(const std::string& command, std::string& out, std::string& err,
               const std::filesystem::path& scratch) {
    const std::filesystem::path outFile = scratch / "stdout.txt";
    const std::filesystem::path errFile = scratch / "stderr.txt";
    const std::string line = command + " >'" + outFile.string() + "' 2>'" + errFile.string() + "'";
    const int status = std::system(line.c_str());
    const auto slurp = [](const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    };
    out = slurp(outFile);
    err = slurp(errFile);
    if (status == -1 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

}  // namespace tessary::test
