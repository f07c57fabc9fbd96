#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "model/error_codes.h"
#include "model/image_data.h"
#include "tools/tool_point.h"

namespace tessary {

// One edge of a lasso polygon (image pixels): from (x1, y1) to (x2, y2), with
// the inverse slope dx / dy (an infinity for a horizontal edge).
struct LassoEdge {
    std::int32_t x1 = 0;
    std::int32_t y1 = 0;
    double inverseSlope = 0.0;
    std::int32_t x2 = 0;
    std::int32_t y2 = 0;
};

// The edge list of a freehand selection and its even-odd fill.
//
// The list grows with the pointer: each position p that differs from the
// anchor (the end of the last edge) gives the edge anchor -> p, unless it
// carries on the last edge in the same direction with the same inverse slope,
// when that edge is lengthened to p instead, so collinear movement stays one
// edge and the polygon still passes through every position. The anchor then
// moves to p. The list holds any number of edges; running out of memory is
// reported, never a silent overflow.
//
// The fill works row by row. Row y is crossed by every edge whose upper and
// lower end rows satisfy upper <= y < lower, at
// x = trunc((y - upper) x inverseSlope + x0 + 0.5), x0 being the x of the
// upper end, clamped to the box's columns; horizontal edges cross no row. The
// crossings in ascending order pair up (first with second, third with
// fourth, ...), and the pixels of each pair, both ends included, are inside.
// Edges are taken up from a table sorted by their upper row and kept in an
// active list ordered by their last crossing, so a row costs the edges that
// cross it, not all edges.
class LassoEdges {
public:
    // Room reserved at start; the list grows beyond it as needed.
    static constexpr std::size_t kInitialRoom = 3000;

    enum class Added { Nothing, Appended, Lengthened };

    // Starts an empty list anchored at `anchor`. False when memory ran out.
    bool start(ToolPoint anchor);
    // Takes the pointer position `p` (see above). Nothing when p is the
    // anchor. False when memory ran out (the list is then as before).
    bool add(ToolPoint p, Added& added);
    // On release at `end`, with the press at `start`: when they differ, the
    // closing edges anchor -> end and end -> start (an edge of no length is
    // left out). False when memory ran out.
    bool close(ToolPoint start, ToolPoint end);
    // Frees the list.
    void release();

    const std::vector<LassoEdge>& edges() const { return m_edges; }
    ToolPoint anchor() const { return m_anchor; }
    // The box of every edge end: (min x, min y, max x, max y). Empty for a
    // lasso with no area (a point or a line along one row or column); its
    // pixels are those of columns left ... right and rows top ... bottom - 1
    // (the last row is never crossed).
    Rect box() const;

    // Receives the inside pixels of row y from column `left`: `count` bytes,
    // 255 inside and 0 outside. False stops the fill with a failure.
    using RowSink = std::function<bool(std::int32_t y, std::int32_t left, std::int32_t count,
                                       const std::uint8_t* row)>;
    // Fills the rows of box() that lie within `clip` (image pixels), handing
    // each row's pixels within the columns of box() and `clip`, from its first
    // inside pixel to its last, to `sink`; rows with no inside pixel are not
    // handed over. kErrMemory when the work tables cannot be had, kErrDisk
    // when the sink failed.
    ErrorCode fill(const Rect& clip, const RowSink& sink) const;

private:
    std::vector<LassoEdge> m_edges;
    ToolPoint m_anchor;
};

}  // namespace tessary
