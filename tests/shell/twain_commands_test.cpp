// File > TWAIN > Select... and Acquire... in the editor, with the scripted
// source manager library as the source manager.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <cstdlib>

#include "acquire/c_twain.h"
#include "core/acquire/acquire_test_images.h"
#include "shell/app/child_frame.h"
#include "shell/app/command_ids.h"
#include "shell/app/command_router.h"
#include "shell/app/doc_template.h"
#include "shell/app/main_frame.h"
#include "shell/app/page_document.h"
#include "shell_test_support.h"

namespace tessary {
namespace {

using test::EditorRig;

class TwainCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_library = ::dlopen(TESSARY_FAKE_DSM, RTLD_NOW);
        ASSERT_NE(m_library, nullptr);
        auto managerOf = reinterpret_cast<test::FakeSourceManager* (*)()>(
            ::dlsym(m_library, test::kFakeManagerSymbol));
        ASSERT_NE(managerOf, nullptr);
        m_manager = managerOf();
        ::setenv("TESSARY_TWAIN_DSM", TESSARY_FAKE_DSM, 1);
    }
    void TearDown() override {
        ::unsetenv("TESSARY_TWAIN_DSM");
        if (m_library != nullptr) ::dlclose(m_library);
    }
    static void run(CKorvelApp& app, int id) { app.router().action(id)->trigger(); }

    void* m_library = nullptr;
    test::FakeSourceManager* m_manager = nullptr;
};

TEST_F(TwainCommandsTest, EveryAcquiredImageBecomesAVisibleModifiedDocument) {
    test::FakeScript script;
    script.images = {test::rgbImage(7, 5, 1), test::rgbImage(3, 9, 2)};
    m_manager->start(script);
    EditorRig rig;
    CKorvelApp& app = rig.app();
    ASSERT_EQ(app.twain().state(), CTwain::kManagerLoaded);

    run(app, cmd::kTwainSelect);
    EXPECT_EQ(m_manager->countCalls(DAT_IDENTITY, MSG_USERSELECT), 1);
    run(app, cmd::kTwainAcquire);
    const auto documents = app.docTemplate().documents();
    ASSERT_EQ(documents.size(), 2u);
    const std::int32_t heights[] = {5, 9};
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(documents[i]->isModified());
        EXPECT_EQ(documents[i]->page()->bounds().height(), heights[i]);
        EXPECT_TRUE(app.docTemplate().frameOf(documents[i])->isVisible());
    }
    EXPECT_EQ(test::planeOf(*documents[1]->page(), 2), test::channelOf(script.images[1], 2, 3, 9));
    EXPECT_EQ(m_manager->userInterface.hParent,
              static_cast<void*>(static_cast<QWidget*>(app.mainFrame())));
    EXPECT_EQ(app.twain().state(), CTwain::kManagerLoaded);
}

TEST_F(TwainCommandsTest, WithoutAManagerTheCommandsShowNothing) {
    test::TempDir nowhere;
    ::setenv("TESSARY_TWAIN_DSM", (nowhere / "libtessary_twain_dsm.so").c_str(), 1);
    m_manager->start({});
    EditorRig rig;
    CKorvelApp& app = rig.app();
    EXPECT_EQ(app.twain().state(), CTwain::kManagerNotLoaded);
    const auto windows = QApplication::topLevelWidgets().size();
    run(app, cmd::kTwainSelect);
    run(app, cmd::kTwainAcquire);
    EXPECT_TRUE(app.docTemplate().documents().empty());
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windows);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(m_manager->calls.empty());
}

}  // namespace
}  // namespace tessary
