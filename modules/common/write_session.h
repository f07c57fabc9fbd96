#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "common/host_buffer.h"
#include "common/raster.h"

namespace tessary::modules {

// Feeds a RasterWriter band by band: says which rows to ask the host for
// next (in the writer's row order) and passes each band on when it arrives.
// After the last band it completes the file (RasterWriter::finish()).
//
// Bands lie on multiples of the band height from the image's top, also for
// writers that take the bottom band first (which is then the shorter one),
// so that bands of a multiple of 128 rows cover whole tiles of the host.
class WriteSession {
public:
    // Bands of at most `bandHeight` rows (at least 1). With `planar` the
    // bands are planar (BandRows) when the writer takes them.
    // bandBuffer() comes from `buffers`, the host's buffer suite, when it
    // is given (see HostBuffer).
    WriteSession(std::unique_ptr<RasterWriter> writer, const RasterInfo& info,
                 std::int32_t bandHeight, bool planar = false,
                 const TsPiBufferSuite* buffers = nullptr);

    const RasterInfo& info() const { return m_info; }
    // Whether consume() takes planar bands.
    bool planar() const { return m_planar; }
    // Bytes from one row of a band to the next (of one channel, when planar).
    std::size_t bandRowBytes() const;
    // The rows to ask for next; rowCount 0 once the file is complete.
    BandRows nextRequest() const { return m_next; }
    bool complete() const { return m_next.rowCount == 0; }
    std::int32_t rowsWritten() const { return m_rowsWritten; }

    // A buffer for one band of bandRowBytes()-byte rows that callers may
    // use to receive the band (allocated on first use).
    std::uint8_t* bandBuffer();

    // Writes the rows of nextRequest(), stored top row first at `source`,
    // `sourceRowBytes` apart (planar: each channel's rows in turn), then
    // moves the request on; after the last band
    // the writer finishes the file. Errors leave the session failed.
    CodecStatus consume(const std::uint8_t* source, std::size_t sourceRowBytes);

private:
    BandRows requestAfter(std::int32_t rowsDone) const;

    std::unique_ptr<RasterWriter> m_writer;
    RasterInfo m_info;
    std::int32_t m_bandHeight;
    bool m_planar;
    BandRows m_next;
    std::int32_t m_rowsWritten = 0;
    const TsPiBufferSuite* m_buffers;
    HostBuffer m_buffer;
    bool m_failed = false;
};

}  // namespace tessary::modules
