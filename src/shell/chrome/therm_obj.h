#pragma once

#include <QPointer>
#include <QWidget>
#include <deque>
#include <memory>

#include "effects/framework/effect_context.h"
#include "model/progress_port.h"
#include "progress/therm_logic.h"
#include "progress/therm_port.h"

class QPushButton;

namespace tessary {

class CThermObj;

// The progress window itself: a small captioned window of 300 x 120 client
// pixels that paints the rows its logic describes (texts, framed bars) and
// carries the Cancel button when the style has one.
class CThermWindow : public QWidget {
    Q_OBJECT
public:
    CThermWindow(const ThermLogic& logic, QWidget* owner);
    ~CThermWindow() override;

    QPushButton* cancelButton() const { return m_cancel; }

signals:
    void cancelClicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const ThermLogic& m_logic;
    QPushButton* m_cancel = nullptr;
};

// The progress window of long operations, as the engine sees it
// (ProgressPort): the logic of the progress window over a CThermWindow.
//
// While the window is open, input meant for other windows is held back (a
// long operation must not be re-entered by a click), except that any key
// press reaches the logic, so Ctrl+period cancels wherever the focus is;
// the logic looks at what arrived at most every 600 ms.
class CThermObj : public ProgressPort, private ThermPort {
public:
    // `style` 25000-25005; `mainWindow` (may be null) is the window the
    // progress window is centred over and owned by.
    CThermObj(int style, QWidget* mainWindow);
    ~CThermObj() override;
    CThermObj(const CThermObj&) = delete;
    CThermObj& operator=(const CThermObj&) = delete;

    ThermLogic& logic() { return m_logic; }
    // The open window, or null.
    CThermWindow* window() const { return m_window; }

    // ProgressPort, forwarded to the logic.
    void setDelay(std::uint32_t ms) override { m_logic.setDelay(ms); }
    bool update(std::int32_t done, std::int32_t total) override {
        return m_logic.update(done, total);
    }
    bool updateSecond(std::int32_t done, std::int32_t total) override {
        return m_logic.updateSecond(done, total);
    }
    bool checkCancel() override { return m_logic.checkCancel(); }
    bool setCancellable(bool cancellable) override { return m_logic.setCancellable(cancellable); }
    void setText(int line, std::string_view text) override { m_logic.setText(line, text); }
    void setPair(int index, std::int16_t first, std::int16_t second) override {
        m_logic.setPair(index, first, second);
    }
    void close(bool finish) override { m_logic.close(finish); }

private:
    class InputGate;

    // ThermPort
    std::uint32_t tickCount() override;
    Rect mainClientRect() override;
    bool openWindow(ThermPoint origin) override;
    void closeWindow() override;
    void repaintRow(int row) override;
    void repaintCancelButton() override;
    std::optional<ThermMessage> takeMessage() override;
    bool controlKeyDown() override { return m_controlDown; }
    void wait(std::uint32_t ms) override;

    void queue(const ThermMessage& message, bool controlDown);
    // Waits until the new window is on screen (at most kExposeWaitMs) and
    // paints it.
    static void showAtOnce(CThermWindow& window);

    // How long opening waits for the window system to show the window: long
    // enough for a window manager to map it, short against the operation.
    static constexpr qint64 kExposeWaitMs = 500;

    QPointer<QWidget> m_mainWindow;
    QPointer<CThermWindow> m_window;
    std::unique_ptr<InputGate> m_gate;
    struct Queued {
        ThermMessage message;
        bool controlDown = false;
    };
    std::deque<Queued> m_messages;
    bool m_controlDown = false;
    ThermLogic m_logic;  // last: it talks to the members above
};

// Makes effect progress windows (CThermObj) over the main window and keeps
// the application's current progress window: making a new one closes and
// destroys the one registered before.
class CThermFactory : public ProgressFactory {
public:
    explicit CThermFactory(QWidget* mainWindow) : m_mainWindow(mainWindow) {}
    ~CThermFactory() override;

    std::unique_ptr<ProgressPort> create(std::int16_t style) override;
    // The registered window, or null.
    CThermObj* current() const { return m_current; }

private:
    class Registered;
    QPointer<QWidget> m_mainWindow;
    CThermObj* m_current = nullptr;
};

}  // namespace tessary
