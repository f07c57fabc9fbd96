#include "render_test_support.h"

#include <fstream>
#include <random>
#include <sstream>

namespace tessary::test {

void writePpm(const std::filesystem::path& path, const Image32& image) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "P6\n" << image.width << " " << image.height << "\n255\n";
    for (const std::uint32_t p : image.pixels) {
        const char rgb[3] = {static_cast<char>((p >> 16) & 0xFF),
                             static_cast<char>((p >> 8) & 0xFF), static_cast<char>(p & 0xFF)};
        out.write(rgb, 3);
    }
}

bool expectSameImage(const Image32& actual, const Image32& expected, const std::string& name) {
    if (actual.width == expected.width && actual.height == expected.height &&
        actual.pixels == expected.pixels) {
        return true;
    }
    std::ostringstream detail;
    detail << name << ": actual " << actual.width << "x" << actual.height << ", expected "
           << expected.width << "x" << expected.height;
    if (actual.pixels.size() == expected.pixels.size()) {
        for (std::size_t i = 0; i < actual.pixels.size(); ++i) {
            if (actual.pixels[i] == expected.pixels[i]) continue;
            detail << "; first difference at device x "
                   << expected.originX + static_cast<std::int64_t>(i % expected.width) << ", y "
                   << expected.originY + static_cast<std::int64_t>(i / expected.width) << ": 0x"
                   << std::hex << actual.pixels[i] << " instead of 0x" << expected.pixels[i]
                   << std::dec;
            break;
        }
    }
    const std::filesystem::path folder = "render_failures";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    writePpm(folder / (name + "-actual.ppm"), actual);
    writePpm(folder / (name + "-expected.ppm"), expected);
    ADD_FAILURE() << detail.str() << " (images written to " << folder << ")";
    return false;
}

Bytes randomBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes out(count);
    for (auto& v : out) v = static_cast<std::uint8_t>(random());
    return out;
}

void PageRig::create(std::int32_t width, std::int32_t height, const std::vector<Bytes>& planes,
                     std::uint8_t fill) {
    const std::vector<std::uint8_t> fills(planes.size(), fill);
    ASSERT_TRUE(m_data.create(static_cast<int>(planes.size()), width, height, fills.data()));
    for (std::size_t p = 0; p < planes.size(); ++p) {
        if (!planes[p].empty()) writePlane(static_cast<int>(p), planes[p]);
    }
}

void PageRig::writePlane(int plane, const Bytes& samples) {
    const std::int32_t width = m_data.width();
    ASSERT_EQ(samples.size(), static_cast<std::size_t>(width) * m_data.height());
    for (std::int32_t y = 0; y < m_data.height(); ++y) {
        ASSERT_TRUE(m_data.writeRow(plane, 0, y, width,
                                    samples.data() + static_cast<std::size_t>(y) * width));
    }
}

}  // namespace tessary::test
