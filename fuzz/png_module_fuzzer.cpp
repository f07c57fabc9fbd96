// PNG files of any content opened with the PNG module through its entry
// point, as the editor opens files (module_host.h). Each chunk's CRC is made
// right before the file is handed over: libpng refuses a chunk whose CRC is
// wrong, which would keep the fuzzer from ever changing a header field.

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "module_host.h"

TSPI_ENTRY void TSPI_CALL PluginMain(int16_t selector, void* block, intptr_t* data,
                                     TsPiResult* result);

namespace {

constexpr std::size_t kMaxInput = 64 * 1024;
constexpr std::size_t kSignatureBytes = 8;

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// Rewrites the CRC of every whole chunk after the signature; a chunk cut
// short by the end of the file is left as it is.
void fixChunkCrcs(std::vector<std::uint8_t>& file) {
    std::size_t at = kSignatureBytes;
    while (file.size() - at >= 12) {
        const std::uint64_t length = bigEndian32(&file[at]);
        if (length > file.size() - at - 12) break;
        const std::size_t crcAt = at + 8 + static_cast<std::size_t>(length);
        const uLong crc = ::crc32(0L, &file[at + 4], static_cast<uInt>(length + 4));
        for (int i = 0; i < 4; ++i)
            file[crcAt + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        at = crcAt + 4;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInput || size < kSignatureBytes) return 0;
    std::vector<std::uint8_t> file(data, data + size);
    fixChunkCrcs(file);
    tessary::fuzz::readWithFormatModule(PluginMain, file);
    return 0;
}
