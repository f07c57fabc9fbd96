#pragma once

#include <QMdiSubWindow>

#include "shell/app/command_target.h"
#include "shell/app/shell_context.h"

class QMenu;
class QVBoxLayout;

namespace tessary {

class CInfoControlBar;
class CommandRouter;
class CPageDocument;
class DocumentView;

// The image window: a multiple-document child window holding its document's
// view above the info bar. Its title is the document's title, marked while
// the document is modified; it cannot be made smaller than 400 x 200. Closing
// it asks the document's save question first (unless the application is
// closing every document without asking). As a command target it comes after
// the view and the document: it handles the unit commands, the info bar's
// show/hide command, File > Close, and, for the image it shows, Get Info and
// Print.
class CChildFrame : public QMdiSubWindow, public CommandTarget {
    Q_OBJECT
public:
    static constexpr int kMinimumWidth = 400;
    static constexpr int kMinimumHeight = 200;
    // The size a new frame opens at: `wanted` (the frame around its whole
    // view at its size hint) limited to `area` (the MDI area's viewport),
    // and never below the minimum size.
    static QSize openingSize(const QSize& wanted, const QSize& area);

    CChildFrame(CPageDocument& document, ShellContext& context, CommandRouter& router,
                QWidget* parent = nullptr);
    ~CChildFrame() override;

    CPageDocument& document() const { return m_document; }
    DocumentView* view() const { return m_view; }
    CInfoControlBar* infoBar() const { return m_infoBar; }

    // Places `view`'s widget above the info bar and gives it the keyboard;
    // the frame owns it from now.
    void setView(DocumentView* view);
    // Gives the view the keyboard (also each time the window is activated).
    void focusView();

    // Brings the title and the modified mark up to date; captionChanged()
    // tells when either changed.
    void updateTitle();
    // Shows the page's size and the unit in force in the info bar.
    void refreshInfo();

    // The next close does not ask the save question.
    void setCloseWithoutAsking(bool value) { m_closeWithoutAsking = value; }

    bool updateCommand(int id, CommandState& state) override;
    bool runCommand(int id) override;

signals:
    // The window's title or its modified mark changed.
    void captionChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CPageDocument& m_document;
    ShellContext& m_context;
    DocumentView* m_view = nullptr;
    QVBoxLayout* m_layout = nullptr;
    QMenu* m_unitsMenu = nullptr;
    CInfoControlBar* m_infoBar = nullptr;
    bool m_closeWithoutAsking = false;
};

}  // namespace tessary
