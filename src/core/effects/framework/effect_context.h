#pragma once

#include <cstdint>
#include <memory>

#include "effects/framework/filter.h"
#include "model/progress_port.h"

namespace tessary {

class NoiseGenerator;

// Makes the progress window an effect shows while it runs.
class ProgressFactory {
public:
    // The window style of the effect framework: two text lines, one bar and
    // a Cancel button.
    static constexpr std::int16_t kEffectStyle = 25002;

    virtual ~ProgressFactory() = default;
    // Closes and destroys any progress window still registered with the
    // application, creates a window of `style` (25000-25005), registers it
    // as the application's current progress window and returns it.
    // Destroying the returned object closes the window (when it is open)
    // and clears the registration. Null when no window can be made; the
    // effect then runs without progress and cannot be cancelled.
    virtual std::unique_ptr<ProgressPort> create(std::int16_t style) = 0;
};

// What the effect commands take from the application: the global opacity,
// the colours, the progress windows, the noise generator and the
// application's last-filter slot. Every reference must outlive the command.
struct EffectContext {
    std::int32_t opacity = 255;    // 0 ... 255, the tool palette's opacity
    std::uint32_t foreground = 0;  // red bits 0-7, green 8-15, blue 16-23
    std::uint32_t background = 0xFFFFFF;
    ProgressFactory& progress;
    NoiseGenerator& noise;
    // Receives a command's filter after its final run returned 0 (the
    // previous one is destroyed); untouched otherwise.
    std::unique_ptr<Filter>& lastFilter;
};

}  // namespace tessary
