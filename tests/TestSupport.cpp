#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sqlite3.h>

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

} // namespace orv::test
