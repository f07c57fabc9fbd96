#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "shell/app/korvel_app.h"
#include "support/temp_dir.h"

class QWidget;

namespace tessary {
class Page;
struct PageEnvironment;
}  // namespace tessary

namespace tessary::test {

// The application object of the test program (made by the test main).
CKorvelApp& theApp();

// The editor running on a fresh program folder in a temporary folder, with
// the shipped plug-in modules copied into its plug-in folder. Start options:
// no single-instance check and no splash; the windows are shown (on the
// offscreen platform). The destructor stops the editor.
class EditorRig {
public:
    explicit EditorRig(bool withModules = true, const QStringList& arguments = {});
    ~EditorRig();
    EditorRig(const EditorRig&) = delete;
    EditorRig& operator=(const EditorRig&) = delete;

    CKorvelApp& app() const { return theApp(); }
    const TempDir& folder() const { return m_folder; }
    std::filesystem::path programFolder() const { return m_folder.path(); }
    std::filesystem::path stuffFolder() const { return m_folder.path() / "QSStuff"; }
    // A path for test files (outside the program folder).
    QString file(const QString& name) const;
    CKorvelApp::StartResult startResult() const { return m_result; }

private:
    TempDir m_folder;
    CKorvelApp::StartResult m_result;
};

// Copies the built plug-in modules into `plugInFolder` (created).
void copyShippedModules(const std::filesystem::path& plugInFolder);

// Runs `action`, which opens a modal dialog and waits for it, while
// `driver` handles the dialog once it is the active modal widget. Returns
// whether the driver ran; a dialog still open after `timeoutMs` is rejected
// so that the test cannot hang.
bool withModal(const std::function<void(QWidget*)>& driver, const std::function<void()>& action,
               int timeoutMs = 10000);

// As withModal(), for several dialogs that show one after the other while
// `action` runs: the i-th new modal widget goes to drivers[i]. Returns how
// many drivers ran.
int withModals(const std::vector<std::function<void(QWidget*)>>& drivers,
               const std::function<void()>& action, int timeoutMs = 10000);

// Clicks the button of a message box or dialog with the given text ("&Yes",
// "OK", ...); false when there is none.
bool clickButton(QWidget* dialog, const QString& text);

// A test pattern: the colour of image pixel (x, y) of an RGB page
// (red in bits 0-7, green 8-15, blue 16-23), and the grey of a grey page.
std::uint32_t patternColour(std::int32_t x, std::int32_t y);
std::uint8_t patternGrey(std::int32_t x, std::int32_t y);

// A page of `type` (2 or 5) filled with the pattern, at `resolution` pixels
// per inch, not marked modified.
std::unique_ptr<Page> makePatternPage(const PageEnvironment& environment, std::int32_t type,
                                      std::int32_t width, std::int32_t height,
                                      double resolution = 72.0);

// True when every pixel of `page` shows the pattern of its type; reports
// the first difference through gtest.
bool pageShowsPattern(const Page& page);

// Waits for idle passes and pending events to run.
void settle(int ms = 20);

}  // namespace tessary::test
