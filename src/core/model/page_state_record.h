#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "model/image_data.h"

namespace tessary {

// What an edit left behind in the image state it produced: the edit's undo
// kind and parameter, the area it changed (for repainting after undo and
// redo), and the page's type, selection rectangle and resolutions after it.
//
// Stored as 64 bytes at the start of the state record block of each
// ImageData, little-endian at fixed offsets so that the layout does not depend
// on the compiler's padding:
//   0 kind (u32), 4 parameter (u32), 8 changed area (4 x i32: left, top,
//   right, bottom), 24 type (u32), 28 selection (4 x i32), 44 horizontal
//   resolution (IEEE double), 52 vertical resolution (IEEE double),
//   60-63 zero.
// A state that never had a record reads as all zeros (undo kind 0).
struct PageStateRecord {
    static constexpr std::size_t kBytes = 64;
    static constexpr std::size_t kKindOffset = 0;
    static constexpr std::size_t kParameterOffset = 4;
    static constexpr std::size_t kChangedOffset = 8;
    static constexpr std::size_t kTypeOffset = 24;
    static constexpr std::size_t kSelectionOffset = 28;
    static constexpr std::size_t kHorizontalResolutionOffset = 44;
    static constexpr std::size_t kVerticalResolutionOffset = 52;

    std::uint32_t kind = 0;
    std::uint32_t parameter = 0;
    Rect changed;
    std::uint32_t type = 0;
    Rect selection;
    double horizontalResolution = 0.0;
    double verticalResolution = 0.0;

    using Bytes = std::array<std::uint8_t, kBytes>;

    Bytes encode() const;
    static PageStateRecord decode(const std::uint8_t* bytes);  // reads kBytes bytes

    // The record of `state` (zeros when it has none).
    static PageStateRecord readFrom(const ImageData& state);
    // Writes the record into `state`; false when its record block cannot be
    // allocated (the state is then unchanged).
    bool writeTo(ImageData& state) const;

    friend bool operator==(const PageStateRecord&, const PageStateRecord&) = default;
};

}  // namespace tessary
