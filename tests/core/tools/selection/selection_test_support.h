#pragma once

// Presses through the tool box on a scripted view, plane comparison with
// images written beside the test log on mismatch, a progress window that
// cancels on cue, and reference routines for the selection shapes written
// from their definitions.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/tool_globals.h"
#include "core/tools/paint_test_support.h"
#include "model/progress_port.h"
#include "tools/scripted_tool_view.h"
#include "tools/tool_box.h"
#include "tools/tool_event.h"

namespace tessary::test {

using Mask = std::vector<std::uint8_t>;

struct Keys {
    bool shift = false;
    bool ctrl = false;
};

// A tool box on its own globals and a page, pressed the way the view does.
class SelectionRig {
public:
    explicit SelectionRig(std::uint32_t slots = 256, bool purge = true)
        : paint(slots, purge), box(globals) {}

    // Makes `tool` current and presses at `at`, dragging through `path`
    // (released at its last point). The view of the press stays in `view`.
    ErrorCode press(int tool, ToolPoint at, std::vector<ToolPoint> path = {}, Keys keys = {}) {
        box.setCurrentIndex(tool);
        view = std::make_unique<ScriptedToolView>(std::move(path));
        if (progressFactory) view->setProgressFactory(progressFactory);
        ToolEvent event;
        event.view = view.get();
        event.page = &paint.page;
        event.windowPoint = event.imagePoint = at;
        event.shift = keys.shift ? 0x80 : 0;
        event.ctrl = keys.ctrl ? 0x80 : 0;
        const ErrorCode code = box.pressOnPage(event);
        lastAction = event.action;
        return code;
    }
    // A drag of the selection tool from `from` to `to`.
    ErrorCode drag(ToolPoint from, ToolPoint to, Keys keys = {}) {
        return press(ToolBox::kSelection, from, {to}, keys);
    }

    Page& page() { return paint.page; }
    int maskPlane() const { return paint.page.colourPlaneCount(); }
    Mask mask() const { return paint.plane(maskPlane()); }

    ToolGlobals globals;
    PaintPage paint;
    ToolBox box;
    std::unique_ptr<ScriptedToolView> view;
    std::function<std::unique_ptr<ProgressPort>()> progressFactory;
    std::int32_t lastAction = 0;
};

// Compares two row-by-row planes of `width`; on mismatch writes both as
// PGM images named after `name` and reports the first difference.
inline ::testing::AssertionResult samePlane(const std::string& name, const Mask& actual,
                                            const Mask& expected, std::int32_t width) {
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure()
               << name << ": sizes " << actual.size() << " and " << expected.size();
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (actual[i] == expected[i]) continue;
        const auto height = static_cast<std::int32_t>(actual.size() / width);
        for (const auto& [suffix, plane] : {std::pair{std::string("actual"), &actual},
                                            std::pair{std::string("expected"), &expected}}) {
            std::ofstream file(name + "_" + suffix + ".pgm", std::ios::binary);
            file << "P5\n" << width << " " << height << "\n255\n";
            file.write(reinterpret_cast<const char*>(plane->data()),
                       static_cast<std::streamsize>(plane->size()));
        }
        return ::testing::AssertionFailure()
               << name << ": first difference at (" << i % width << ", " << i / width
               << "): " << int{actual[i]} << " instead of " << int{expected[i]};
    }
    return ::testing::AssertionSuccess();
}

// Counts updates and answers "cancelled" from update number `cancelAt` on
// (never when 0).
struct ProgressLog {
    int cancelAt = 0;
    int updates = 0;
    int windows = 0;
    bool closed = false;
    bool closedFinished = false;
    std::string text;
};

class CancellingProgress : public ProgressPort {
public:
    explicit CancellingProgress(ProgressLog& log) : m_log(log) { ++m_log.windows; }
    void setDelay(std::uint32_t) override {}
    bool update(std::int32_t, std::int32_t) override {
        ++m_log.updates;
        return m_log.cancelAt > 0 && m_log.updates >= m_log.cancelAt;
    }
    bool updateSecond(std::int32_t, std::int32_t) override { return false; }
    bool checkCancel() override { return false; }
    bool setCancellable(bool cancellable) override { return cancellable; }
    void setText(int line, std::string_view text) override {
        if (line == 0) m_log.text = std::string(text);
    }
    void setPair(int, std::int16_t, std::int16_t) override {}
    void close(bool finish) override {
        m_log.closed = true;
        m_log.closedFinished = finish;
    }

private:
    ProgressLog& m_log;
};

// Whether subsample column sx of subsample row sy lies in the ellipse
// inscribed in a box of w x h subsamples: the span of that row is
// x0 ... w - x0 - 1 with x0 = floor(w / 2) - trunc(b sqrt(1 - dy^2 / a^2)),
// a = h / 2, b = w / 2, dy = |sy - floor(h / 2)|.
inline bool inEllipse(std::int64_t w, std::int64_t h, std::int64_t sx, std::int64_t sy) {
    const double a = h / 2.0;
    const double b = w / 2.0;
    const double dy = static_cast<double>(std::llabs(sy - h / 2));
    double ratio = 1.0 - dy * dy / (a * a);
    if (ratio < 0) ratio = 0;
    const std::int64_t x0 = w / 2 - static_cast<std::int64_t>(b * std::sqrt(ratio));
    return sx >= x0 && sx < w - x0;
}

// The coverage of pixel (x, y) of an ellipse box of w x h pixels with n x n
// subsamples (n = 0: none), counted one subsample at a time.
inline std::uint8_t ellipseCoverage(std::int64_t w, std::int64_t h, int n, std::int64_t x,
                                    std::int64_t y) {
    if (n == 0) return inEllipse(w, h, x, y) ? 255 : 0;
    int count = 0;
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) count += inEllipse(w * n, h * n, x * n + i, y * n + j);
    }
    return static_cast<std::uint8_t>(count * 255 / (n * n));
}

// A mask of width x height with `shape(x, y)` at every pixel.
template <class Shape>
Mask maskOf(std::int32_t width, std::int32_t height, Shape&& shape) {
    Mask out(static_cast<std::size_t>(width) * height);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            out[static_cast<std::size_t>(y) * width + x] = shape(x, y);
        }
    }
    return out;
}

}  // namespace tessary::test
