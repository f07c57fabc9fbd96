#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tessary {

// The per-tile computation of a neighbourhood filter run by the tiled
// worker: every output sample depends on the (2r + 1) x (2r + 1) window of
// source samples centred on it.
class TileKernel {
public:
    // Tiles are at most this wide and high.
    static constexpr int kTileSize = 128;

    virtual ~TileKernel() = default;

    // The window's half-size r (0 ... 16).
    virtual int radius() const = 0;

    // Computes `height` rows of `width` samples (each 1 ... kTileSize).
    // `source` is the tile grown by r on every side: (width + 2r) samples
    // per row, (height + 2r) rows, `sourceStride` bytes from one row to the
    // next, so output (x, y) is centred on source (x + r, y + r). Output row
    // y starts at output + y x outputStride. The buffers do not overlap.
    virtual void computeTile(const std::uint8_t* source, std::ptrdiff_t sourceStride, int width,
                             int height, std::uint8_t* output, std::ptrdiff_t outputStride) = 0;

    // A kernel with the same parameters and scratch buffers of its own, so
    // that several threads can compute tiles at once (each with its own
    // copy); null when no copy can be had, and the tiles are then computed
    // on one thread.
    virtual std::unique_ptr<TileKernel> clone() const { return nullptr; }
};

}  // namespace tessary
