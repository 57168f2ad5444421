#include "USimpleBase.h"

#include "UExceptions.h"
#include "ULang.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr qint64 kMarkerOffset = 4;
constexpr qint64 kVersionOffset = 20;
constexpr qint64 kSavedByteOffset = 66;
// Every byte the switch touches lies below this size.
constexpr qint64 kHeaderSize = kSavedByteOffset + 1;
constexpr char kJet4Version = 1;

static_assert(kOpenMarker.size() == 15 && kClosedMarker.size() == 15);

[[noreturn]] void RaiseTooShort(const QString& path) {
    throw EFileError(FormatText(
        Language().SectionText(
            QStringLiteral("Database"), QStringLiteral("msgFileTooShort"),
            QStringLiteral("Le fichier \"%s\" est trop court pour être une base de données")),
        {path}));
}

[[noreturn]] void RaiseAccess(const QFile& file) {
    throw EFileError(FormatText(
        Language().SectionText(QStringLiteral("Database"), QStringLiteral("msgFileAccess"),
                               QStringLiteral("Impossible d'accéder au fichier \"%s\" : %s")),
        {file.fileName(), file.errorString()}));
}

// Opens an existing file for reading and writing, unbuffered so that a failed write is
// seen at once. Never creates the file.
bool OpenExisting(QFile& file) {
    if (file.fileName().isEmpty() || !QFileInfo::exists(file.fileName()))
        return false;
    return file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered);
}

// Reads the marker on an open file; a failure gives the bytes read so far.
QByteArray ReadMarker(QFile& file) {
    if (!file.seek(kMarkerOffset))
        return {};
    return file.read(kOpenMarker.size());
}

char ReadByte(QFile& file, qint64 offset) {
    char value = 0;
    if (!file.seek(offset) || file.read(&value, 1) != 1)
        RaiseAccess(file);
    return value;
}

void WriteByte(QFile& file, qint64 offset, char value) {
    if (!file.seek(offset) || file.write(&value, 1) != 1)
        RaiseAccess(file);
}

// A failed marker write is not reported, as a failed marker read is not.
void WriteMarker(QFile& file, QByteArrayView marker) {
    if (file.seek(kMarkerOffset))
        file.write(marker.data(), marker.size());
}

// Opens the file and checks that it carries the expected marker and is long enough for
// the switch. Returns false when the switch does not apply.
bool OpenForSwitch(QFile& file, QByteArrayView expectedMarker) {
    if (!OpenExisting(file))
        return false;
    if (QByteArrayView(ReadMarker(file)) != expectedMarker)
        return false;
    // Checked before anything is written, so that a short file is never half-switched.
    if (file.size() < kHeaderSize)
        RaiseTooShort(file.fileName());
    return true;
}

} // namespace

QByteArray ReadDatabaseMarker(const QString& path) {
    QFile file(path);
    if (!OpenExisting(file))
        return {};
    return ReadMarker(file);
}

void HideDatabaseFile(const QString& path) {
    QFile file(path);
    if (!OpenForSwitch(file, kOpenMarker))
        return;
    if (ReadByte(file, kVersionOffset) != kJet4Version)
        return;
    // Bytes first, marker last: a failure half-way leaves the marker in its old form.
    WriteByte(file, kVersionOffset, ReadByte(file, kSavedByteOffset));
    WriteByte(file, kSavedByteOffset, 0);
    WriteMarker(file, kClosedMarker);
}

void RestoreDatabaseFile(const QString& path) {
    QFile file(path);
    if (!OpenForSwitch(file, kClosedMarker))
        return;
    WriteByte(file, kSavedByteOffset, ReadByte(file, kVersionOffset));
    WriteByte(file, kVersionOffset, kJet4Version);
    WriteMarker(file, kOpenMarker);
}
