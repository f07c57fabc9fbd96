#pragma once

// Helpers shared by the tests of pages, page data and the purge: whole-plane
// reads and writes, and the smallest complete edit (a change bracket that
// writes one row and records an undo kind).

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "model/image_data.h"
#include "model/page_data.h"
#include "model/page_state_record.h"

namespace tessary::test {

// The samples of (0, 0)-(width, height) of a plane of the current state, row
// by row.
inline std::vector<std::uint8_t> readPlane(const PageData& data, int plane) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(data.width()) * data.height());
    for (int y = 0; y < data.height(); ++y) {
        data.readRow(plane, 0, y, data.width(),
                     out.data() + static_cast<std::size_t>(y) * data.width());
    }
    return out;
}

// The same from one ImageData state.
inline std::vector<std::uint8_t> readPlane(const ImageData& state, int plane) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(state.width()) * state.height());
    for (int y = 0; y < state.height(); ++y) {
        state.readRow(plane, 0, y, state.width(),
                      out.data() + static_cast<std::size_t>(y) * state.width());
    }
    return out;
}

inline bool writePlane(PageData& data, int plane, const std::vector<std::uint8_t>& samples) {
    for (int y = 0; y < data.height(); ++y) {
        if (!data.writeRow(plane, 0, y, data.width(),
                           samples.data() + static_cast<std::size_t>(y) * data.width())) {
            return false;
        }
    }
    return true;
}

// Every tile entry of every plane of a state, plane after plane.
inline std::vector<ImageData::TileEntry> entriesOf(const ImageData& state) {
    std::vector<ImageData::TileEntry> out;
    for (int p = 0; p < state.planeCount(); ++p) {
        const auto& record = state.plane(p);
        for (int r = 0; r < record.tilesDown; ++r) {
            for (int c = 0; c < record.tilesAcross; ++c) out.push_back(state.entry(p, c, r));
        }
    }
    return out;
}

inline std::uint32_t kindOf(const ImageData& state) {
    return PageStateRecord::readFrom(state).kind;
}

// The states of the undo chain, newest first, walked through the older links
// (and checked against the newer links on the way).
inline std::vector<const ImageData*> undoChain(const PageData& data) {
    std::vector<const ImageData*> out;
    const ImageData* newer = nullptr;
    for (const ImageData* s = data.undoNewest(); s; s = s->older()) {
        EXPECT_EQ(s->newer(), newer);
        out.push_back(s);
        newer = s;
    }
    EXPECT_EQ(newer, data.undoOldest());
    return out;
}

inline std::vector<const ImageData*> redoChain(const PageData& data) {
    std::vector<const ImageData*> out;
    const ImageData* newer = nullptr;
    for (const ImageData* s = data.redoNewest(); s; s = s->older()) {
        EXPECT_EQ(s->newer(), newer);
        out.push_back(s);
        newer = s;
    }
    EXPECT_EQ(newer, data.redoOldest());
    return out;
}

// One complete edit: a change bracket that writes `value` over row `y` of
// plane 0 and records `kind` in the new state.
inline bool edit(PageData& data, std::uint32_t kind, std::uint8_t value, int y = 0) {
    if (!data.beginChange()) return false;
    const std::vector<std::uint8_t> row(static_cast<std::size_t>(data.width()), value);
    if (!data.writeRow(0, 0, y, data.width(), row.data())) {
        data.abortChange();
        return false;
    }
    data.endChange();
    PageStateRecord record;
    record.kind = kind;
    const auto bytes = record.encode();
    return data.writeStateRecord(bytes.data(), bytes.size());
}

// An edit that only opens and closes a change (no tiles are written), with
// `kind` recorded: enough to grow the history for the purge tests.
inline bool emptyEdit(PageData& data, std::uint32_t kind) {
    if (!data.beginChange()) return false;
    data.endChange();
    PageStateRecord record;
    record.kind = kind;
    const auto bytes = record.encode();
    return data.writeStateRecord(bytes.data(), bytes.size());
}

}  // namespace tessary::test
