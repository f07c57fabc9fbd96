#include "model/connected_area.h"

#include <algorithm>
#include <array>
#include <climits>
#include <memory>
#include <new>
#include <vector>

#include "model/page_data.h"
#include "model/progress_port.h"

namespace tessary {

namespace {

// One run of matching pixels. Stored as it is in the scratch plane: the table
// lives only for one search, in this process, so the byte order is the
// machine's.
struct Run {
    std::int32_t label = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t length = 0;
};
static_assert(sizeof(Run) == 16);

// The run table: record i at byte 16 x (i mod 8) of row i / 8 of a
// one-plane scratch PageData 128 samples wide, so one tile holds 1024 runs
// and a small search takes few tiles. Blocks of 256 runs (32 rows) are kept
// decoded in a write-back cache; labelling moves through the table in scan
// order (the current row of runs, the row above, and the stretch a merge
// relabels), so a handful of blocks catches nearly every access.
class RunTable {
public:
    static constexpr std::int32_t kRowBytes = 128;
    static constexpr std::int64_t kRunsPerRow = kRowBytes / sizeof(Run);
    static constexpr std::int64_t kRowsPerLine = 32;
    static constexpr std::int64_t kRunsPerLine = kRunsPerRow * kRowsPerLine;
    static constexpr int kLines = 8;

    RunTable(VMTile& store, PageDataList* list) : m_scratch(store, list) {}

    bool create(std::int64_t runs) {
        // Whole lines, so that loading and storing a line never leaves the plane.
        const std::int64_t lines =
            std::max<std::int64_t>(1, (runs + kRunsPerLine - 1) / kRunsPerLine);
        const std::int64_t rows = lines * kRowsPerLine;
        if (rows > INT32_MAX) return false;
        const std::uint8_t zero = 0;
        return m_scratch.create(1, kRowBytes, static_cast<std::int32_t>(rows), &zero);
    }

    bool get(std::int64_t index, Run& out) {
        Line* line = lineFor(index / kRunsPerLine);
        if (!line) return false;
        out = line->runs[static_cast<std::size_t>(index % kRunsPerLine)];
        return true;
    }

    bool set(std::int64_t index, const Run& run) {
        Line* line = lineFor(index / kRunsPerLine);
        if (!line) return false;
        line->runs[static_cast<std::size_t>(index % kRunsPerLine)] = run;
        line->dirty = true;
        return true;
    }

    enum class Visit { Unchanged, Changed, Stop };

    // Calls visit(index, run) for the runs first ... last in order, a line at
    // a time, until it answers Stop; Changed marks the run's line for writing
    // back. False when the store failed.
    template <class Visitor>
    bool forRange(std::int64_t first, std::int64_t last, Visitor&& visit) {
        std::int64_t index = first;
        while (index <= last) {
            Line* line = lineFor(index / kRunsPerLine);
            if (!line) return false;
            const std::int64_t lineEnd =
                std::min(last + 1, (index / kRunsPerLine + 1) * kRunsPerLine);
            for (; index < lineEnd; ++index) {
                const Visit answer =
                    visit(index, line->runs[static_cast<std::size_t>(index % kRunsPerLine)]);
                if (answer == Visit::Changed) line->dirty = true;
                if (answer == Visit::Stop) return true;
            }
        }
        return true;
    }

private:
    struct Line {
        std::int64_t number = -1;
        bool dirty = false;
        std::uint64_t lastUse = 0;
        std::array<Run, kRunsPerLine> runs{};
    };

    static std::uint8_t* bytes(Line& line) {
        return reinterpret_cast<std::uint8_t*>(line.runs.data());
    }

    // The cached line `number`, loading it (and writing back the least
    // recently used line) when needed; null when the store failed.
    Line* lineFor(std::int64_t number) {
        if (m_recent && m_recent->number == number) return m_recent;
        m_recent = findOrLoad(number);
        return m_recent;
    }

    Line* findOrLoad(std::int64_t number) {
        ++m_clock;
        Line* victim = &m_lines[0];
        for (Line& line : m_lines) {
            if (line.number == number) {
                line.lastUse = m_clock;
                return &line;
            }
            if (line.lastUse < victim->lastUse) victim = &line;
        }
        if (victim->dirty) {
            const std::int64_t top = victim->number * kRowsPerLine;
            for (std::int64_t r = 0; r < kRowsPerLine; ++r) {
                if (!m_scratch.writeRow(0, 0, static_cast<std::int32_t>(top + r), kRowBytes,
                                        bytes(*victim) + r * kRowBytes)) {
                    return nullptr;
                }
            }
            victim->dirty = false;
        }
        victim->number = -1;
        const std::int64_t top = number * kRowsPerLine;
        for (std::int64_t r = 0; r < kRowsPerLine; ++r) {
            if (!m_scratch.readRow(0, 0, static_cast<std::int32_t>(top + r), kRowBytes,
                                   bytes(*victim) + r * kRowBytes)) {
                return nullptr;
            }
        }
        victim->number = number;
        victim->lastUse = m_clock;
        return victim;
    }

    PageData m_scratch;
    std::array<Line, kLines> m_lines{};
    Line* m_recent = nullptr;  // the line of the last access
    std::uint64_t m_clock = 0;
};

Rect intersect(const Rect& a, const Rect& b) {
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    return r.empty() ? Rect{} : r;
}

// The state of one search.
class Search {
public:
    Search(PageData& data, ProgressPort* progress, std::span<const ComparedPlane> compared,
           const Rect& rect)
        : m_data(data), m_progress(progress), m_compared(compared), m_rect(rect) {}

    bool cancelled() const { return m_cancelled; }

    bool allocate() {
        const auto width = static_cast<std::size_t>(m_rect.width());
        try {
            m_samples.resize(m_compared.size());
            for (auto& row : m_samples) row.reset(new std::uint8_t[width]);
            m_match.reset(new std::uint8_t[width]);
            m_rowFirstRun.assign(static_cast<std::size_t>(m_rect.height()) + 1, 0);
            m_rowFirstLabel.assign(static_cast<std::size_t>(m_rect.height()) + 1, 0);
        } catch (const std::bad_alloc&) {
            return false;
        }
        m_first.fill(-1);
        m_last.fill(-1);
        return true;
    }

    // First pass: counts the runs and finds the one holding the seed.
    bool countRuns(std::int32_t seedX, std::int32_t seedY, std::int64_t& runs,
                   std::int64_t& seedRun) {
        runs = 0;
        seedRun = -1;
        for (std::int32_t y = m_rect.top; y < m_rect.bottom; ++y) {
            if (!matchRow(y)) return false;
            forEachRun([&](std::int32_t x0, std::int32_t x1) {
                if (y == seedY && seedX >= x0 && seedX < x1) seedRun = runs;
                ++runs;
                return true;
            });
            if (step(y - m_rect.top + 1)) return false;
        }
        return true;
    }

    // Second pass: stores and labels every run.
    bool labelRuns(RunTable& table, std::int64_t runs) {
        m_table = &table;
        std::int64_t r = 0;
        const std::int32_t height = m_rect.height();
        for (std::int32_t row = 0; row < height; ++row) {
            const std::int32_t y = m_rect.top + row;
            m_rowFirstRun[static_cast<std::size_t>(row)] = r;
            m_rowFirstLabel[static_cast<std::size_t>(row)] = m_nextLabel;
            m_filledRows = row + 1;
            if (!matchRow(y)) return false;
            const std::int64_t aboveEnd = r;
            std::int64_t above = row > 0 ? m_rowFirstRun[static_cast<std::size_t>(row) - 1] : r;
            const bool ok = forEachRun([&](std::int32_t x0, std::int32_t x1) {
                if (r >= runs) return false;  // the page changed between the passes
                return labelRun(r++, x0, x1, y, above, aboveEnd);
            });
            if (!ok) return false;
            if (step(std::int64_t{height} + row + 1)) return false;
        }
        m_rowFirstRun[static_cast<std::size_t>(height)] = r;
        m_rowFirstLabel[static_cast<std::size_t>(height)] = m_nextLabel;
        m_filledRows = height + 1;
        return r == runs;
    }

    // Writes the outputs over every run with the seed run's label.
    bool writeArea(std::int64_t runs, std::int64_t seedRun, std::span<const OutputPlane> outputs,
                   Rect& bounds) {
        std::vector<std::unique_ptr<std::uint8_t[]>> values;
        const auto width = static_cast<std::size_t>(m_rect.width());
        try {
            for (const OutputPlane& output : outputs) {
                values.emplace_back(new std::uint8_t[width]);
                std::fill_n(values.back().get(), width, output.value);
            }
        } catch (const std::bad_alloc&) {
            return false;
        }
        Run seed;
        if (!m_table->get(seedRun, seed)) return false;
        const std::int32_t label = seed.label;
        std::int64_t from = 0;
        std::int64_t to = runs - 1;
        if (label < ConnectedArea::kTrackedLabels) {
            from = m_first[static_cast<std::size_t>(label)];
            to = m_last[static_cast<std::size_t>(label)];
        } else {
            from = firstPossibleRun(label);
        }
        std::int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
        const std::int64_t height = m_rect.height();
        bool failed = false;
        const bool scanned = m_table->forRange(from, to, [&](std::int64_t, Run& run) {
            if (run.label == label) {
                for (std::size_t o = 0; o < outputs.size(); ++o) {
                    if (!m_data.writeRow(outputs[o].plane, run.x, run.y, run.length,
                                         values[o].get())) {
                        failed = true;
                        return RunTable::Visit::Stop;
                    }
                }
                left = std::min<std::int64_t>(left, run.x);
                right = std::max<std::int64_t>(right, std::int64_t{run.x} + run.length);
                top = std::min<std::int64_t>(top, run.y);
                bottom = std::max<std::int64_t>(bottom, std::int64_t{run.y} + 1);
            }
            if (step(2 * height + (run.y - m_rect.top) + 1)) {
                failed = true;
                return RunTable::Visit::Stop;
            }
            return RunTable::Visit::Unchanged;
        });
        if (!scanned || failed) return false;
        if (left > right) return false;  // the seed run's label was not found: cannot happen
        bounds = Rect{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                      static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)};
        return true;
    }

    std::int64_t labelCount() const { return m_nextLabel - 1; }

private:
    // Sets m_match[i] for the row: 1 when every compared plane matches.
    bool matchRow(std::int32_t y) {
        const std::int32_t width = m_rect.width();
        std::fill_n(m_match.get(), width, std::uint8_t{1});
        for (std::size_t c = 0; c < m_compared.size(); ++c) {
            std::uint8_t* samples = m_samples[c].get();
            if (!m_data.readRow(m_compared[c].plane, m_rect.left, y, width, samples)) return false;
            const int reference = m_compared[c].reference;
            const int low = reference - m_compared[c].tolerance;
            const int high = reference + m_compared[c].tolerance;
            for (std::int32_t i = 0; i < width; ++i) {
                const int s = samples[i];
                if (s < low || s > high) m_match[static_cast<std::size_t>(i)] = 0;
            }
        }
        return true;
    }

    // Calls visit(x0, x1) for every maximal run [x0, x1) of matching pixels
    // of the row in m_match, in image coordinates; stops when visit returns
    // false and returns false then.
    template <class Visit>
    bool forEachRun(Visit&& visit) {
        const std::int32_t width = m_rect.width();
        const std::uint8_t* match = m_match.get();
        std::int32_t i = 0;
        while (i < width) {
            while (i < width && !match[i]) ++i;
            if (i == width) break;
            const std::int32_t start = i;
            while (i < width && match[i]) ++i;
            if (!visit(m_rect.left + start, m_rect.left + i)) return false;
        }
        return true;
    }

    // Labels run r = [x0, x1) of row y against the runs [above, aboveEnd)
    // of the row above, which are sorted by x and disjoint. `above` moves
    // past runs that end before this one starts: later runs of the row start
    // further right, so they cannot touch them either.
    bool labelRun(std::int64_t r, std::int32_t x0, std::int32_t x1, std::int32_t y,
                  std::int64_t& above, std::int64_t aboveEnd) {
        std::int32_t label = 0;
        Run run;
        while (above < aboveEnd) {
            if (!m_table->get(above, run)) return false;
            if (std::int64_t{run.x} + run.length > x0) break;
            ++above;
        }
        for (std::int64_t q = above; q < aboveEnd; ++q) {
            if (!m_table->get(q, run)) return false;
            if (run.x >= x1) break;
            // run q shares a column with this one.
            if (label == 0) {
                label = run.label;
            } else if (run.label != label) {
                const std::int32_t keep = std::min(label, run.label);
                if (!merge(std::max(label, run.label), keep, r)) return false;
                label = keep;
            }
        }
        if (label == 0) label = m_nextLabel++;
        if (!m_table->set(r, Run{label, x0, y, x1 - x0})) return false;
        if (label < ConnectedArea::kTrackedLabels) {
            auto& first = m_first[static_cast<std::size_t>(label)];
            if (first < 0) first = r;
            m_last[static_cast<std::size_t>(label)] = r;
        }
        return true;
    }

    // Relabels every stored run of label `from` (below run `end`) as `into`,
    // into < from, and moves the table entries along.
    bool merge(std::int32_t from, std::int32_t into, std::int64_t end) {
        std::int64_t begin = 0;
        std::int64_t last = end - 1;
        if (from < ConnectedArea::kTrackedLabels) {
            begin = m_first[static_cast<std::size_t>(from)];
            last = m_last[static_cast<std::size_t>(from)];
            m_first[static_cast<std::size_t>(from)] = -1;
            m_last[static_cast<std::size_t>(from)] = -1;
        } else {
            begin = firstPossibleRun(from);
        }
        std::int64_t lowest = -1;
        std::int64_t highest = -1;
        const bool scanned = m_table->forRange(begin, last, [&](std::int64_t i, Run& run) {
            if (run.label != from) return RunTable::Visit::Unchanged;
            run.label = into;
            if (lowest < 0) lowest = i;
            highest = i;
            return RunTable::Visit::Changed;
        });
        if (!scanned) return false;
        if (into < ConnectedArea::kTrackedLabels && lowest >= 0) {
            auto& first = m_first[static_cast<std::size_t>(into)];
            auto& lastOfInto = m_last[static_cast<std::size_t>(into)];
            if (first < 0 || lowest < first) first = lowest;
            if (highest > lastOfInto) lastOfInto = highest;
        }
        return true;
    }

    // The first run of the row in which `label` was handed out: no run of
    // the label can come earlier, since a run only ever takes a label that
    // existed when it was stored, or a smaller one through a merge.
    std::int64_t firstPossibleRun(std::int32_t label) const {
        const auto begin = m_rowFirstLabel.begin();
        const auto end = begin + m_filledRows;
        // The last row whose first new label is <= label.
        const auto after = std::upper_bound(begin, end, label);
        if (after == begin) return 0;
        return m_rowFirstRun[static_cast<std::size_t>(after - begin - 1)];
    }

    // Reports progress; true when the user cancelled.
    bool step(std::int64_t done) {
        if (!m_progress) return false;
        std::int64_t total = 3 * std::int64_t{m_rect.height()};
        // The progress window counts in 32 bits.
        while (total > INT32_MAX) {
            total >>= 1;
            done >>= 1;
        }
        if (m_progress->update(static_cast<std::int32_t>(done), static_cast<std::int32_t>(total))) {
            m_cancelled = true;
            return true;
        }
        return false;
    }

    PageData& m_data;
    ProgressPort* m_progress;
    std::span<const ComparedPlane> m_compared;
    Rect m_rect;
    RunTable* m_table = nullptr;

    std::vector<std::unique_ptr<std::uint8_t[]>> m_samples;
    std::unique_ptr<std::uint8_t[]> m_match;
    std::array<std::int64_t, ConnectedArea::kTrackedLabels> m_first{};
    std::array<std::int64_t, ConnectedArea::kTrackedLabels> m_last{};
    // Per row of the rectangle (and one past the end): the index of its first
    // run and the first label that could be handed out in it.
    std::vector<std::int64_t> m_rowFirstRun;
    std::vector<std::int32_t> m_rowFirstLabel;
    std::int32_t m_filledRows = 0;
    std::int32_t m_nextLabel = 1;
    bool m_cancelled = false;
};

}  // namespace

ConnectedArea::ConnectedArea(PageData& data, ProgressPort* progress)
    : m_data(data), m_progress(progress) {}

bool ConnectedArea::search(std::int32_t seedX, std::int32_t seedY,
                           std::span<const ComparedPlane> compared,
                           std::span<const OutputPlane> outputs, const Rect& area, Rect& bounds) {
    bounds = Rect{};
    m_runCount = 0;
    m_labelCount = 0;
    m_cancelled = false;

    const Rect rect = intersect(area, Rect{0, 0, m_data.width(), m_data.height()});
    if (rect.empty() || seedX < rect.left || seedX >= rect.right || seedY < rect.top ||
        seedY >= rect.bottom) {
        return true;
    }

    std::unique_ptr<Search> search(new (std::nothrow) Search(m_data, m_progress, compared, rect));
    if (!search || !search->allocate()) return false;

    std::int64_t runs = 0;
    std::int64_t seedRun = -1;
    const bool counted = search->countRuns(seedX, seedY, runs, seedRun);
    m_cancelled = search->cancelled();
    if (!counted) return false;
    m_runCount = runs;
    if (seedRun < 0) return true;  // the seed does not match
    // Labels and coordinates are stored in 32 bits.
    if (runs >= INT32_MAX) return false;

    std::unique_ptr<RunTable> table(new (std::nothrow) RunTable(m_data.store(), m_data.list()));
    if (!table || !table->create(runs)) return false;

    const bool labelled = search->labelRuns(*table, runs);
    m_labelCount = search->labelCount();
    m_cancelled = search->cancelled();
    if (!labelled) return false;

    const bool written = search->writeArea(runs, seedRun, outputs, bounds);
    m_cancelled = search->cancelled();
    if (!written) bounds = Rect{};
    return written;
}

}  // namespace tessary
