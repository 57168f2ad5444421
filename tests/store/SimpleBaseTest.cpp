#include "TestSupport.h"
#include "UExceptions.h"
#include "USimpleBase.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using orv::test::ReadFileBytes;
using orv::test::SharedFixtureFolder;
using orv::test::WriteFileBytes;

namespace {

const QByteArray kOpen(kOpenMarker.data(), kOpenMarker.size());
const QByteArray kClosed(kClosedMarker.data(), kClosedMarker.size());

// A 128-byte header: every byte distinct from its neighbours so that a stray write shows,
// byte 19 non-zero so that a write of the terminator shows too.
QByteArray MakeHeader(const QByteArray& marker, char version, char byte66, int size = 128) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(0x80 + i * 7);
    bytes.replace(4, marker.size(), marker);
    if (size > 19)
        bytes[19] = char(0x77);
    if (size > 20)
        bytes[20] = version;
    if (size > 66)
        bytes[66] = byte66;
    return bytes;
}

class SimpleBaseTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString WriteFile(const QByteArray& bytes, const QString& name = QStringLiteral("db.mdb")) {
        const QString path = m_dir.filePath(name);
        WriteFileBytes(path, bytes);
        return path;
    }

    // Copies a shared fixture into the temporary folder; empty when the fixtures are absent.
    QString CopyFixture(const QString& name) {
        const QString folder = SharedFixtureFolder();
        if (folder.isEmpty())
            return {};
        const QString source = folder + QStringLiteral("/jet/") + name;
        const QString target = m_dir.filePath(name);
        if (!QFile::copy(source, target))
            return {};
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        return target;
    }

    QTemporaryDir m_dir;
};

TEST_F(SimpleBaseTest, HideAndRestoreSwitchTheHeader) {
    const QByteArray open = MakeHeader(kOpen, 1, 0x5A);
    QByteArray closed = open;
    closed.replace(4, 15, kClosed);
    closed[20] = 0x5A;
    closed[66] = 0;

    const QString path = WriteFile(open);
    HideDatabaseFile(path);
    EXPECT_EQ(ReadFileBytes(path), closed);
    EXPECT_EQ(ReadDatabaseMarker(path), kClosed);

    RestoreDatabaseFile(path);
    EXPECT_EQ(ReadFileBytes(path), open);
    EXPECT_EQ(ReadDatabaseMarker(path), kOpen);
}

TEST_F(SimpleBaseTest, SwitchingToTheCurrentFormChangesNothing) {
    const QString path = WriteFile(MakeHeader(kOpen, 1, 0x5A));
    const QByteArray open = ReadFileBytes(path);
    RestoreDatabaseFile(path);
    EXPECT_EQ(ReadFileBytes(path), open);

    HideDatabaseFile(path);
    const QByteArray closed = ReadFileBytes(path);
    HideDatabaseFile(path);
    EXPECT_EQ(ReadFileBytes(path), closed);

    RestoreDatabaseFile(path);
    RestoreDatabaseFile(path);
    EXPECT_EQ(ReadFileBytes(path), open);
}

TEST_F(SimpleBaseTest, FilesTheSwitchDoesNotApplyToAreLeftUnchanged) {
    QByteArray sqlite("SQLite format 3", 16); // with its terminating zero
    sqlite.append(QByteArray(200, char(1)));  // a 1 at offset 20, as in a Jet 4 file
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"empty file", QByteArray()},
        {"open form, 18 bytes", MakeHeader(kOpen, 1, 0x5A).left(18)},
        {"closed form, 18 bytes", MakeHeader(kClosed, 0x5A, 0).left(18)},
        {"version byte 0 (Jet 3)", MakeHeader(kOpen, 0, 0x5A)},
        {"version byte 2", MakeHeader(kOpen, 2, 0x5A)},
        {"marker in lower case", MakeHeader("standard jet db", 1, 0x5A)},
        {"SQLite database", sqlite},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = WriteFile(c.bytes);
        EXPECT_NO_THROW(HideDatabaseFile(path));
        EXPECT_EQ(ReadFileBytes(path), c.bytes);
        EXPECT_NO_THROW(RestoreDatabaseFile(path));
        EXPECT_EQ(ReadFileBytes(path), c.bytes);
    }
}

TEST_F(SimpleBaseTest, MarkedFileShorterThanTheHeaderRaisesAndIsLeftUnchanged) {
    const struct {
        const char* name;
        QByteArray marker;
        void (*operation)(const QString&);
    } operations[] = {
        {"hide", kOpen, HideDatabaseFile},
        {"restore", kClosed, RestoreDatabaseFile},
    };
    for (const auto& op : operations) {
        for (int size : {19, 21, 40, 66}) {
            SCOPED_TRACE(testing::Message() << op.name << ", " << size << " bytes");
            const QByteArray bytes = MakeHeader(op.marker, 1, 0x5A, size);
            const QString path = WriteFile(bytes);
            try {
                op.operation(path);
                ADD_FAILURE() << "no error raised";
            } catch (const EFileError& e) {
                EXPECT_EQ(e.message(), QStringLiteral("Le fichier \"%1\" est trop court pour être "
                                                      "une base de données")
                                           .arg(path));
            }
            EXPECT_EQ(ReadFileBytes(path), bytes);
        }
    }
    // The header's last byte is at offset 66: 67 bytes are enough.
    const QString path = WriteFile(MakeHeader(kOpen, 1, 0x5A, 67));
    EXPECT_NO_THROW(HideDatabaseFile(path));
    EXPECT_EQ(ReadDatabaseMarker(path), kClosed);
}

TEST_F(SimpleBaseTest, EmptyPathOrMissingFileDoesNothing) {
    const QString missing = m_dir.filePath(QStringLiteral("missing.mdb"));
    for (const QString& path : {QString(), missing}) {
        EXPECT_NO_THROW(HideDatabaseFile(path));
        EXPECT_NO_THROW(RestoreDatabaseFile(path));
        EXPECT_TRUE(ReadDatabaseMarker(path).isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(missing));
}

TEST_F(SimpleBaseTest, MarkerIsWhatCanBeReadOfItsFifteenBytes) {
    EXPECT_EQ(ReadDatabaseMarker(WriteFile(MakeHeader(kOpen, 1, 0))), kOpen);
    EXPECT_EQ(ReadDatabaseMarker(WriteFile(MakeHeader(kClosed, 0, 0))), kClosed);
    EXPECT_EQ(ReadDatabaseMarker(WriteFile(MakeHeader(kOpen, 1, 0).left(10))), kOpen.left(6));
    EXPECT_TRUE(ReadDatabaseMarker(WriteFile(QByteArray("abc"))).isEmpty());
}

TEST_F(SimpleBaseTest, ReadOnlyFileIsLeftUnchangedSilently) {
    const struct {
        const char* name;
        QByteArray bytes;
        void (*operation)(const QString&);
    } cases[] = {
        {"hide", MakeHeader(kOpen, 1, 0x5A), HideDatabaseFile},
        {"restore", MakeHeader(kClosed, 0x5A, 0), RestoreDatabaseFile},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = WriteFile(c.bytes, QString::fromLatin1(c.name) + ".mdb");
        orv::test::TReadOnlyPath readOnly(path);
        if (!readOnly.Effective())
            GTEST_SKIP() << "cannot make a file read-only here: permission bits do not stop "
                            "this user's writes and the immutable attribute is unavailable";
        EXPECT_NO_THROW(c.operation(path));
        EXPECT_EQ(ReadFileBytes(path), c.bytes);
        EXPECT_TRUE(ReadDatabaseMarker(path).isEmpty());
    }
}

TEST_F(SimpleBaseTest, Jet3FixtureIsNeverHidden) {
    const QString path = CopyFixture(QStringLiteral("nwind-jet3.mdb"));
    if (path.isEmpty())
        GTEST_SKIP() << "shared Jet fixtures absent";
    const QByteArray original = ReadFileBytes(path);
    ASSERT_EQ(original.mid(4, 15), kOpen);
    ASSERT_EQ(original[20], 0);

    HideDatabaseFile(path);
    EXPECT_EQ(ReadFileBytes(path), original);
    RestoreDatabaseFile(path);
    EXPECT_EQ(ReadFileBytes(path), original);
}

TEST_F(SimpleBaseTest, Jet4FixtureRoundTripsToIdenticalBytes) {
    const QString path = CopyFixture(QStringLiteral("datetest-jet4.mdb"));
    if (path.isEmpty())
        GTEST_SKIP() << "shared Jet fixtures absent";
    const QByteArray original = ReadFileBytes(path);
    ASSERT_EQ(original.mid(4, 15), kOpen);
    ASSERT_EQ(original[20], 1);

    HideDatabaseFile(path);
    const QByteArray closed = ReadFileBytes(path);
    EXPECT_EQ(closed.mid(4, 15), kClosed);
    EXPECT_EQ(closed[20], original[66]);
    EXPECT_EQ(closed[66], 0);
    EXPECT_EQ(closed.size(), original.size());

    RestoreDatabaseFile(path);
    EXPECT_EQ(ReadFileBytes(path), original);
}

} // namespace
