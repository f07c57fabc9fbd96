#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessary::modules {

// Turns the rows of an 8-bit image into the compressed image data of a PNG
// file (what its IDAT chunks carry): each row is filtered, with the filter
// of the smallest sum of absolute differences or with none (palette
// images), and the filtered rows are deflated into one zlib stream in blocks
// of kBlockBytes. Each block is compressed on its own, with the 32 KiB before
// it as its dictionary, so blocks compress on several threads at once and
// the stream is the same for every thread count.
class PngEncoder {
public:
    static constexpr std::size_t kBlockBytes = 256 << 10;

    // `rowBytes` bytes a row, `pixelBytes` bytes a pixel (the filters' left
    // neighbour); `threads` 1 or more.
    PngEncoder(std::size_t rowBytes, int pixelBytes, bool adaptiveFilters, int level, int threads);

    // Filters and compresses `count` rows, `stride` bytes apart, appending
    // the compressed bytes that are ready to `out`. False when zlib fails
    // (out of memory).
    bool addRows(const std::uint8_t* source, std::size_t stride, std::int32_t count,
                 std::vector<std::uint8_t>& out);
    // After the last row: appends the rest of the stream with its checksum.
    bool finish(std::vector<std::uint8_t>& out);

    // The filtered form of one row (type byte first, `rowBytes` + 1 bytes
    // at `out`); `previous` is the row above, null for the first row.
    // `scratch` holds 4 × `rowBytes` bytes.
    static void filterRow(const std::uint8_t* row, const std::uint8_t* previous,
                          std::size_t rowBytes, int pixelBytes, bool adaptive,
                          std::uint8_t* scratch, std::uint8_t* out);

private:
    struct Block {
        std::vector<std::uint8_t> compressed;
        std::uint32_t adler = 1;
        bool ok = true;
    };
    // Compresses the first `count` whole blocks of the pending bytes (and,
    // with `last`, the rest as the stream's final block) and appends them.
    bool compressPending(std::size_t count, bool last, std::vector<std::uint8_t>& out);
    void compressBlock(const std::uint8_t* data, std::size_t size, const std::uint8_t* dictionary,
                       std::size_t dictionarySize, bool last, Block& block) const;

    std::size_t m_rowBytes;
    int m_pixelBytes;
    bool m_adaptive;
    int m_level;
    int m_threads;
    std::vector<std::uint8_t> m_previousRow;  // raw, empty before the first row
    std::vector<std::uint8_t> m_pending;      // filtered, not yet compressed
    std::vector<std::uint8_t> m_history;      // the 32 KiB before m_pending
    std::uint32_t m_adler = 1;
    bool m_headerWritten = false;
};

}  // namespace tessary::modules
