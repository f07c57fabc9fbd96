// BMP files of any content: the reader of the shipped BMP module either
// refuses a file or delivers every row of the image exactly once, and never
// reads or writes outside the input and its buffers.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "bmp/bmp_reader.h"
#include "common/byte_source.h"

namespace {

// Small inputs keep each run fast; real BMP headers are at most 138 bytes
// before the palette.
constexpr std::size_t kMaxInput = 64 * 1024;
// A few bytes of run-length data can describe a huge image of index 0;
// filling it proves nothing more than filling a small one.
constexpr std::int64_t kMaxPixels = 4 * 1024 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessary::modules;
    if (size > kMaxInput) return 0;
    std::unique_ptr<BmpReader> reader;
    if (BmpReader::open(
            std::make_unique<MemoryByteSource>(std::span<const std::uint8_t>(data, size)),
            &reader) != CodecStatus::Ok)
        return 0;
    const RasterInfo& info = reader->info();
    if (info.width < 1 || info.height < 1 || info.width > kMaxImageDimension ||
        info.height > kMaxImageDimension)
        std::abort();
    if (static_cast<std::int64_t>(info.width) * info.height > kMaxPixels) return 0;

    std::vector<std::uint8_t> band(info.rowBytes() *
                                   static_cast<std::size_t>(reader->bandHeight()));
    std::vector<std::uint8_t> seen(static_cast<std::size_t>(info.height), 0);
    for (;;) {
        BandRows rows;
        if (reader->readBand(band.data(), info.rowBytes(), &rows) != CodecStatus::Ok) return 0;
        if (rows.rowCount == 0) break;
        if (rows.rowCount < 0 || rows.rowCount > reader->bandHeight() || rows.firstRow < 0 ||
            rows.firstRow + rows.rowCount > info.height)
            std::abort();
        for (std::int32_t r = 0; r < rows.rowCount; ++r)
            if (seen[static_cast<std::size_t>(rows.firstRow + r)]++ != 0) std::abort();
    }
    for (std::uint8_t count : seen)
        if (count != 1) std::abort();
    return 0;
}
