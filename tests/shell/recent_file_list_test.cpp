#include "shell/app/recent_file_list.h"

#include <gtest/gtest.h>

#include <QSettings>

#include "support/temp_dir.h"

namespace tessary {
namespace {

class RecentFileListTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings settings(QStringLiteral("Local AppWizard-Generated Applications"),
                           QStringLiteral("Tessary"));
        settings.remove(QStringLiteral("Recent File List"));
    }
    QString path(const char* name) const {
        return QString::fromStdString((folder.path() / name).string());
    }
    test::TempDir folder;
};

TEST_F(RecentFileListTest, KeepsFourNewestFirstWithoutDuplicates) {
    RecentFileList list;
    EXPECT_TRUE(list.paths().isEmpty());
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"}) list.add(path(name));
    EXPECT_EQ(list.paths(),
              (QStringList{path("e.bmp"), path("d.bmp"), path("c.bmp"), path("b.bmp")}));
    list.add(path("c.bmp"));
    EXPECT_EQ(list.paths(),
              (QStringList{path("c.bmp"), path("e.bmp"), path("d.bmp"), path("b.bmp")}));
    // A relative spelling of the same file is the same entry.
    list.add(path("sub/../d.bmp"));
    EXPECT_EQ(list.paths().size(), 4);
    EXPECT_EQ(list.paths().first(), path("d.bmp"));
}

TEST_F(RecentFileListTest, IsKeptInTheSettingsUnderTheFrameworksNames) {
    {
        RecentFileList list;
        list.add(path("one.png"));
        list.add(path("two.png"));
    }
    QSettings settings(QStringLiteral("Local AppWizard-Generated Applications"),
                       QStringLiteral("Tessary"));
    EXPECT_EQ(settings.value(QStringLiteral("Recent File List/File1")).toString(), path("two.png"));
    EXPECT_EQ(settings.value(QStringLiteral("Recent File List/File2")).toString(), path("one.png"));
    EXPECT_FALSE(settings.contains(QStringLiteral("Recent File List/File3")));
    RecentFileList reloaded;
    EXPECT_EQ(reloaded.paths(), (QStringList{path("two.png"), path("one.png")}));
    reloaded.remove(0);
    RecentFileList again;
    EXPECT_EQ(again.paths(), QStringList{path("one.png")});
}

}  // namespace
}  // namespace tessary
