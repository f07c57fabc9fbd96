#include "png/png_encoder.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "common/parallel_jobs.h"

namespace tessary::modules {

namespace {

constexpr std::size_t kWindow = 32 << 10;

std::uint8_t paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
    return static_cast<std::uint8_t>(pb <= pc ? b : c);
}

// The sum of the filtered bytes read as signed values, in magnitude.
std::uint64_t costOf(const std::uint8_t* bytes, std::size_t size) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < size; ++i) sum += bytes[i] < 128 ? bytes[i] : 256 - bytes[i];
    return sum;
}

// The zlib header for a 32 KiB window, with the level's hint.
void putHeader(int level, std::vector<std::uint8_t>& out) {
    const unsigned cmf = 0x78;
    const unsigned hint = level <= 1 ? 0 : level <= 5 ? 1 : level == 6 ? 2 : 3;
    unsigned flg = hint << 6;
    flg += 31 - (cmf * 256 + flg) % 31;
    out.push_back(static_cast<std::uint8_t>(cmf));
    out.push_back(static_cast<std::uint8_t>(flg));
}

}  // namespace

PngEncoder::PngEncoder(std::size_t rowBytes, int pixelBytes, bool adaptiveFilters, int level,
                       int threads)
    : m_rowBytes(rowBytes),
      m_pixelBytes(std::max(pixelBytes, 1)),
      m_adaptive(adaptiveFilters),
      m_level(level),
      m_threads(std::max(threads, 1)) {}

void PngEncoder::filterRow(const std::uint8_t* row, const std::uint8_t* previous,
                           std::size_t rowBytes, int pixelBytes, bool adaptive,
                           std::uint8_t* scratch, std::uint8_t* out) {
    const auto bpp = static_cast<std::size_t>(pixelBytes);
    if (!adaptive) {
        out[0] = 0;
        std::memcpy(out + 1, row, rowBytes);
        return;
    }
    // Candidates for types 1 ... 4 side by side; type 0 is the row itself.
    std::uint8_t* sub = scratch;
    std::uint8_t* up = sub + rowBytes;
    std::uint8_t* average = up + rowBytes;
    std::uint8_t* paethRow = average + rowBytes;
    for (std::size_t i = 0; i < rowBytes; ++i) {
        const int x = row[i];
        const int a = i >= bpp ? row[i - bpp] : 0;
        const int b = previous != nullptr ? previous[i] : 0;
        const int c = previous != nullptr && i >= bpp ? previous[i - bpp] : 0;
        sub[i] = static_cast<std::uint8_t>(x - a);
        up[i] = static_cast<std::uint8_t>(x - b);
        average[i] = static_cast<std::uint8_t>(x - (a + b) / 2);
        paethRow[i] = static_cast<std::uint8_t>(x - paeth(a, b, c));
    }
    const std::uint8_t* candidates[5] = {row, sub, up, average, paethRow};
    int best = 0;
    std::uint64_t bestCost = costOf(row, rowBytes);
    for (int type = 1; type < 5; ++type) {
        const std::uint64_t cost = costOf(candidates[type], rowBytes);
        if (cost < bestCost) {
            best = type;
            bestCost = cost;
        }
    }
    out[0] = static_cast<std::uint8_t>(best);
    std::memcpy(out + 1, candidates[best], rowBytes);
}

bool PngEncoder::addRows(const std::uint8_t* source, std::size_t stride, std::int32_t count,
                         std::vector<std::uint8_t>& out) {
    if (count <= 0) return true;
    const std::size_t filteredBytes = m_rowBytes + 1;
    const std::size_t at = m_pending.size();
    m_pending.resize(at + filteredBytes * static_cast<std::size_t>(count));
    const bool hadPrevious = !m_previousRow.empty();
    // Rows in runs of 16 per job: each row needs only itself and the raw
    // row above it.
    constexpr std::size_t kRowsPerJob = 16;
    const auto rows = static_cast<std::size_t>(count);
    runJobs(m_threads, (rows + kRowsPerJob - 1) / kRowsPerJob, [&](std::size_t job) {
        std::vector<std::uint8_t> scratch(m_adaptive ? 4 * m_rowBytes : 0);
        const std::size_t end = std::min(rows, (job + 1) * kRowsPerJob);
        for (std::size_t r = job * kRowsPerJob; r < end; ++r) {
            const std::uint8_t* row = source + r * stride;
            const std::uint8_t* above =
                r > 0 ? row - stride : (hadPrevious ? m_previousRow.data() : nullptr);
            filterRow(row, above, m_rowBytes, m_pixelBytes, m_adaptive, scratch.data(),
                      m_pending.data() + at + r * filteredBytes);
        }
    });
    const std::uint8_t* last = source + (rows - 1) * stride;
    m_previousRow.assign(last, last + m_rowBytes);
    return compressPending(m_pending.size() / kBlockBytes, false, out);
}

bool PngEncoder::finish(std::vector<std::uint8_t>& out) {
    if (!compressPending(m_pending.size() / kBlockBytes, true, out)) return false;
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(m_adler >> shift));
    return true;
}

bool PngEncoder::compressPending(std::size_t count, bool last, std::vector<std::uint8_t>& out) {
    const std::size_t wholeBytes = count * kBlockBytes;
    const std::size_t jobs = count + (last ? 1 : 0);
    if (jobs == 0) return true;
    std::vector<Block> blocks(jobs);
    runJobs(m_threads, jobs, [&](std::size_t i) {
        const std::size_t begin = i * kBlockBytes;
        const std::size_t size = i < count ? kBlockBytes : m_pending.size() - wholeBytes;
        const std::uint8_t* data = m_pending.data() + begin;
        // The window before the block: the pending bytes before it, or the
        // history kept from earlier calls for the first block.
        if (begin >= kWindow)
            compressBlock(data, size, data - kWindow, kWindow, i == count, blocks[i]);
        else if (begin > 0)
            compressBlock(data, size, m_pending.data(), begin, i == count, blocks[i]);
        else
            compressBlock(data, size, m_history.data(), m_history.size(), i == count, blocks[i]);
    });
    if (!m_headerWritten) {
        putHeader(m_level, out);
        m_headerWritten = true;
    }
    for (std::size_t i = 0; i < jobs; ++i) {
        if (!blocks[i].ok) return false;
        out.insert(out.end(), blocks[i].compressed.begin(), blocks[i].compressed.end());
        const std::size_t size = i < count ? kBlockBytes : m_pending.size() - wholeBytes;
        m_adler = static_cast<std::uint32_t>(
            adler32_combine(m_adler, blocks[i].adler, static_cast<z_off_t>(size)));
    }
    // The last 32 KiB of what was compressed become the next block's window.
    if (wholeBytes > 0) {
        const std::size_t keep = std::min(kWindow, wholeBytes);
        m_history.assign(m_pending.begin() + static_cast<std::ptrdiff_t>(wholeBytes - keep),
                         m_pending.begin() + static_cast<std::ptrdiff_t>(wholeBytes));
        m_pending.erase(m_pending.begin(),
                        m_pending.begin() + static_cast<std::ptrdiff_t>(wholeBytes));
    }
    return true;
}

void PngEncoder::compressBlock(const std::uint8_t* data, std::size_t size,
                               const std::uint8_t* dictionary, std::size_t dictionarySize,
                               bool last, Block& block) const {
    block.adler = static_cast<std::uint32_t>(adler32(1, data, static_cast<uInt>(size)));
    z_stream stream{};
    if (deflateInit2(&stream, m_level, Z_DEFLATED, -15, 8, Z_FILTERED) != Z_OK) {
        block.ok = false;
        return;
    }
    if (dictionarySize > 0)
        deflateSetDictionary(&stream, dictionary, static_cast<uInt>(dictionarySize));
    // Room for the worst case, the flush marker and the final block's end.
    block.compressed.resize(deflateBound(&stream, static_cast<uLong>(size)) + 16);
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = block.compressed.data();
    stream.avail_out = static_cast<uInt>(block.compressed.size());
    const int result = deflate(&stream, last ? Z_FINISH : Z_SYNC_FLUSH);
    block.ok = last ? result == Z_STREAM_END
                    : (result == Z_OK && stream.avail_in == 0 && stream.avail_out > 0);
    block.compressed.resize(stream.total_out);
    deflateEnd(&stream);
}

}  // namespace tessary::modules
