#include "shell_test_support.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <vector>

#include "model/page.h"
#include "model/page_data.h"

namespace tessary::test {

CKorvelApp& theApp() {
    CKorvelApp* app = CKorvelApp::instance();
    if (app == nullptr) std::abort();
    return *app;
}

void copyShippedModules(const std::filesystem::path& plugInFolder) {
    std::filesystem::create_directories(plugInFolder);
    for (const auto& entry : std::filesystem::directory_iterator(TESSARY_PLUGIN_OUTPUT_DIR)) {
        if (entry.is_regular_file())
            std::filesystem::copy_file(entry.path(), plugInFolder / entry.path().filename());
    }
}

EditorRig::EditorRig(bool withModules, const QStringList& arguments) {
    // Every editor starts with empty settings (no recent files of earlier
    // tests).
    QSettings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Tessary"))
        .clear();
    if (withModules) copyShippedModules(m_folder.path() / "QSStuff" / "Plugins");
    setenv("TESSARY_PROGRAM_FOLDER", m_folder.path().c_str(), 1);
    StartOptions options;
    options.arguments = arguments;
    options.workingDirectory = QString::fromStdString(m_folder.path().string());
    options.singleInstance = false;
    options.splash = false;
    m_result = theApp().initInstance(options);
}

EditorRig::~EditorRig() {
    // Dialogs a failed test left open would block the next test.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
            dialog->reject();
    }
    theApp().exitInstance();
    unsetenv("TESSARY_PROGRAM_FOLDER");
}

QString EditorRig::file(const QString& name) const {
    return QString::fromStdString((m_folder.path() / name.toStdString()).string());
}

int withModals(const std::vector<std::function<void(QWidget*)>>& drivers,
               const std::function<void()>& action, int timeoutMs) {
    std::size_t next = 0;
    QWidget* handled = QApplication::activeModalWidget();
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal != handled && next < drivers.size()) {
            handled = modal;
            drivers[next++](modal);
            if (next == drivers.size()) poll.stop();
            return;
        }
        if (clock.elapsed() > timeoutMs) {
            // Whatever is still open would block the test for ever.
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
            if (modal == nullptr) poll.stop();
        }
    });
    poll.start();
    action();
    poll.stop();
    return static_cast<int>(next);
}

bool withModal(const std::function<void(QWidget*)>& driver, const std::function<void()>& action,
               int timeoutMs) {
    return withModals({driver}, action, timeoutMs) == 1;
}

bool clickButton(QWidget* dialog, const QString& text) {
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        if (button->text() == text && button->isVisible()) {
            QTest::mouseClick(button, Qt::LeftButton);
            return true;
        }
    }
    return false;
}

std::uint32_t patternColour(std::int32_t x, std::int32_t y) {
    const std::uint32_t red = static_cast<std::uint32_t>(x * 7 + y) & 0xFF;
    const std::uint32_t green = static_cast<std::uint32_t>(y * 3 + 11) & 0xFF;
    const std::uint32_t blue = static_cast<std::uint32_t>(x ^ (y * 5)) & 0xFF;
    return red | (green << 8) | (blue << 16);
}

std::uint8_t patternGrey(std::int32_t x, std::int32_t y) {
    return static_cast<std::uint8_t>((x * 13 + y * 29) & 0xFF);
}

std::unique_ptr<Page> makePatternPage(const PageEnvironment& environment, std::int32_t type,
                                      std::int32_t width, std::int32_t height, double resolution) {
    auto page = std::make_unique<Page>(environment);
    const int planes = type == Page::kTypeGrey ? 1 : 3;
    const std::uint8_t fills[3] = {0, 0, 0};
    if (!page->shape(type, width, height, planes, fills)) return nullptr;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width));
    for (std::int32_t y = 0; y < height; ++y) {
        for (int plane = 0; plane < planes; ++plane) {
            for (std::int32_t x = 0; x < width; ++x) {
                row[x] = type == Page::kTypeGrey
                             ? patternGrey(x, y)
                             : static_cast<std::uint8_t>(patternColour(x, y) >> (8 * plane));
            }
            if (!page->pageData()->writeRow(plane, 0, y, width, row.data())) return nullptr;
        }
    }
    page->setResolution(resolution, resolution);
    page->setModified(false);
    return page;
}

bool pageShowsPattern(const Page& page) {
    const Rect bounds = page.bounds();
    for (std::int32_t y = 0; y < bounds.height(); ++y) {
        for (std::int32_t x = 0; x < bounds.width(); ++x) {
            std::uint32_t expected = patternColour(x, y);
            if (page.type() == Page::kTypeGrey) {
                const std::uint32_t g = patternGrey(x, y);
                expected = g | (g << 8) | (g << 16);
            }
            const std::uint32_t actual = page.colourAt(x, y);
            if (actual != expected) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is 0x" << std::hex << actual
                              << ", expected 0x" << expected;
                return false;
            }
        }
    }
    return true;
}

void settle(int ms) {
    // A real event loop, which waits (and so runs the idle passes) when it
    // has nothing to do; QTest::qWait never waits that way.
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace tessary::test
