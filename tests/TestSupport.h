#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace orv::test {

// Writes bytes to a file, creating folders as needed; fails the test on error.
void WriteFileBytes(const QString& path, const QByteArray& bytes);
QByteArray ReadFileBytes(const QString& path);

// Folder of the fixtures shared with the project (the real Jet files);
// empty when it is absent.
QString SharedFixtureFolder();

// Creates an SQLite resource database at `path` from the metadata schema, then
// runs the given SQL script text (several statements) on it.
void CreateResourceDatabase(const QString& path, const QByteArray& script = {});
// Runs an SQL script (several statements) on an SQLite file, creating it when
// missing; fails the test on error.
void RunSqlScript(const QString& path, const QByteArray& script);
// A fixture script of tests/fixtures.
QByteArray FixtureScript(const QString& name);

// Makes a file or folder read-only for the test's duration: by its permission
// bits, or, where they do not stop this user (root), by the immutable attribute.
class TReadOnlyPath {
public:
    explicit TReadOnlyPath(const QString& path);
    ~TReadOnlyPath();
    TReadOnlyPath(const TReadOnlyPath&) = delete;
    TReadOnlyPath& operator=(const TReadOnlyPath&) = delete;
    // Whether writing there really fails now.
    bool Effective() const;

private:
    QString m_path;
    bool m_immutable = false;
};

} // namespace orv::test
