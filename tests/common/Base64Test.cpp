#include "TestSupport.h"
#include "UBase64.h"
#include "UExceptions.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(Base64, TextEncoderWritesNoPadding) {
    const struct {
        QByteArray in;
        const char* out;
    } cases[] = {
        {"", ""},
        {"a", "YQ"},
        {"ab", "YWI"},
        {"abc", "YWJj"},
        {"abcd", "YWJjZA"},
        {QByteArray("\xFF\xFE\x00\x80", 4), "//4AgA"},
        {"secret", "c2VjcmV0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EncodeBase64(c.in), QString::fromLatin1(c.out)) << c.in.toHex().constData();
}

TEST(Base64, FileEncoderPadsAndReportsUnreadableFiles) {
    QTemporaryDir dir;
    const struct {
        QByteArray content;
        const char* out;
    } cases[] = {{"", ""}, {"a", "YQ=="}, {"ab", "YWI="}, {"abc", "YWJj"}, {"abcd", "YWJjZA=="}};
    for (const auto& c : cases) {
        const QString path = dir.filePath(QStringLiteral("f.bin"));
        orv::test::WriteFileBytes(path, c.content);
        EXPECT_EQ(EncodeFileBase64(path), QString::fromLatin1(c.out));
    }
    EXPECT_THROW(EncodeFileBase64(dir.filePath(QStringLiteral("missing.bin"))), EFileError);
    EXPECT_THROW(EncodeFileBase64(dir.path()), EFileError); // a folder is no file
}
