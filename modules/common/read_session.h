#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/host_buffer.h"
#include "common/raster.h"
#include "tessary_plugin.h"

namespace tessary::modules {

// One decoded band held by a ReadSession.
struct DecodedBand {
    std::uint8_t* data = nullptr;  // null once every row has been delivered
    std::size_t rowBytes = 0;
    BandRows rows;
};

// Drives a RasterReader band by band for a module that hands each band to
// the host: owns the reader and one band buffer (the reader's bandBytes()),
// which stays valid until the next call of nextBand(). With `planar` the
// reader is asked for planar bands, which the host takes without
// rearranging; readers that cannot give them deliver interleaved bands.
// The band buffer comes from `buffers`, the host's buffer suite, when it is
// given (see HostBuffer).
class ReadSession {
public:
    explicit ReadSession(std::unique_ptr<RasterReader> reader, bool planar = false,
                         const TsPiBufferSuite* buffers = nullptr);

    const RasterInfo& info() const { return m_reader->info(); }
    // Rows' worth of samples delivered so far: the image height once every
    // sample is out, in whatever order the bands came.
    std::int32_t rowsDelivered() const;

    // Decodes the next band; `band->data` is null when the image is complete.
    CodecStatus nextBand(DecodedBand* band);
    // The reader's account of damage it decoded around (RasterReader).
    std::string damage() const { return m_reader->damage(); }

    // Starts over after the reader has moved to another image (a further
    // page of the same file): counts from 0 and sizes the buffer afresh.
    void restart();

private:
    std::unique_ptr<RasterReader> m_reader;
    const TsPiBufferSuite* m_buffers;
    HostBuffer m_buffer;
    std::uint64_t m_samplesDelivered = 0;
    bool m_planar = false;
    bool m_failed = false;
};

// The memory the host lets a module use, in bytes: the block's maximum
// data and the buffer suite's space, the smaller when both are given; the
// default read budget when the host gives neither.
template <class Block>
std::size_t moduleMemoryBudget(const Block* block) {
    std::int64_t budget = block->maxData > 0 ? block->maxData : 0;
    const TsPiBufferSuite* buffers = block->bufferProcs;
    if (buffers != nullptr && buffers->count >= TSPI_BUFFER_SUITE_COUNT &&
        buffers->spaceProc != nullptr) {
        const std::int32_t space = buffers->spaceProc();
        if (space > 0 && (budget == 0 || space < budget)) budget = space;
    }
    return budget > 0 ? static_cast<std::size_t>(budget) : kDefaultReadBudget;
}

// The image mode of the plug-in interface that delivers pixels of `kind`.
inline std::int16_t imageModeOf(PixelKind kind) {
    switch (kind) {
        case PixelKind::Grey:
            return TSPI_MODE_GRAYSCALE;
        case PixelKind::Indexed:
            return TSPI_MODE_INDEXED;
        case PixelKind::Rgb:
            break;
    }
    return TSPI_MODE_RGB;
}

// Fills the image description common to the import and format blocks: mode,
// size, planes and, for indexed images, the three colour tables.
template <class Block>
void describeImage(Block* block, const RasterInfo& info) {
    block->imageMode = imageModeOf(info.kind);
    block->imageSize.v = static_cast<std::int16_t>(info.height);
    block->imageSize.h = static_cast<std::int16_t>(info.width);
    block->planes = static_cast<std::int16_t>(info.channels());
    if (info.kind == PixelKind::Indexed) {
        std::memcpy(block->redLUT, info.palette.red.data(), 256);
        std::memcpy(block->greenLUT, info.palette.green.data(), 256);
        std::memcpy(block->blueLUT, info.palette.blue.data(), 256);
    }
}

// Points the block at a decoded band (its rectangle; every plane
// interleaved, or the one plane the band holds), or at nothing (data null,
// empty rectangle) when `band.data` is null.
template <class Block>
void describeBand(Block* block, const RasterInfo& info, const DecodedBand& band) {
    block->data = band.data;
    if (band.data == nullptr) {
        block->theRect = TsPiRect{0, 0, 0, 0};
        block->rowBytes = 0;
        return;
    }
    const BandRows& rows = band.rows;
    block->theRect.top = static_cast<std::int16_t>(rows.firstRow);
    block->theRect.bottom = static_cast<std::int16_t>(rows.firstRow + rows.rowCount);
    block->theRect.left = static_cast<std::int16_t>(rows.firstColumn);
    block->theRect.right = static_cast<std::int16_t>(rows.firstColumn + rows.columns(info.width));
    block->loPlane = static_cast<std::int16_t>(rows.channel >= 0 ? rows.channel : 0);
    block->hiPlane =
        static_cast<std::int16_t>(rows.channel >= 0 ? rows.channel : info.channels() - 1);
    // Column bytes of 1 with several planes: each plane a block of rows.
    block->colBytes =
        static_cast<std::int16_t>(rows.planar ? 1 : rows.samplesPerPixel(info.channels()));
    block->rowBytes = static_cast<std::int32_t>(band.rowBytes);
}

}  // namespace tessary::modules
