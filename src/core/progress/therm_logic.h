#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/image_data.h"
#include "model/progress_port.h"
#include "progress/therm_layout.h"
#include "progress/therm_port.h"

namespace tessary {

// What one row of the progress window shows, for the window to paint.
struct ThermRowPaint {
    enum class Kind { kNone, kText, kBar };
    Kind kind = Kind::kNone;
    // The row rectangle (client pixels).
    Rect rect;
    // kText: fill the row white and draw the text at (rect.left, rect.top + 2).
    std::string_view text;
    // kBar: frame `rect` black; fill `inner` (rect less 1 on each side)
    // white, then dark grey from inner.left over `filled` pixels.
    Rect inner;
    std::int32_t filled = 0;
};

// The logic of the progress window: when it opens, what it shows, how often
// it redraws and looks for a cancel request. The shell's window paints only
// what rowPaint() and cancelPressed() describe and forwards its messages
// through the port; the engine drives it through ProgressPort.
//
// Timing, with the port's tick count:
//  - the window opens at the first update once the delay set by the first
//    setDelay() has passed (strictly more than `delay` ms after that call;
//    at once without setDelay());
//  - update() redraws bar 0 at most once every 300 ms; updateSecond() is
//    not throttled and does not open the window;
//  - checkCancel() looks at messages at most once every 600 ms, and only
//    while cancelling is enabled (initially when the style has a Cancel
//    button, see setCancellable()).
// A cancel request is Ctrl+period, a click on the Cancel button, or a quit
// message. The answer is true only for the call that saw it.
class ThermLogic : public ProgressPort {
public:
    static constexpr std::uint32_t kRedrawInterval = 300;
    static constexpr std::uint32_t kCancelCheckInterval = 600;
    static constexpr std::uint32_t kButtonPressMs = 500;
    static constexpr std::size_t kMaxTextBytes = 255;

    // `port` must outlive the object. See ThermLayout for the styles.
    ThermLogic(ThermPort& port, int style);
    // Closes the window (filling the bars) when it is open.
    ~ThermLogic() override;
    ThermLogic(const ThermLogic&) = delete;
    ThermLogic& operator=(const ThermLogic&) = delete;

    // Creates the window when it is not open: resets the call counter, both
    // bars' done values and the cancel answer, and places the window over
    // the main window. Stays closed when the port cannot create it.
    void open();
    // The first call after construction or close() starts the delay clock
    // with `ms`; later calls do nothing.
    void setDelay(std::uint32_t ms) override;
    // Opens the window when it is closed and the delay has passed.
    void showIfDue();

    // Progress of bar 0. Opens the window when due; false while it is
    // closed. Looks for a cancel request (in `message` when given, else in
    // the port's queue); then, unless the last redraw by an update was less
    // than 300 ms ago or a cancel was seen, stores (done, total) and redraws
    // bar 0. A done of -1 takes the call counter instead, which then counts
    // on by one. Returns whether a cancel was seen.
    bool update(std::int32_t done, std::int32_t total, const ThermMessage* message);
    // The same for bar 1, without opening the window and without the 300 ms
    // throttle (and without touching bar 0's throttle).
    bool updateSecond(std::int32_t done, std::int32_t total, const ThermMessage* message);
    // Looks for a cancel request: false while cancelling is disabled or when
    // the last look was less than 600 ms ago; else examines `message` when
    // given, or every message the port has queued. Ctrl+period shows the
    // Cancel button pressed for 500 ms when there is one.
    bool checkCancel(const ThermMessage* message);
    bool setCancellable(bool cancellable) override;
    // With `finish`, the bars the style shows are drawn full (1 of 1) at
    // once, whatever the throttle. Then the window goes. The delay clock
    // stops in any case, so the next setDelay() starts it again.
    void close(bool finish) override;
    // Line 0 or 1 (other lines are ignored): keeps at most 255 bytes, cut at
    // a character boundary of UTF-8 text; the joined text is text 0 followed
    // by text 1, cut the same way. Redraws the row showing the line when
    // the window is open.
    void setText(int line, std::string_view text) override;
    // Stores two values under index 0-2 (others are ignored); nothing shows
    // them.
    void setPair(int index, std::int16_t first, std::int16_t second) override;

    // ProgressPort: the same calls without a message record.
    bool update(std::int32_t done, std::int32_t total) override {
        return update(done, total, nullptr);
    }
    bool updateSecond(std::int32_t done, std::int32_t total) override {
        return updateSecond(done, total, nullptr);
    }
    bool checkCancel() override { return checkCancel(nullptr); }

    // --- What to draw ------------------------------------------------------
    const ThermLayout& layout() const { return m_layout; }
    bool isOpen() const { return m_open; }
    // Row r (1-based): its text or its bar; kNone for rows the style lacks.
    ThermRowPaint rowPaint(int row) const;
    // The Cancel button is shown pressed (during the 500 ms after Ctrl+period).
    bool cancelPressed() const { return m_cancelPressed; }

    // --- State, for the shell and tests ------------------------------------
    std::int32_t barDone(int bar) const { return m_bars[bar].done; }
    std::int32_t barTotal(int bar) const { return m_bars[bar].total; }
    const std::string& text(int line) const { return m_texts[line]; }
    const std::string& joinedText() const { return m_joined; }
    bool cancelEnabled() const { return m_cancelEnabled; }
    bool cancelled() const { return m_cancelled; }
    bool delayStarted() const { return m_delayStarted; }
    std::int32_t callCounter() const { return m_callCounter; }
    std::array<std::int16_t, 2> pair(int index) const { return m_pairs[index]; }

    // `text` cut to at most `limit` bytes without splitting a UTF-8
    // sequence.
    static std::string_view cutText(std::string_view text, std::size_t limit);

private:
    struct Bar {
        std::int32_t done = 0;
        std::int32_t total = 0;
    };

    // Whether `message` asks for a cancel; acts out the button press.
    bool examine(const ThermMessage& message);
    void storeBar(int bar, std::int32_t done, std::int32_t total);
    void repaintRow(int row);

    ThermPort& m_port;
    ThermLayout m_layout;

    std::uint32_t m_lastCancelCheck = 0;
    std::uint32_t m_lastUpdate = 0;
    std::array<Bar, 2> m_bars{};
    bool m_cancelled = false;
    bool m_delayStarted = false;
    std::array<std::string, 2> m_texts;
    std::string m_joined;
    bool m_open = false;
    bool m_cancelPressed = false;
    std::uint32_t m_delayStart = 0;
    std::uint32_t m_delay = 0;
    bool m_cancelEnabled;
    std::int32_t m_callCounter = 0;
    std::array<std::array<std::int16_t, 2>, 3> m_pairs{};
};

}  // namespace tessary
