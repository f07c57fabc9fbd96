#include "shell/services/single_instance.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include "support/temp_dir.h"

namespace tessary {
namespace {

TEST(SingleInstance, TheServerNameDependsOnTheFolder) {
    const QString a = SingleInstance::serverNameFor(QStringLiteral("/tmp/one"));
    const QString b = SingleInstance::serverNameFor(QStringLiteral("/tmp/two"));
    EXPECT_NE(a, b);
    EXPECT_EQ(a, SingleInstance::serverNameFor(QStringLiteral("/tmp/one/")));
    EXPECT_TRUE(a.startsWith(QStringLiteral("Tessary-")));
}

TEST(SingleInstance, WithoutAFirstInstanceNothingIsHandedOver) {
    test::TempDir folder;
    SingleInstance lonely(
        SingleInstance::serverNameFor(QString::fromStdString(folder.path().string())));
    EXPECT_FALSE(lonely.handOver({QStringLiteral("a.bmp")}, QStringLiteral("/x"), 500));
    EXPECT_TRUE(lonely.listen());
    EXPECT_TRUE(lonely.listening());
}

TEST(SingleInstance, TheFirstInstanceReceivesTheCommandLine) {
    test::TempDir folder;
    const QString name =
        SingleInstance::serverNameFor(QString::fromStdString(folder.path().string()));
    SingleInstance first(name);
    ASSERT_TRUE(first.listen());
    QSignalSpy received(&first, &SingleInstance::commandLineReceived);
    SingleInstance second(name);
    // The receipt cannot come while this thread waits, so keep it short.
    EXPECT_TRUE(second.handOver({QStringLiteral("a.bmp"), QStringLiteral("/p")},
                                QStringLiteral("/work"), 200));
    ASSERT_TRUE(received.wait(5000));
    ASSERT_EQ(received.count(), 1);
    EXPECT_EQ(received.at(0).at(0).toStringList(),
              (QStringList{QStringLiteral("a.bmp"), QStringLiteral("/p")}));
    EXPECT_EQ(received.at(0).at(1).toString(), QStringLiteral("/work"));
}

TEST(SingleInstance, ASocketLeftBehindDoesNotBlockTheNextStart) {
    test::TempDir folder;
    const QString name =
        SingleInstance::serverNameFor(QString::fromStdString(folder.path().string()));
    // An instance that crashed leaves its socket file behind.
    QFile stale(QDir::tempPath() + QLatin1Char('/') + name);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    SingleInstance next(name);
    EXPECT_FALSE(next.handOver({}, QString(), 200));
    EXPECT_TRUE(next.listen());
    EXPECT_TRUE(next.listening());
}

}  // namespace
}  // namespace tessary
