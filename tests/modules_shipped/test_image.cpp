#include "modules_shipped/test_image.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "common/write_session.h"

namespace tessary::test {

namespace {

class OwnedMemorySource final : public modules::ByteSource {
public:
    explicit OwnedMemorySource(std::vector<std::uint8_t> bytes)
        : m_bytes(std::move(bytes)), m_view(m_bytes) {}
    std::uint64_t size() const override { return m_view.size(); }
    CodecStatus readAt(std::uint64_t offset, void* destination, std::size_t count,
                       std::size_t* copied) override {
        return m_view.readAt(offset, destination, count, copied);
    }

private:
    std::vector<std::uint8_t> m_bytes;
    modules::MemoryByteSource m_view;
};

}  // namespace

Image noiseImage(std::int32_t width, std::int32_t height, int channels, std::uint32_t seed) {
    Image image(width, height, channels);
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::uint8_t& sample : image.pixels) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        sample = static_cast<std::uint8_t>(state >> 24);
    }
    return image;
}

Image smoothImage(std::int32_t width, std::int32_t height, int channels) {
    Image image(width, height, channels);
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c)
                image.at(x, y, c) = static_cast<std::uint8_t>(
                    127.5 + 100.0 * std::sin(0.05 * x + 0.9 * c) * std::cos(0.04 * y - 0.5 * c));
    return image;
}

CodecStatus decodeAll(modules::RasterReader& reader, Image* image) {
    const modules::RasterInfo& info = reader.info();
    const int channels = info.channels();
    *image = Image(info.width, info.height, channels);
    std::vector<int> seen(image->pixels.size(), 0);
    // A stride wider than the band asks for.
    const std::size_t rowBytes = static_cast<std::size_t>(reader.bandWidth()) * channels + 7;
    std::vector<std::uint8_t> band(rowBytes * static_cast<std::size_t>(reader.bandHeight()));
    for (;;) {
        modules::BandRows rows;
        const CodecStatus status = reader.readBand(band.data(), rowBytes, &rows);
        if (status != CodecStatus::Ok) return status;
        if (rows.rowCount == 0) break;
        const std::int32_t columns = rows.columns(info.width);
        const int samples = rows.samplesPerPixel(channels);
        const bool inside = rows.firstRow >= 0 && rows.rowCount <= reader.bandHeight() &&
                            rows.firstRow + rows.rowCount <= info.height && rows.firstColumn >= 0 &&
                            columns >= 1 && columns <= reader.bandWidth() &&
                            rows.firstColumn + columns <= info.width && rows.channel < channels;
        EXPECT_TRUE(inside) << "band at row " << rows.firstRow << ", column " << rows.firstColumn;
        if (!inside) return CodecStatus::Corrupt;
        for (std::int32_t r = 0; r < rows.rowCount; ++r)
            for (std::int32_t x = 0; x < columns; ++x)
                for (int s = 0; s < samples; ++s) {
                    const int c = rows.channel >= 0 ? rows.channel : s;
                    const std::int32_t y = rows.firstRow + r;
                    const std::int32_t column = rows.firstColumn + x;
                    ++seen[(static_cast<std::size_t>(y) * info.width + column) * channels + c];
                    image->at(column, y, c) = band[r * rowBytes + x * samples + s];
                }
    }
    const auto wrong = std::find_if(seen.begin(), seen.end(), [](int n) { return n != 1; });
    EXPECT_TRUE(wrong == seen.end()) << "sample " << (wrong - seen.begin()) << " decoded "
                                     << (wrong == seen.end() ? 1 : *wrong) << " times";
    return CodecStatus::Ok;
}

CodecStatus drainBands(modules::RasterReader& reader) {
    std::vector<std::uint8_t> band(reader.bandBytes());
    const std::size_t rowBytes =
        static_cast<std::size_t>(reader.bandWidth()) * reader.info().channels();
    for (;;) {
        modules::BandRows rows;
        const CodecStatus status = reader.readBand(band.data(), rowBytes, &rows);
        if (status != CodecStatus::Ok || rows.rowCount == 0) return status;
    }
}

bool addressLimitUsable() {
#if defined(__SANITIZE_ADDRESS__)
    return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return false;
#else
    return true;
#endif
#else
    return true;
#endif
}

int runUnderAddressLimit(std::size_t headroom, const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        // The first field of statm is the address space in pages.
        unsigned long pages = 0;
        std::FILE* statm = std::fopen("/proc/self/statm", "r");
        if (statm == nullptr || std::fscanf(statm, "%lu", &pages) != 1) ::_exit(255);
        std::fclose(statm);
        const rlim_t limit =
            static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + headroom;
        const struct rlimit bounds = {limit, limit};
        if (::setrlimit(RLIMIT_AS, &bounds) != 0) ::_exit(255);
        ::_exit(body() & 0xFF);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return -1000;
    if (WIFSIGNALED(status)) return -WTERMSIG(status);
    return WEXITSTATUS(status);
}

CodecStatus encodeAll(std::unique_ptr<modules::RasterWriter> writer, const Image& image,
                      modules::PixelKind kind, std::int32_t bandHeight) {
    modules::RasterInfo info;
    info.width = image.width;
    info.height = image.height;
    info.kind = kind;
    modules::WriteSession session(std::move(writer), info, bandHeight);
    while (!session.complete()) {
        const modules::BandRows rows = session.nextRequest();
        const CodecStatus status = session.consume(
            image.pixels.data() + rows.firstRow * image.rowBytes(), image.rowBytes());
        if (status != CodecStatus::Ok) return status;
    }
    return CodecStatus::Ok;
}

int maxDifference(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height || a.channels != b.channels) return 256;
    int worst = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        worst = std::max(worst, std::abs(int(a.pixels[i]) - int(b.pixels[i])));
    return worst;
}

void expectSameImage(const Image& actual, const Image& expected, const std::string& name) {
    if (actual == expected) return;
    std::ostringstream detail;
    detail << name << ": actual " << actual.width << "x" << actual.height << "x" << actual.channels
           << ", expected " << expected.width << "x" << expected.height << "x" << expected.channels;
    if (actual.pixels.size() == expected.pixels.size()) {
        for (std::size_t i = 0; i < actual.pixels.size(); ++i) {
            if (actual.pixels[i] == expected.pixels[i]) continue;
            const std::size_t pixel = i / static_cast<std::size_t>(expected.channels);
            detail << "; first difference at x " << pixel % expected.width << ", y "
                   << pixel / expected.width << ", channel " << i % expected.channels << ": "
                   << int(actual.pixels[i]) << " instead of " << int(expected.pixels[i]);
            break;
        }
    }
    const std::filesystem::path folder = "modules_shipped_failures";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    if (actual.channels == 1 || actual.channels == 3)
        writePnm(folder / (name + "-actual.pnm"), actual);
    writePnm(folder / (name + "-expected.pnm"), expected);
    ADD_FAILURE() << detail.str() << " (images written to " << folder << ")";
}

std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

void writePnm(const std::filesystem::path& path, const Image& image) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << (image.channels == 1 ? "P5" : "P6") << "\n"
        << image.width << " " << image.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(image.pixels.data()),
              static_cast<std::streamsize>(image.pixels.size()));
}

Image readPnm(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int width = 0;
    int height = 0;
    int maximum = 0;
    in >> magic >> width >> height >> maximum;
    in.get();
    if ((magic != "P5" && magic != "P6") || maximum != 255 || width <= 0 || height <= 0)
        return Image();
    Image image(width, height, magic == "P5" ? 1 : 3);
    in.read(reinterpret_cast<char*>(image.pixels.data()),
            static_cast<std::streamsize>(image.pixels.size()));
    return in ? image : Image();
}

std::unique_ptr<modules::ByteSource> memorySource(std::vector<std::uint8_t> bytes) {
    return std::make_unique<OwnedMemorySource>(std::move(bytes));
}

std::unique_ptr<modules::ByteSource> fileSource(const std::filesystem::path& path) {
    std::unique_ptr<modules::FdByteSource> source;
    if (modules::FdByteSource::openPath(path.c_str(), &source) != CodecStatus::Ok) return nullptr;
    return source;
}

modules::UniqueFd createFile(const std::filesystem::path& path) {
    return modules::UniqueFd(::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
}

bool haveImageMagick() {
    return ::access("/usr/bin/convert", X_OK) == 0;
}

bool runImageMagick(const std::vector<std::string>& arguments) {
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>("/usr/bin/convert"));
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

Bytes& Bytes::u8(unsigned v) {
    data.push_back(static_cast<std::uint8_t>(v));
    return *this;
}
Bytes& Bytes::u16(unsigned v) {
    return u8(v & 0xFF).u8((v >> 8) & 0xFF);
}
Bytes& Bytes::u32(std::uint32_t v) {
    return u16(v & 0xFFFF).u16(v >> 16);
}
Bytes& Bytes::bytes(const std::vector<std::uint8_t>& more) {
    data.insert(data.end(), more.begin(), more.end());
    return *this;
}
Bytes& Bytes::text(const char* chars) {
    while (*chars != '\0') u8(static_cast<unsigned char>(*chars++));
    return *this;
}

}  // namespace tessary::test
