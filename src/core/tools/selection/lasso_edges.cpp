#include "tools/selection/lasso_edges.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace tessary {
namespace {

int sign(std::int64_t value) {
    return (value > 0) - (value < 0);
}

LassoEdge edgeBetween(ToolPoint from, ToolPoint to) {
    const auto dx = static_cast<double>(std::int64_t{to.x} - from.x);
    const auto dy = static_cast<double>(std::int64_t{to.y} - from.y);
    return {from.x, from.y, dx / dy, to.x, to.y};
}

// An edge as the fill uses it: rows upper ... lower - 1 are crossed, at
// (y - upper) x slope + x0 + 0.5 before truncation.
struct FillEdge {
    std::int64_t upper;
    std::int64_t lower;
    double x0;
    double slope;
};

// An edge of the active list with its crossing of the current row.
struct Crossing {
    std::int64_t x;
    std::uint32_t edge;
};

}  // namespace

bool LassoEdges::start(ToolPoint anchor) {
    m_edges.clear();
    m_anchor = anchor;
    try {
        m_edges.reserve(kInitialRoom);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool LassoEdges::add(ToolPoint p, Added& added) {
    added = Added::Nothing;
    if (p == m_anchor) return true;
    const LassoEdge edge = edgeBetween(m_anchor, p);
    if (!m_edges.empty()) {
        LassoEdge& last = m_edges.back();
        const int lastDirection = sign(std::int64_t{last.y2} - last.y1);
        if (last.inverseSlope == edge.inverseSlope &&
            lastDirection == sign(std::int64_t{p.y} - m_anchor.y)) {
            last.x2 = p.x;
            last.y2 = p.y;
            m_anchor = p;
            added = Added::Lengthened;
            return true;
        }
    }
    try {
        m_edges.push_back(edge);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_anchor = p;
    added = Added::Appended;
    return true;
}

bool LassoEdges::close(ToolPoint start, ToolPoint end) {
    if (start == end) return true;
    try {
        if (m_anchor != end) m_edges.push_back(edgeBetween(m_anchor, end));
        m_edges.push_back(edgeBetween(end, start));
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_anchor = start;
    return true;
}

void LassoEdges::release() {
    std::vector<LassoEdge>().swap(m_edges);
}

Rect LassoEdges::box() const {
    Rect box{m_anchor.x, m_anchor.y, m_anchor.x, m_anchor.y};
    for (const LassoEdge& e : m_edges) {
        box.left = std::min({box.left, e.x1, e.x2});
        box.top = std::min({box.top, e.y1, e.y2});
        box.right = std::max({box.right, e.x1, e.x2});
        box.bottom = std::max({box.bottom, e.y1, e.y2});
    }
    return box;
}

ErrorCode LassoEdges::fill(const Rect& clip, const RowSink& sink) const {
    const Rect b = box();
    if (b.empty()) return kErrNone;
    const std::int64_t firstRow = std::max(b.top, clip.top);
    const std::int64_t endRow = std::min(b.bottom, clip.bottom);
    // Columns handed over: the box's (right included) within the clip's.
    const std::int64_t firstColumn = std::max(b.left, clip.left);
    const std::int64_t endColumn = std::min(std::int64_t{b.right} + 1, std::int64_t{clip.right});
    if (firstRow >= endRow || firstColumn >= endColumn) return kErrNone;

    std::vector<FillEdge> table;
    std::vector<Crossing> active;
    std::vector<std::uint8_t> row;
    try {
        table.reserve(m_edges.size());
        for (const LassoEdge& e : m_edges) {
            if (e.y1 == e.y2) continue;
            const bool down = e.y1 < e.y2;
            FillEdge f{down ? e.y1 : e.y2, down ? e.y2 : e.y1,
                       static_cast<double>(down ? e.x1 : e.x2), e.inverseSlope};
            if (f.lower <= firstRow || f.upper >= endRow) continue;
            table.push_back(f);
        }
        active.reserve(table.size());
        row.assign(static_cast<std::size_t>(endColumn - firstColumn), 0);
    } catch (const std::bad_alloc&) {
        return kErrMemory;
    }
    std::stable_sort(table.begin(), table.end(),
                     [](const FillEdge& a, const FillEdge& c) { return a.upper < c.upper; });

    const auto left = static_cast<double>(b.left);
    const auto right = static_cast<double>(b.right);
    std::size_t next = 0;
    for (std::int64_t y = firstRow; y < endRow; ++y) {
        // Edges that ended above this row leave; edges that begin on it (or
        // above the first row handled) join.
        active.erase(std::remove_if(active.begin(), active.end(),
                                    [&](const Crossing& c) { return table[c.edge].lower <= y; }),
                     active.end());
        for (; next < table.size() && table[next].upper <= y; ++next) {
            if (table[next].lower > y) active.push_back({0, static_cast<std::uint32_t>(next)});
        }
        if (active.empty()) continue;

        for (Crossing& c : active) {
            const FillEdge& e = table[c.edge];
            const double x = static_cast<double>(y - e.upper) * e.slope + e.x0 + 0.5;
            c.x = static_cast<std::int64_t>(std::trunc(std::clamp(x, left, right)));
        }
        // The order changes little from one row to the next: insertion sort
        // does the little there is to do.
        for (std::size_t i = 1; i < active.size(); ++i) {
            const Crossing moving = active[i];
            std::size_t j = i;
            for (; j > 0 && active[j - 1].x > moving.x; --j) active[j] = active[j - 1];
            active[j] = moving;
        }

        std::int64_t lowest = endColumn;
        std::int64_t highest = firstColumn - 1;
        for (std::size_t i = 0; i + 1 < active.size(); i += 2) {
            const std::int64_t from = std::max(active[i].x, firstColumn);
            const std::int64_t to = std::min(active[i + 1].x, endColumn - 1);
            if (from > to) continue;
            std::memset(row.data() + (from - firstColumn), 255,
                        static_cast<std::size_t>(to - from + 1));
            lowest = std::min(lowest, from);
            highest = std::max(highest, to);
        }
        if (highest < lowest) continue;
        std::uint8_t* span = row.data() + (lowest - firstColumn);
        const auto count = static_cast<std::int32_t>(highest - lowest + 1);
        if (!sink(static_cast<std::int32_t>(y), static_cast<std::int32_t>(lowest), count, span))
            return kErrDisk;
        std::memset(span, 0, static_cast<std::size_t>(count));
    }
    return kErrNone;
}

}  // namespace tessary
