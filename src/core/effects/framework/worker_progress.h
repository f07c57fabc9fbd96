#pragma once

#include <cstdint>

#include "model/progress_port.h"

namespace tessary {

// Counts a worker's steps against its total and asks the progress window
// after each one. Without a window (null) no step ever cancels.
//
// Totals beyond the 32-bit range of the window are scaled down, so the bar
// still moves from 0 to the end.
class WorkerProgress {
public:
    WorkerProgress(ProgressPort* port, std::int64_t total);

    // One step done; true when the user cancelled.
    bool step();
    std::int64_t done() const { return m_done; }
    std::int64_t total() const { return m_total; }

private:
    ProgressPort* m_port;
    std::int64_t m_total;
    std::int64_t m_done = 0;
    int m_shift = 0;  // reported values are done >> shift, total >> shift
};

}  // namespace tessary
