#include "scan_reader.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "sane_device.h"
#include "twain_protocol.h"

namespace tessary::twain {

namespace {

// Lines are read from the device in blocks of about this size: large enough
// that the per-call cost of sane_read vanishes, small enough to stay cached.
constexpr size_t kBlockBytes = 256 * 1024;

int linesPerBlock(SANE_Int bytesPerLine) {
    return static_cast<int>(std::max<size_t>(1, kBlockBytes / std::max<SANE_Int>(1, bytesPerLine)));
}

}  // namespace

ScanReader::ScanReader(SaneDevice& device) : m_device(device) {}

SANE_Status ScanReader::fail(SANE_Status status) {
    if (m_status == SANE_STATUS_GOOD) m_status = status;
    return m_status;
}

int ScanReader::channelOf(SANE_Frame format) {
    switch (format) {
        case SANE_FRAME_GRAY:
        case SANE_FRAME_RGB:
            return -1;
        case SANE_FRAME_RED:
            return 0;
        case SANE_FRAME_GREEN:
            return 1;
        case SANE_FRAME_BLUE:
            return 2;
        default:
            return -2;
    }
}

uint32_t ScanReader::decodedBytes(int channel) const {
    return channel < 0 ? m_layout.bytesPerRow : static_cast<uint32_t>(m_layout.width);
}

SANE_Status ScanReader::begin() {
    if (m_began) return m_status;
    m_began = true;
    if (m_device.parameters(m_frame) != SANE_STATUS_GOOD) return fail(SANE_STATUS_IO_ERROR);
    m_frameChannel = channelOf(m_frame.format);
    const int depth = m_frame.depth;
    if (m_frameChannel < -1 || (depth != 1 && depth != 8 && depth != 16))
        return fail(SANE_STATUS_UNSUPPORTED);
    if (m_frame.pixels_per_line <= 0 || m_frame.bytes_per_line <= 0 || m_frame.lines == 0)
        return fail(SANE_STATUS_INVAL);

    m_layout.width = m_frame.pixels_per_line;
    m_layout.height = std::max(0, m_frame.lines);
    if (m_frame.format == SANE_FRAME_GRAY && depth == 1) {
        m_layout.pixelType = TWPT_BW;
        m_layout.samplesPerPixel = 1;
        m_layout.bitsPerSample = 1;
        m_layout.bytesPerRow = static_cast<uint32_t>((m_layout.width + 7) / 8);
    } else if (m_frame.format == SANE_FRAME_GRAY) {
        m_layout.pixelType = TWPT_GRAY;
        m_layout.samplesPerPixel = 1;
        m_layout.bytesPerRow = static_cast<uint32_t>(m_layout.width);
    } else {
        m_layout.pixelType = TWPT_RGB;
        m_layout.samplesPerPixel = 3;
        m_layout.bytesPerRow = static_cast<uint32_t>(m_layout.width) * 3;
    }
    if (m_frame.lines > 0) return SANE_STATUS_GOOD;

    // Unknown height: every frame into memory; the image is as tall as the
    // shortest frame.
    m_allHeld = true;
    for (;;) {
        HeldFrame held;
        if (const SANE_Status status = holdFrame(held, INT_MAX); status != SANE_STATUS_GOOD)
            return fail(status);
        m_held.push_back(std::move(held));
        if (m_frame.last_frame) break;
        if (const SANE_Status status = nextFrame(); status != SANE_STATUS_GOOD) return fail(status);
    }
    m_layout.height = INT_MAX;
    for (const HeldFrame& held : m_held) m_layout.height = std::min(m_layout.height, held.rows);
    m_framesReady = true;
    return SANE_STATUS_GOOD;
}

SANE_Status ScanReader::readLines(int lines, int& got) {
    got = 0;
    const size_t lineBytes = static_cast<size_t>(m_frame.bytes_per_line);
    const size_t wanted = lineBytes * static_cast<size_t>(lines);
    if (m_lines.size() < wanted) m_lines.resize(wanted);
    size_t have = 0;
    while (have < wanted && !m_frameEnded) {
        SANE_Int length = 0;
        const SANE_Int ask = static_cast<SANE_Int>(std::min<size_t>(wanted - have, INT_MAX));
        const SANE_Status status = m_device.read(m_lines.data() + have, ask, length);
        if (status == SANE_STATUS_EOF) {
            m_frameEnded = true;
        } else if (status != SANE_STATUS_GOOD) {
            return status;
        }
        have += static_cast<size_t>(std::max<SANE_Int>(0, std::min(length, ask)));
    }
    got = static_cast<int>(have / lineBytes);
    return SANE_STATUS_GOOD;
}

void ScanReader::decodeLine(const uint8_t* line, uint8_t* out) const {
    const size_t samples = decodedBytes(m_frameChannel);
    if (m_layout.pixelType == TWPT_BW || m_frame.depth == 8) {
        std::memcpy(out, line, samples);
    } else if (m_frame.depth == 16) {
        for (size_t i = 0; i < samples; ++i) {
            uint16_t value;
            std::memcpy(&value, line + 2 * i, sizeof value);
            out[i] = static_cast<uint8_t>(value >> 8);
        }
    } else {  // one-bit colour: 1 = full intensity
        for (size_t i = 0; i < samples; ++i)
            out[i] = ((line[i >> 3] >> (7 - (i & 7))) & 1) ? 255 : 0;
    }
}

SANE_Status ScanReader::holdFrame(HeldFrame& held, int maximumRows) {
    held.channel = m_frameChannel;
    const size_t rowBytes = decodedBytes(held.channel);
    const size_t lineBytes = static_cast<size_t>(m_frame.bytes_per_line);
    while (held.rows < maximumRows && !m_frameEnded) {
        int got = 0;
        const int want = std::min(linesPerBlock(m_frame.bytes_per_line), maximumRows - held.rows);
        if (const SANE_Status status = readLines(want, got); status != SANE_STATUS_GOOD)
            return status;
        held.data.resize((static_cast<size_t>(held.rows) + static_cast<size_t>(got)) * rowBytes);
        for (int i = 0; i < got; ++i, ++held.rows)
            decodeLine(m_lines.data() + static_cast<size_t>(i) * lineBytes,
                       held.data.data() + static_cast<size_t>(held.rows) * rowBytes);
    }
    if (maximumRows != INT_MAX && held.rows < maximumRows) {
        const uint8_t white = m_layout.pixelType == TWPT_BW && held.channel < 0 ? 0x00 : 0xff;
        held.data.resize(static_cast<size_t>(maximumRows) * rowBytes, white);
        held.rows = maximumRows;
    }
    return drainFrame();
}

SANE_Status ScanReader::drainFrame() {
    // Whatever the device sends beyond the announced lines is dropped; an
    // error after the last line does not spoil the rows already read.
    uint8_t scrap[4096];
    size_t dropped = 0;
    const size_t limit = static_cast<size_t>(m_frame.bytes_per_line) * 64 + sizeof scrap;
    while (!m_frameEnded && dropped < limit) {
        SANE_Int length = 0;
        const SANE_Status status = m_device.read(scrap, sizeof scrap, length);
        if (status != SANE_STATUS_GOOD) break;
        dropped += static_cast<size_t>(std::max<SANE_Int>(0, length));
    }
    m_frameEnded = true;
    return SANE_STATUS_GOOD;
}

SANE_Status ScanReader::nextFrame() {
    if (const SANE_Status status = m_device.start(); status != SANE_STATUS_GOOD) return status;
    SANE_Parameters next{};
    if (m_device.parameters(next) != SANE_STATUS_GOOD) return SANE_STATUS_IO_ERROR;
    const int channel = channelOf(next.format);
    if (channel < 0 || m_frameChannel < 0 || next.pixels_per_line != m_layout.width ||
        (next.depth != 1 && next.depth != 8 && next.depth != 16) || next.bytes_per_line <= 0)
        return SANE_STATUS_UNSUPPORTED;
    m_frame = next;
    m_frameChannel = channel;
    m_frameEnded = false;
    return SANE_STATUS_GOOD;
}

SANE_Status ScanReader::prepareFrames() {
    while (!m_frame.last_frame) {
        HeldFrame held;
        if (const SANE_Status status = holdFrame(held, m_layout.height); status != SANE_STATUS_GOOD)
            return status;
        m_held.push_back(std::move(held));
        if (const SANE_Status status = nextFrame(); status != SANE_STATUS_GOOD) return status;
    }
    m_framesReady = true;
    return SANE_STATUS_GOOD;
}

void ScanReader::composeRow(int row, const uint8_t* live, uint8_t* out) const {
    const size_t width = static_cast<size_t>(m_layout.width);
    const uint8_t* channels[3] = {nullptr, nullptr, nullptr};
    if (live && m_frameChannel < 0) {
        std::memcpy(out, live, m_layout.bytesPerRow);
        return;
    }
    if (live) channels[m_frameChannel] = live;
    for (const HeldFrame& held : m_held) {
        if (row >= held.rows) continue;
        if (held.channel < 0) {
            std::memcpy(out, held.data.data() + static_cast<size_t>(row) * m_layout.bytesPerRow,
                        m_layout.bytesPerRow);
            return;
        }
        if (!channels[held.channel])
            channels[held.channel] = held.data.data() + static_cast<size_t>(row) * width;
    }
    for (int c = 0; c < 3; ++c) {
        const uint8_t* source = channels[c];
        for (size_t x = 0; x < width; ++x)
            out[3 * x + static_cast<size_t>(c)] = source ? source[x] : 0;
    }
}

SANE_Status ScanReader::readRows(uint8_t* out, int rows) {
    if (!m_began) begin();
    if (m_status != SANE_STATUS_GOOD) return m_status;
    rows = std::clamp(rows, 0, rowsLeft());
    if (!m_framesReady)
        if (const SANE_Status status = prepareFrames(); status != SANE_STATUS_GOOD)
            return fail(status);

    const size_t rowBytes = m_layout.bytesPerRow;
    if (m_allHeld) {
        for (int i = 0; i < rows; ++i, ++m_nextRow)
            composeRow(m_nextRow, nullptr, out + i * rowBytes);
        return SANE_STATUS_GOOD;
    }

    const size_t lineBytes = static_cast<size_t>(m_frame.bytes_per_line);
    const uint8_t white = m_layout.pixelType == TWPT_BW ? 0x00 : 0xff;
    m_decoded.resize(decodedBytes(m_frameChannel));
    for (int done = 0; done < rows;) {
        int got = 0;
        const int want = std::min(linesPerBlock(m_frame.bytes_per_line), rows - done);
        if (const SANE_Status status = readLines(want, got); status != SANE_STATUS_GOOD)
            return fail(status);
        for (int i = 0; i < got; ++i, ++done, ++m_nextRow) {
            const uint8_t* line = m_lines.data() + static_cast<size_t>(i) * lineBytes;
            if (m_frameChannel < 0 && m_frame.depth != 16 && m_frame.depth != 1) {
                composeRow(m_nextRow, line, out + done * rowBytes);  // already packed
            } else if (m_layout.pixelType == TWPT_BW) {
                std::memcpy(out + done * rowBytes, line, rowBytes);
            } else {
                decodeLine(line, m_decoded.data());
                composeRow(m_nextRow, m_decoded.data(), out + done * rowBytes);
            }
        }
        if (got < want) {  // the frame ended early: white rows complete it
            std::fill(m_decoded.begin(), m_decoded.end(), white);
            for (; done < rows; ++done, ++m_nextRow)
                composeRow(m_nextRow, m_decoded.data(), out + done * rowBytes);
        }
    }
    if (rowsLeft() == 0) drainFrame();
    return SANE_STATUS_GOOD;
}

}  // namespace tessary::twain
