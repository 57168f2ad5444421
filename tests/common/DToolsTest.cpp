#include "DTools.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

TEST(DTools, TempFolderEndsWithSeparator) {
    const QString folder = TempFolder();
    EXPECT_TRUE(folder.endsWith(u'/'));
    EXPECT_TRUE(QDir(folder).exists());
}

TEST(DTools, TempFileNameRules) {
    const QRegularExpression name(QStringLiteral("^~\\d{8}\\.(\\w+)$"));
    const struct {
        const char* folder;
        const char* ext;
        const char* prefix;
        const char* suffix;
    } cases[] = {
        {"/tmp", "", "/tmp/~", ".tmp"},
        {"/tmp/", "lng", "/tmp/~", ".lng"},
        {"/tmp/x", ".lng", "/tmp/x/~", ".lng"},
        {"", "png", "~", ".png"},
    };
    for (const auto& c : cases) {
        const QString n = TempFileName(QString::fromUtf8(c.folder), QString::fromUtf8(c.ext));
        EXPECT_TRUE(n.startsWith(QString::fromUtf8(c.prefix))) << n.toStdString();
        EXPECT_TRUE(n.endsWith(QString::fromUtf8(c.suffix))) << n.toStdString();
        EXPECT_TRUE(name.match(n.mid(n.lastIndexOf(u'~'))).hasMatch()) << n.toStdString();
    }
}

TEST(DTools, TempFileNameIsBuiltFromTheTimeOfDay) {
    // Within ten milliseconds (of a three-digit millisecond count) two names are
    // the same; the digits are the clock's.
    QString a, b;
    QTime before;
    for (int tries = 0; tries < 1000; ++tries) {
        before = QTime::currentTime();
        a = TempFileName(QString(), QString());
        b = TempFileName(QString(), QString());
        const QTime after = QTime::currentTime();
        if (before.msec() >= 100 && after.msec() / 10 == before.msec() / 10 &&
            after.second() == before.second())
            break;
        QThread::msleep(1);
    }
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.mid(1, 2), QStringLiteral("%1").arg(before.hour(), 2, 10, QChar(u'0')));
    const int ms = a.mid(7, 2).toInt();
    // The last pair is the first two digits of the millisecond count.
    const QString msText = QString::number(before.msec()).left(2);
    EXPECT_EQ(ms, msText.toInt());
}

TEST(DTools, NormalizeFolderRules) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"", ""},
        {"   ", ""},
        {"/data//shared", "/data/shared/"},
        {"/data/shared", "/data/shared/"},
        {"/data/shared///", "/data/shared/"},
        {"  /data/x/ \t", "/data/x/"},
        {"//server/share//db/", "//server/share/db/"},
        {"///server", "///server/"}, // the leading pair is kept as it is
        {"relative//path", "relative/path/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormalizeFolder(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST(DTools, SpecialFoldersFollowTheirEnvironmentOverrides) {
    qputenv("ORV_COMMON_APPDATA", "/opt/appdata/");
    qputenv("ORV_COMMON_DOCUMENTS", "/srv/docs");
    EXPECT_EQ(SpecialFolder(CSIDL_COMMON_APPDATA), QStringLiteral("/opt/appdata"));
    EXPECT_EQ(SpecialFolder(CSIDL_COMMON_DOCUMENTS), QStringLiteral("/srv/docs"));
    qunsetenv("ORV_COMMON_APPDATA");
    qunsetenv("ORV_COMMON_DOCUMENTS");
    EXPECT_EQ(SpecialFolder(CSIDL_COMMON_APPDATA), QStringLiteral("/usr/local/share"));
    EXPECT_EQ(SpecialFolder(CSIDL_COMMON_DOCUMENTS), QStringLiteral("/var/local/documents"));
    EXPECT_EQ(SpecialFolder(5), QString());
}

TEST(DTools, CopyFileToReplacesTheTargetAndReportsFailure) {
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("a.bin"));
    const QString target = dir.filePath(QStringLiteral("b.bin"));
    orv::test::WriteFileBytes(source, QByteArray(200000, 'x'));
    orv::test::WriteFileBytes(target, "old");
    EXPECT_TRUE(CopyFileTo(source, target));
    EXPECT_EQ(orv::test::ReadFileBytes(target), QByteArray(200000, 'x'));
    EXPECT_FALSE(CopyFileTo(dir.filePath(QStringLiteral("missing")), target));
    EXPECT_EQ(orv::test::ReadFileBytes(target).size(), 200000); // untouched
    EXPECT_FALSE(CopyFileTo(source, dir.filePath(QStringLiteral("no/such/folder/c.bin"))));
}

TEST(DTools, RunProgramHandsTheTargetToTheOpener) {
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("log.txt"));
    const QString opener = dir.filePath(QStringLiteral("opener.sh"));
    orv::test::WriteFileBytes(opener,
                              ("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + log + "'\n").toUtf8());
    QFile::setPermissions(opener, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    qputenv("ORV_OPENER", opener.toUtf8());
    RunProgram(QStringLiteral("https://example.org/page"), 1);
    RunProgram(QStringLiteral("-report.pdf"), 1);
    for (int i = 0; i < 100 && orv::test::ReadFileBytes(log).count('\n') < 2; ++i)
        QThread::msleep(20);
    qunsetenv("ORV_OPENER");
    const QList<QByteArray> lines = orv::test::ReadFileBytes(log).split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines.contains("https://example.org/page"));
    // A relative file name reaches the opener as an absolute path, never as an option.
    EXPECT_TRUE(lines.contains(QDir::current().filePath(QStringLiteral("-report.pdf")).toUtf8()));
}
