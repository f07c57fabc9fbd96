#pragma once

#include <cstdint>
#include <vector>

#include "model/error_codes.h"
#include "model/image_data.h"
#include "tools/paint/dab_shape.h"
#include "tools/paint/stroke_params.h"
#include "tools/tool_point.h"

namespace tessary {

class BlendTable;
class Page;
class PageData;

// The work of one stroke inside a change that the caller opened on the page:
// stamps dabs at single points and along straight segments at the stroke's
// spacing, compositing each into the page's current state.
//
// Per dab, for every pixel and colour plane (mix(a, b, m) = T[m][b] +
// T[255 - m][a] with the page's blend table):
//   src = paint;                                   the colour, or the hook's
//   src = mix(before, src, opacity)                when opacity < 255
//   src = mix(before, src, selection)              when the page has a mask
//   current = mix(current, src, dab coverage)
// where `before` is the pixel when the change was opened, so overlapping
// dabs of one stroke never build up beyond the opacity.
//
// All work happens in buffers of one dab's size; the page is read and written
// only under the dab, clipped to the image, so a dab partly or wholly outside
// the image paints just the part inside. Coordinates are image pixels;
// points beyond 2^24 from the origin are taken at that distance.
class PenStroke {
public:
    // `page` must have pixels and an open change, and outlive the stroke.
    // The parameters are clamped to their ranges.
    PenStroke(Page& page, const StrokeParams& params);
    ~PenStroke();
    PenStroke(const PenStroke&) = delete;
    PenStroke& operator=(const PenStroke&) = delete;

    // Builds the buffers, the dab shape and the paint; sets the stroke start.
    // kErrMemory when a buffer cannot be had.
    ErrorCode begin(ToolPoint start);

    // One dab centred at `centre`; resets nothing of the path. The error of
    // a failing write (kErrDisk); the dab may then be written in part.
    ErrorCode stamp(ToolPoint centre);
    // Dabs along from `from` to `to` (from excluded) every `spacing` pixels
    // of path, the distance since the last dab carried across segments.
    ErrorCode segment(ToolPoint from, ToolPoint to);

    const StrokeParams& params() const { return m_params; }
    // The distance travelled since the last dab.
    double distance() const { return m_distance; }

    // --- For a DabHook: the dab being stamped -----------------------------
    Page& page() const { return m_page; }
    // Where the dab lands (may reach outside the image).
    const Rect& dabRect() const { return m_dab; }
    // The dab's centre minus the stroke start.
    ToolPoint dabOffset() const { return m_dabOffset; }
    int planeCount() const { return m_planes; }
    // The paint of one colour plane: width x height bytes over the dab
    // rectangle, row by row. The hook may overwrite it for each dab.
    std::uint8_t* paintPlane(int plane);

private:
    // The covered columns [begin, end) of each dab row, for skipping
    // uncovered pixels (a mix with coverage 0 keeps the pixel anyway).
    struct RowSpan {
        std::int32_t begin = 0;
        std::int32_t end = 0;
    };

    ErrorCode compositeRow(std::int32_t y, std::int32_t left, std::int32_t right);

    Page& m_page;
    PageData& m_data;
    const BlendTable& m_blend;
    StrokeParams m_params;
    int m_planes = 0;
    int m_maskPlane = -1;
    bool m_useBefore = false;
    Rect m_image;

    ToolPoint m_start;
    Rect m_dab;
    ToolPoint m_dabOffset;
    double m_distance = 0.0;

    // Dab-sized: the paint (one block per colour plane) and the coverage.
    std::vector<std::uint8_t> m_paint;
    std::vector<std::uint8_t> m_coverage;
    std::vector<RowSpan> m_spans;
    // One dab row each: the page's present pixels, the pixels when the
    // change opened, and the selection mask.
    std::vector<std::uint8_t> m_currentRow;
    std::vector<std::uint8_t> m_beforeRow;
    std::vector<std::uint8_t> m_selectionRow;
};

}  // namespace tessary
