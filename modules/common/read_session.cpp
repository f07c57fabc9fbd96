#include "common/read_session.h"

namespace tessary::modules {

ReadSession::ReadSession(std::unique_ptr<RasterReader> reader, bool planar,
                         const TsPiBufferSuite* buffers)
    : m_reader(std::move(reader)), m_buffers(buffers) {
    m_planar = planar && m_reader->offerPlanar();
}

void ReadSession::restart() {
    m_buffer.release();
    m_samplesDelivered = 0;
    m_failed = false;
}

std::int32_t ReadSession::rowsDelivered() const {
    const std::uint64_t rowSamples = info().rowBytes();
    return rowSamples == 0 ? 0 : static_cast<std::int32_t>(m_samplesDelivered / rowSamples);
}

CodecStatus ReadSession::nextBand(DecodedBand* band) {
    *band = DecodedBand();
    if (m_failed) return CodecStatus::BadParameters;
    const RasterInfo& info = m_reader->info();
    const std::size_t rowBytes = static_cast<std::size_t>(m_reader->bandWidth()) *
                                 static_cast<std::size_t>(m_planar ? 1 : info.channels());
    if (m_buffer.data() == nullptr) m_buffer.allocate(m_buffers, m_reader->bandBytes());
    BandRows rows;
    const CodecStatus status = m_reader->readBand(m_buffer.data(), rowBytes, &rows);
    if (status != CodecStatus::Ok) {
        m_failed = true;
        return status;
    }
    if (rows.rowCount == 0) return CodecStatus::Ok;
    m_samplesDelivered += static_cast<std::uint64_t>(rows.rowCount) *
                          static_cast<std::uint64_t>(rows.columns(info.width)) *
                          static_cast<std::uint64_t>(rows.samplesPerPixel(info.channels()));
    band->data = m_buffer.data();
    band->rowBytes = rowBytes;
    band->rows = rows;
    return CodecStatus::Ok;
}

}  // namespace tessary::modules
