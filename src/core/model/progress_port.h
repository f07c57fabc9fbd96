#pragma once

#include <cstdint>
#include <string_view>

namespace tessary {

// The progress window as the engine sees it. Long operations report
// (done, total) after each row or tile and stop when an update answers that
// the user cancelled. The shell implements it with its progress window; tests
// implement it with fakes that count steps or cancel on cue.
//
// The window decides itself when to appear (after the delay), how often to
// redraw and how often to look for a cancel request, so callers may update
// as often as they like.
class ProgressPort {
public:
    virtual ~ProgressPort() = default;

    // Starts the display delay: the window shows only once `ms` milliseconds
    // have passed since the first call after construction or close.
    virtual void setDelay(std::uint32_t ms) = 0;
    // Progress of the first bar. True when the user cancelled. A done value
    // of -1 means "one step more than last time".
    virtual bool update(std::int32_t done, std::int32_t total) = 0;
    // Progress of the second bar; True when the user cancelled.
    virtual bool updateSecond(std::int32_t done, std::int32_t total) = 0;
    // Looks for a cancel request without reporting progress.
    virtual bool checkCancel() = 0;
    // Whether a cancel request is looked for at all; returns the new setting.
    virtual bool setCancellable(bool cancellable) = 0;
    // Text line 0 or 1 (at most 255 characters are kept).
    virtual void setText(int line, std::string_view text) = 0;
    // Stores two 16-bit values under index 0-2; kept for modules that report
    // them, not shown.
    virtual void setPair(int index, std::int16_t first, std::int16_t second) = 0;
    // Closes the window; with `finish` the shown bars are drawn full first.
    virtual void close(bool finish) = 0;
};

}  // namespace tessary
