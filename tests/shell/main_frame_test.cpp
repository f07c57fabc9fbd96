#include "shell/app/main_frame.h"

#include <gtest/gtest.h>

#include <QMdiArea>

#include "model/page.h"
#include "shell/app/title_builder.h"
#include "shell/app/child_frame.h"
#include "shell/app/doc_template.h"
#include "shell/app/idle_processor.h"
#include "shell/dialogs/new_image_dlog.h"
#include "shell/app/page_document.h"
#include "shell_test_support.h"

namespace tessary {
namespace {

using test::EditorRig;

TEST(MainTitle, IsBuiltFromTheActiveDocument) {
    struct Case {
        MainTitleParts parts;
        QString expected;
    };
    const Case cases[] = {
        {{"Tessary", "", false, false}, "Tessary"},
        {{"Tessary", "a.bmp", false, false}, "Tessary - a.bmp"},
        {{"Tessary", "a.bmp", true, false}, "Tessary - a.bmp*"},
        {{"Tessary", "a.bmp", true, true}, "Tessary"},
        {{"Tessary", "", false, true}, "Tessary"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mainWindowTitle(c.parts), c.expected) << c.expected.toStdString();
    EXPECT_EQ(titleWithMaximizedChild("Tessary", "a.bmp[*]"), QString("Tessary - [a.bmp[*]]"));
}

// Counts the main window's title changes and the idle passes while the
// event loop runs for `ms` milliseconds.
struct Quietness {
    int titleChanges = 0;
    int idlePasses = 0;
};

Quietness watch(CKorvelApp& app, int ms) {
    Quietness counted;
    const QMetaObject::Connection titles = QObject::connect(
        app.mainFrame(), &QWidget::windowTitleChanged, [&counted] { ++counted.titleChanges; });
    const QMetaObject::Connection passes = QObject::connect(
        &app.idleProcessor(), &IdleProcessor::idle, [&counted] { ++counted.idlePasses; });
    test::settle(ms);
    QObject::disconnect(titles);
    QObject::disconnect(passes);
    return counted;
}

CPageDocument* newImage(CKorvelApp& app) {
    NewImageResult request;
    request.width = 120;
    request.height = 80;
    return app.newDocument(request);
}

TEST(MainTitle, AMaximizedImageWindowLeavesTheEventLoopQuiet) {
    EditorRig rig(false);
    CPageDocument* document = newImage(rig.app());
    ASSERT_NE(document, nullptr);
    CChildFrame* frame = rig.app().docTemplate().frameOf(document);
    frame->showMaximized();
    test::settle(100);
    const Quietness second = watch(rig.app(), 1000);
    // A waiting event loop runs a handful of passes a second (timers); the
    // title and Qt's maximized decoration taking turns ran thousands.
    EXPECT_EQ(second.titleChanges, 0);
    EXPECT_LT(second.idlePasses, 50);
    // The document is named once: Qt appends the maximized child itself.
    const QString title = rig.app().mainFrame()->windowTitle();
    EXPECT_TRUE(title.startsWith(QStringLiteral("Tessary"))) << title.toStdString();
    EXPECT_EQ(title.count(document->title()), 1) << title.toStdString();
}

TEST(MainTitle, FollowsEveryChangeOfTheModel) {
    EditorRig rig(false);
    CMainFrame* main = rig.app().mainFrame();
    CPageDocument* first = newImage(rig.app());
    ASSERT_NE(first, nullptr);
    test::settle();
    EXPECT_EQ(main->windowTitle(), "Tessary - " + first->title());

    first->setTitle(QStringLiteral("renamed.bmp"));
    test::settle();
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Tessary - renamed.bmp"));

    first->page()->setModified(true);
    test::settle();
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Tessary - renamed.bmp*"));

    CPageDocument* second = newImage(rig.app());
    test::settle();
    EXPECT_EQ(main->windowTitle(), "Tessary - " + second->title());

    CChildFrame* secondFrame = rig.app().docTemplate().frameOf(second);
    secondFrame->showMaximized();
    test::settle();
    const QString maximized = main->windowTitle();
    EXPECT_EQ(maximized.count(second->title()), 1) << maximized.toStdString();

    secondFrame->showNormal();
    test::settle();
    EXPECT_EQ(main->windowTitle(), "Tessary - " + second->title());

    secondFrame->setCloseWithoutAsking(true);
    secondFrame->close();
    test::settle();
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Tessary - renamed.bmp*"));
}

}  // namespace
}  // namespace tessary
