#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "effects/framework/worker_progress.h"
#include "model/progress_port.h"

namespace tessary {

class ProgressFactory;

// The progress window of one geometry, shadow or extrude operation, from
// creation to close.
//
// The window comes from the factory in the effects' style (none when the
// factory is null or makes none: every step then succeeds and nothing can
// be cancelled). Steps count up to a total fixed by begin(); step() answers
// true when the user cancelled. finish() closes the window (drawn full on
// success) and lets it go; the destructor does the same when finish() was
// not called.
class GeometryProgress {
public:
    explicit GeometryProgress(ProgressFactory* factory);
    ~GeometryProgress();
    GeometryProgress(const GeometryProgress&) = delete;
    GeometryProgress& operator=(const GeometryProgress&) = delete;

    // The window, or null; for routines that poll the current window.
    ProgressPort* port() { return m_port.get(); }

    void setText(int line, std::string_view text);
    void setDelay(std::uint32_t ms);

    // Starts a new count of `total` steps.
    void begin(std::int64_t total);
    // One step more; true when the user cancelled.
    bool step();

    void finish(bool success);

private:
    std::unique_ptr<ProgressPort> m_port;
    std::optional<WorkerProgress> m_count;
};

}  // namespace tessary
