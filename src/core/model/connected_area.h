#pragma once

#include <cstdint>
#include <span>

#include "model/image_data.h"

namespace tessary {

class PageData;
class ProgressPort;

// A plane compared by the search: a sample matches when
// reference - tolerance <= sample <= reference + tolerance.
struct ComparedPlane {
    int plane = 0;
    std::uint8_t reference = 0;
    std::uint8_t tolerance = 0;
};

// A plane written by the search: every pixel of the found area gets `value`.
struct OutputPlane {
    int plane = 0;
    std::uint8_t value = 255;
};

// The connected-area search behind the magic wand and the fill tools: finds
// the pixels of a rectangle that match on every compared plane and are
// 4-connected to the seed, writes each output plane's value over them, and
// returns their bounds.
//
// It works on horizontal runs of matching pixels. A first pass counts them;
// a run table of 16 bytes per run (label, x, y, length) is kept in a scratch
// PageData, so that it pages through the tile store like image data; a
// second pass stores the runs and labels them in scan order, a run touching
// a run of the row above (sharing a column) taking its label, touching runs of
// different labels being merged into the smaller label. The first and last
// run of every label below kTrackedLabels are kept in two tables, so a merge
// or the final write visits only that stretch of the run table. Runs of
// larger labels are found from the row where the label was created (labels
// are handed out in scan order, so no run of a label lies before that row).
//
// Reads come from the current state of the page data; output is written to
// the current state after all reading is done, so an output plane may also be
// a compared plane. Progress goes to the port as 3 x height steps (first
// pass, second pass, writing); a cancel ends the search with failure.
class ConnectedArea {
public:
    static constexpr std::int32_t kTrackedLabels = 4096;

    // `progress` may be null. Both must outlive the search.
    ConnectedArea(PageData& data, ProgressPort* progress);

    // Searches around (seedX, seedY) within `area` (clipped to the image).
    // True with the bounds of the found area (right and bottom exclusive), or
    // with empty bounds and nothing written when the seed lies outside the
    // area or does not match. False when the user cancelled, memory or tiles
    // ran out, or a tile could not be read (the caller reports 0x10002);
    // output planes may then be partly written.
    bool search(std::int32_t seedX, std::int32_t seedY, std::span<const ComparedPlane> compared,
                std::span<const OutputPlane> outputs, const Rect& area, Rect& bounds);

    // Figures of the last search, for tests and measurements.
    std::int64_t runCount() const { return m_runCount; }
    std::int64_t labelCount() const { return m_labelCount; }
    bool cancelled() const { return m_cancelled; }

private:
    PageData& m_data;
    ProgressPort* m_progress;
    std::int64_t m_runCount = 0;
    std::int64_t m_labelCount = 0;
    bool m_cancelled = false;
};

}  // namespace tessary
