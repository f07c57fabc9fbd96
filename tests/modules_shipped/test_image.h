#pragma once

// Images, files and reference tools shared by the tests of the shipped
// modules.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/byte_source.h"
#include "common/raster.h"

namespace tessary::test {

using modules::CodecStatus;
using modules::PixelKind;

// Interleaved 8-bit samples, rows top down without padding.
struct Image {
    std::int32_t width = 0;
    std::int32_t height = 0;
    int channels = 1;
    std::vector<std::uint8_t> pixels;

    Image() = default;
    Image(std::int32_t w, std::int32_t h, int c)
        : width(w), height(h), channels(c), pixels(static_cast<std::size_t>(w) * h * c) {}
    std::size_t rowBytes() const { return static_cast<std::size_t>(width) * channels; }
    std::uint8_t& at(std::int32_t x, std::int32_t y, int c = 0) {
        return pixels[(static_cast<std::size_t>(y) * width + x) * channels + c];
    }
    std::uint8_t at(std::int32_t x, std::int32_t y, int c = 0) const {
        return pixels[(static_cast<std::size_t>(y) * width + x) * channels + c];
    }
    friend bool operator==(const Image&, const Image&) = default;
};

// Deterministic pseudo-random samples (every value occurs), and a smooth
// picture that lossy coding keeps close.
Image noiseImage(std::int32_t width, std::int32_t height, int channels, std::uint32_t seed);
Image smoothImage(std::int32_t width, std::int32_t height, int channels);

// Decodes every band of `reader`. Fails the test when the bands do not cover
// each sample exactly once or lie outside the image.
CodecStatus decodeAll(modules::RasterReader& reader, Image* image);

// Reads every band of `reader` into one band buffer and drops it: the
// status of the first failure, or Ok. For images too large to keep.
CodecStatus drainBands(modules::RasterReader& reader);

// Runs `body` in a forked child whose address space may grow by at most
// `headroom` bytes beyond what it has, and waits for it: the child's exit
// status (body's result, 0 to 255), or minus the signal that ended it (an
// allocation beyond the limit that nothing caught ends in SIGABRT). False
// (the test should skip) under AddressSanitizer, whose shadow memory
// cannot live under such a limit.
bool addressLimitUsable();
int runUnderAddressLimit(std::size_t headroom, const std::function<int()>& body);

// Feeds `image` to `writer` in bands of `bandHeight` rows, in the order the
// writer asks for, and finishes the file.
CodecStatus encodeAll(std::unique_ptr<modules::RasterWriter> writer, const Image& image,
                      modules::PixelKind kind, std::int32_t bandHeight = 64);

// Fails the test when the images differ; the two images are then written as
// PNM files into "modules_shipped_failures" in the working folder.
void expectSameImage(const Image& actual, const Image& expected, const std::string& name);
// The largest absolute difference of two images of the same shape.
int maxDifference(const Image& a, const Image& b);

std::vector<std::uint8_t> readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// Binary PGM (1 channel) or PPM (3 channels).
void writePnm(const std::filesystem::path& path, const Image& image);
Image readPnm(const std::filesystem::path& path);

// A source over bytes it owns, and one over a file.
std::unique_ptr<modules::ByteSource> memorySource(std::vector<std::uint8_t> bytes);
std::unique_ptr<modules::ByteSource> fileSource(const std::filesystem::path& path);
// A new empty file opened for writing.
modules::UniqueFd createFile(const std::filesystem::path& path);

// ImageMagick's convert from the Debian package; tests that need it skip
// when it is missing.
bool haveImageMagick();
// Runs /usr/bin/convert with `arguments`; true when it succeeded.
bool runImageMagick(const std::vector<std::string>& arguments);

// Little-endian byte assembly for hand-made files.
struct Bytes {
    std::vector<std::uint8_t> data;
    Bytes& u8(unsigned v);
    Bytes& u16(unsigned v);
    Bytes& u32(std::uint32_t v);
    Bytes& bytes(const std::vector<std::uint8_t>& more);
    Bytes& text(const char* chars);
    std::size_t size() const { return data.size(); }
};

}  // namespace tessary::test
