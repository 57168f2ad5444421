#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sqlite3.h>

#ifdef __linux__
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace orv::test {

void WriteFileBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray ReadFileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QString SharedFixtureFolder() {
    const QString folder = QStringLiteral(ORV_SHARED_FIXTURES);
    return QDir(folder).exists() ? QDir(folder).absolutePath() : QString();
}

void RunSqlScript(const QString& path, const QByteArray& script) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, script.constData(), nullptr, nullptr, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << message;
}

void CreateResourceDatabase(const QString& path, const QByteArray& script) {
    QFile schema(QStringLiteral(":/resource_schema.sql"));
    ASSERT_TRUE(schema.open(QIODevice::ReadOnly));
    RunSqlScript(path, schema.readAll() + "\n" + script);
}

QByteArray FixtureScript(const QString& name) {
    QFile f(QStringLiteral(ORV_TEST_FIXTURES) + u'/' + name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
    return f.readAll();
}

namespace {

#ifdef __linux__
// Sets or clears the immutable attribute, which stops writes even for root.
bool SetImmutable(const QString& path, bool immutable) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}
#endif

bool CanWrite(const QString& path) {
    if (QFileInfo(path).isDir()) {
        QFile probe(path + QStringLiteral("/.write-probe"));
        const bool ok = probe.open(QIODevice::WriteOnly);
        if (ok)
            probe.remove();
        return ok;
    }
    QFile file(path);
    return file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly);
}

} // namespace

TReadOnlyPath::TReadOnlyPath(const QString& path) : m_path(path) {
    QFile::Permissions p = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    if (QFileInfo(path).isDir())
        p |= QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    QFile::setPermissions(path, p);
#ifdef __linux__
    if (CanWrite(path))
        m_immutable = SetImmutable(path, true);
#endif
}

TReadOnlyPath::~TReadOnlyPath() {
#ifdef __linux__
    if (m_immutable)
        SetImmutable(m_path, false);
#endif
    QFile::Permissions p = QFile::ReadOwner | QFile::WriteOwner;
    if (QFileInfo(m_path).isDir())
        p |= QFile::ExeOwner;
    QFile::setPermissions(m_path, p);
}

bool TReadOnlyPath::Effective() const {
    return !CanWrite(m_path);
}

} // namespace orv::test
