#include "model/pro_data_buffer.h"

#include <cstring>

namespace tessary {

void ProDataBuffer::setSourceKind(std::int32_t kind) {
    m_sourceKind = kind;
    if (kind == kSourceOneBit) {
        freeStorage();
        assignPlanes(0, 0);
        assignLayout(kPlanar);
        recomputeStepAndRowBytes();
    } else if (kind == kSourceIndexed) {
        freeStorage();
        assignPlanes(0, 2);
        assignLayout(kInterleaved);
        recomputeStepAndRowBytes();
    }
}

void ProDataBuffer::setColourTable(const std::uint32_t* colours) {
    std::memcpy(m_colours.data(), colours, sizeof m_colours);
}

void ProDataBuffer::setColourTable(const std::uint8_t* first, const std::uint8_t* second,
                                   const std::uint8_t* third) {
    for (int i = 0; i < 256; ++i) {
        m_colours[i] =
            std::uint32_t{third[i]} * 65536u + std::uint32_t{second[i]} * 256u + first[i];
    }
}

bool ProDataBuffer::move(std::int32_t left, std::int32_t top, std::int32_t right,
                         std::int32_t bottom) {
    if (!converting()) return DataBuffer::move(left, top, right, bottom);
    // The next convert() allocates for the new rectangle, so the old storage
    // need not fit it.
    freeStorage();
    if (!DataBuffer::move(left, top, right, bottom)) return false;
    recomputeStepAndRowBytes();
    return true;
}

void ProDataBuffer::setFirstPlane(int plane) {
    m_savedFirstPlane = plane;
    if (!converting()) DataBuffer::setFirstPlane(plane);
}

void ProDataBuffer::setLastPlane(int plane) {
    m_savedLastPlane = plane;
    if (!converting()) DataBuffer::setLastPlane(plane);
}

void ProDataBuffer::setLayout(std::int32_t layout) {
    m_savedLayout = layout;
    if (!converting()) DataBuffer::setLayout(layout);
}

void ProDataBuffer::setSampleStep(std::int32_t step) {
    m_savedSampleStep = step;
    if (!converting()) DataBuffer::setSampleStep(step);
}

void ProDataBuffer::setStorage(std::uint8_t* storage) {
    if (converting()) {
        m_source = storage;
    } else {
        DataBuffer::setStorage(storage);
    }
}

void ProDataBuffer::setRowBytes(std::int64_t rowBytes) {
    if (converting()) {
        m_sourceRowBytes = rowBytes;
    } else {
        DataBuffer::setRowBytes(rowBytes);
    }
}

bool ProDataBuffer::convert() {
    if (!converting()) return false;
    const std::int32_t w = width();
    const std::int32_t h = height();
    if (w > 0 && h > 0) {
        // The source rows come from outside (a scanner driver): check that
        // each holds what the width needs before reading any of them.
        const std::int64_t needed = m_sourceKind == kSourceOneBit ? (std::int64_t{w} + 7) / 8 : w;
        if (!m_source || m_sourceRowBytes < needed) return false;
    }
    if (!reshape(firstPlane(), lastPlane(), left(), top(), right(), bottom())) return false;
    const int plane = firstPlane();
    for (std::int32_t r = 0; r < h; ++r) {
        const std::uint8_t* src = m_source + static_cast<std::ptrdiff_t>(r) * m_sourceRowBytes;
        if (m_sourceKind == kSourceOneBit) {
            convertOneBitRow(src, row(plane, r));
        } else {
            convertIndexedRow(src, row(plane, r));
        }
    }
    return true;
}

void ProDataBuffer::convertOneBitRow(const std::uint8_t* src, std::uint8_t* dst) const {
    const std::int32_t w = width();
    std::int32_t x = 0;
    for (; x + 8 <= w; x += 8, ++src) {
        const unsigned byte = *src;
        for (int bit = 0; bit < 8; ++bit) {
            dst[x + bit] = (byte & (0x80u >> bit)) ? 0 : 255;
        }
    }
    for (int bit = 0; x < w; ++x, ++bit) dst[x] = (*src & (0x80u >> bit)) ? 0 : 255;
}

void ProDataBuffer::convertIndexedRow(const std::uint8_t* src, std::uint8_t* dst) const {
    const std::int32_t w = width();
    for (std::int32_t x = 0; x < w; ++x, dst += 3) {
        const std::uint32_t c = m_colours[src[x]];
        dst[0] = static_cast<std::uint8_t>(c);
        dst[1] = static_cast<std::uint8_t>(c >> 8);
        dst[2] = static_cast<std::uint8_t>(c >> 16);
    }
}

}  // namespace tessary
