#include "progress/therm_logic.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace tessary {
namespace {

// A window system with a hand-driven clock and a scripted queue; a repaint
// records the row with the bar value and fill the logic then describes.
class FakeThermPort : public ThermPort {
public:
    struct Repaint {
        int row;
        std::int32_t done, filled;
    };
    std::uint32_t now = 100000;
    bool canOpen = true;
    int opens = 0, closes = 0, buttonRepaints = 0;
    ThermPoint origin;
    std::deque<std::pair<ThermMessage, bool>> queue;  // message, Control held
    std::vector<Repaint> repaints;
    std::vector<bool> pressedDuringWaits;
    const ThermLogic* logic = nullptr;

    std::uint32_t tickCount() override { return now; }
    Rect mainClientRect() override { return Rect{100, 50, 700, 450}; }
    bool openWindow(ThermPoint at) override {
        origin = at;
        return ++opens, canOpen;
    }
    void closeWindow() override { ++closes; }
    void repaintRow(int row) override {
        const int bar = row == logic->layout().bar1Row() ? 1 : 0;
        repaints.push_back({row, logic->barDone(bar), logic->rowPaint(row).filled});
    }
    void repaintCancelButton() override { ++buttonRepaints; }
    std::optional<ThermMessage> takeMessage() override {
        if (queue.empty()) return std::nullopt;
        const auto [message, control] = queue.front();
        queue.pop_front();
        m_control = control;
        return message;
    }
    bool controlKeyDown() override { return m_control; }
    void wait(std::uint32_t ms) override {
        pressedDuringWaits.push_back(logic->cancelPressed() && ms == 500);
        now += ms;
    }

    void type(char32_t c, bool control = true) {
        queue.push_back({{ThermMessage::Kind::kCharacter, c}, control});
    }
    void push(ThermMessage::Kind kind) { queue.push_back({{kind, 0}, false}); }
    std::vector<std::int32_t> done(int row) const {
        std::vector<std::int32_t> out;
        for (const Repaint& r : repaints) {
            if (r.row == row) out.push_back(r.done);
        }
        return out;
    }

private:
    bool m_control = false;
};

struct Rig {
    FakeThermPort port;
    std::unique_ptr<ThermLogic> logic;
    explicit Rig(int style) : logic(std::make_unique<ThermLogic>(port, style)) {
        port.logic = logic.get();
    }
    bool after(std::uint32_t ms, std::int32_t done, std::int32_t total = 10) {
        port.now += ms;
        return logic->update(done, total);
    }
};

TEST(ThermLogic, TheWindowOpensOnceTheFirstDelayHasPassed) {
    Rig rig(25002);
    rig.logic->setDelay(100);
    rig.port.now += 60;
    rig.logic->setDelay(10);         // only the first call counts
    EXPECT_FALSE(rig.after(40, 1));  // exactly 100 ms: not yet
    EXPECT_EQ(rig.port.opens, 0);
    rig.after(1, 3);
    EXPECT_TRUE(rig.logic->isOpen());
    EXPECT_EQ(rig.port.origin, (ThermPoint{250, 200}));  // centred over the main window
    rig.logic->close(false);
    rig.logic->setDelay(30);  // after close the clock starts again
    rig.after(30, 1);
    EXPECT_FALSE(rig.logic->isOpen());
    rig.logic->close(true);  // an operation that ends within the delay shows nothing
    rig.after(100, 1);
    EXPECT_EQ(rig.port.opens, 2);  // without a delay the first update opens
    EXPECT_EQ(rig.port.closes, 1);

    Rig wrap(25002);  // tick counts wrap at 2^32
    wrap.port.now = 0xFFFFFF00u;
    wrap.logic->setDelay(300);
    wrap.after(0x80, 1);  // 128 ms, before the wrap
    wrap.after(0xA0, 1);  // 288 ms, after it
    EXPECT_FALSE(wrap.logic->isOpen());
    wrap.after(13, 1);
    EXPECT_TRUE(wrap.logic->isOpen());
}

TEST(ThermLogic, AWindowThatCannotBeMadeAnswersFalseAndPaintsNothing) {
    Rig rig(25002);
    rig.port.canOpen = false;
    rig.port.type(U'.');
    EXPECT_FALSE(rig.after(0, 1));
    EXPECT_FALSE(rig.after(1000, 2));
    EXPECT_FALSE(rig.logic->updateSecond(1, 2));
    EXPECT_EQ(rig.port.opens, 2);
    EXPECT_TRUE(rig.port.repaints.empty());
}

TEST(ThermLogic, BarZeroRedrawsAtMostEveryThreeHundredMillisecondsBarOneAlways) {
    Rig rig(25003);
    const std::pair<std::uint32_t, int> steps[] = {{0, 1}, {100, 2}, {199, 3}, {1, 4}, {450, 5}};
    for (auto [ms, done] : steps) rig.after(ms, done, 100);
    EXPECT_EQ(rig.port.done(3), (std::vector<std::int32_t>{1, 4, 5}));
    EXPECT_EQ(rig.port.repaints.back().filled, 278 * 5 / 100);
    for (int i = 1; i <= 3; ++i) {
        rig.port.now += 100;
        rig.logic->updateSecond(i, 4);
    }
    EXPECT_EQ(rig.port.done(4), (std::vector<std::int32_t>{1, 2, 3}));
    rig.after(0, 6, 100);  // bar 1's redraws do not hold bar 0 back
    EXPECT_EQ(rig.logic->barDone(0), 6);
}

TEST(ThermLogic, MinusOneCountsOneStepPerRedraw) {
    Rig rig(25005);
    rig.logic->open();
    for (int i = 0; i < 5; ++i) rig.after(300, -1);
    rig.after(10, -1);  // turned away by the throttle: not counted
    rig.after(300, -1);
    EXPECT_EQ(rig.port.done(3), (std::vector<std::int32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(rig.port.repaints[4].filled, 111);  // 4 tenths of 278
    rig.logic->updateSecond(-1, 4);               // the counter is shared
    EXPECT_EQ(rig.logic->barDone(1), 6);
    rig.logic->close(false);
    rig.logic->open();  // opening again starts from 0
    EXPECT_EQ(rig.logic->callCounter(), 0);
}

TEST(ThermLogic, CtrlPeriodCancelsTheOneUpdateThatSeesIt) {
    Rig rig(25002);
    rig.after(0, 0);  // opens; first look at messages
    rig.port.push(ThermMessage::Kind::kOther);
    rig.port.type(U'.', false);
    rig.port.type(U',');
    rig.port.type(U'.');
    rig.port.type(U'b', false);
    EXPECT_FALSE(rig.after(599, 1));  // less than 600 ms since the last look
    EXPECT_FALSE(rig.logic->checkCancel());
    EXPECT_EQ(rig.port.queue.size(), 5u);
    EXPECT_TRUE(rig.after(301, 2));  // found among other messages, all taken
    EXPECT_TRUE(rig.port.queue.empty());
    EXPECT_EQ(rig.logic->barDone(0), 1);  // the cancelled update did not move the bar
    EXPECT_EQ(rig.port.pressedDuringWaits, std::vector<bool>{true});
    EXPECT_FALSE(rig.logic->cancelPressed());
    EXPECT_EQ(rig.port.buttonRepaints, 2);
    EXPECT_FALSE(rig.after(600, 3));
}

TEST(ThermLogic, ClicksOnCancelAndQuitCancelAndOnlyCancellableStylesListen) {
    Rig rig(25000);
    rig.after(0, 0);
    rig.port.push(ThermMessage::Kind::kCancelClick);
    EXPECT_TRUE(rig.after(600, 1));
    rig.port.push(ThermMessage::Kind::kQuit);
    EXPECT_TRUE(rig.after(600, 1));
    rig.port.type(U'x');  // a message handed in is looked at instead of the queue
    const ThermMessage quit{ThermMessage::Kind::kQuit, 0};
    rig.port.now += 600;
    EXPECT_TRUE(rig.logic->update(1, 2, &quit));
    EXPECT_EQ(rig.port.queue.size(), 1u);
    EXPECT_FALSE(rig.logic->setCancellable(false));
    rig.port.now += 600;
    EXPECT_FALSE(rig.logic->checkCancel());

    for (int style : {25001, 25004, 25005}) {
        Rig plain(style);
        plain.after(0, 0);
        plain.port.type(U'.');
        EXPECT_FALSE(plain.after(1000, 1)) << style;
        EXPECT_TRUE(plain.logic->setCancellable(true));
        EXPECT_TRUE(plain.after(1000, 2)) << style;
        EXPECT_TRUE(plain.port.pressedDuringWaits.empty());  // no button to press
        plain.port.push(ThermMessage::Kind::kCancelClick);   // nor to click
        EXPECT_FALSE(plain.after(1000, 3)) << style;
    }
}

TEST(ThermLogic, RowsShowTheirLinesOrTheJoinedTextCutAtACharacter) {
    Rig shared(25000);
    shared.logic->setText(0, "Filtering...");
    shared.logic->setText(1, "Invert");
    EXPECT_TRUE(shared.port.repaints.empty());  // closed: nothing to redraw
    shared.logic->open();
    shared.logic->setText(1, "Blur");
    EXPECT_EQ(shared.port.repaints.at(0).row, 1);
    EXPECT_EQ(shared.logic->rowPaint(1).text, "Filtering...Blur");
    EXPECT_EQ(shared.logic->rowPaint(2).inner, (Rect{11, 71, 207, 89}));
    EXPECT_EQ(shared.logic->rowPaint(3).kind, ThermRowPaint::Kind::kNone);
    shared.logic->setText(0, std::string(200, 'a'));
    shared.logic->setText(1, std::string(300, 'b'));
    EXPECT_EQ(shared.logic->text(1), std::string(255, 'b'));
    EXPECT_EQ(shared.logic->rowPaint(1).text, std::string(200, 'a') + std::string(55, 'b'));
    // Two- and three-byte characters straddling the limit go whole.
    shared.logic->setText(0, std::string(254, 'c') + "\xC3\xA9tail");
    EXPECT_EQ(shared.logic->text(0), std::string(254, 'c'));
    shared.logic->setText(0, std::string(253, 'c') + "\xE2\x82\xAC");
    EXPECT_EQ(shared.logic->text(0), std::string(253, 'c'));
    shared.logic->setText(0, std::string(252, 'c') + "\xE2\x82\xAC");
    EXPECT_EQ(shared.logic->text(0).size(), 255u);

    Rig separate(25003);
    separate.logic->open();
    separate.logic->setText(1, "Erasing Selection");
    separate.logic->setText(2, "ignored");
    EXPECT_EQ(separate.logic->rowPaint(2).text, "Erasing Selection");
    EXPECT_EQ(separate.logic->rowPaint(1).text, "");
    ASSERT_EQ(separate.port.repaints.size(), 1u);
    EXPECT_EQ(separate.port.repaints[0].row, 2);
    separate.logic->setPair(2, 1, -2);
    separate.logic->setPair(3, 9, 9);  // only indexes 0-2 exist
    EXPECT_EQ(separate.logic->pair(2), (std::array<std::int16_t, 2>{1, -2}));
}

TEST(ThermLogic, CloseWithFinishFillsTheShownBarsEvenInsideTheThrottle) {
    Rig rig(25003);
    rig.after(0, 3);
    rig.logic->updateSecond(1, 10);
    rig.port.now += 10;
    rig.logic->close(true);
    EXPECT_FALSE(rig.logic->isOpen());
    ASSERT_EQ(rig.port.repaints.size(), 4u);
    EXPECT_EQ(rig.port.repaints[2].row, 3);
    EXPECT_EQ(rig.port.repaints[2].filled, 278);
    EXPECT_EQ(rig.port.repaints[3].row, 4);
    EXPECT_EQ(rig.port.repaints[3].filled, 196);
    rig.logic->close(true);  // closed already: nothing more
    EXPECT_EQ(rig.port.closes, 1);

    Rig plain(25001);
    plain.after(0, 3);
    plain.logic->close(false);  // nothing drawn
    EXPECT_EQ(plain.port.repaints.size(), 1u);
    plain.after(1000, 4);
    plain.logic.reset();  // destroying an open window finishes and closes it
    EXPECT_EQ(plain.port.closes, 2);
    EXPECT_EQ(plain.port.repaints.back().done, 1);
}

TEST(ThermLogic, ALongOperationDrivenThroughTheProgressPortStopsAtTheCancel) {
    Rig rig(25002);
    ProgressPort& progress = *rig.logic;
    progress.setText(0, "Filtering...");
    progress.setDelay(100);
    int rowsDone = 0;
    for (int row = 0; row < 1000; ++row, ++rowsDone) {
        rig.port.now += 7;  // each row takes 7 ms
        if (row == 400) rig.port.type(U'.');
        if (progress.update(row, 1000)) break;
    }
    progress.close(true);
    // Seen at the first look at least 600 ms after the one before.
    EXPECT_GE(rowsDone, 400);
    EXPECT_LE(rowsDone, 400 + 600 / 7 + 1);
    EXPECT_EQ(rig.port.opens, 1);
    EXPECT_EQ(rig.port.closes, 1);
}

}  // namespace
}  // namespace tessary
