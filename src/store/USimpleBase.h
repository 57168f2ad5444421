#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Header switch of the database files. While the runtime does not hold a database file
// open, the file carries a different marker so that it is not recognised as a Jet
// database; the switch is undone before the file is opened again.
//
// Header bytes involved (offsets from the start of the file):
//   4..18  the marker, kOpenMarker in open form, kClosedMarker in closed form;
//   20     the engine version byte (1 for Jet 4) in open form, the saved byte 66 in
//          closed form;
//   66     its own value in open form, 0 in closed form.
// Byte 19 and every other byte are never touched.

inline constexpr QByteArrayView kOpenMarker{"Standard Jet DB"};
inline constexpr QByteArrayView kClosedMarker{"SIMPLE_DATABASE"};

// The up to 15 bytes at offset 4 of the file. The file is opened for reading and
// writing, as the switch needs it; a file that is missing, cannot be opened that way or
// cannot be read gives the bytes read so far, possibly none.
QByteArray ReadDatabaseMarker(const QString& path);

// Puts a Jet 4 file in closed form. Does nothing for an empty path, a missing file, a
// file that cannot be opened for writing, a file without kOpenMarker, or a file whose
// version byte is not 1 (restoring writes 1 there, so hiding any other version would
// not be undone). Throws EFileError when a file carrying the marker is shorter than the
// header (it is then left unchanged) or when a byte cannot be read or written.
void HideDatabaseFile(const QString& path);

// Puts a file in closed form back in open form. Does nothing for an empty path, a
// missing file, a file that cannot be opened for writing or a file without
// kClosedMarker. Throws EFileError as HideDatabaseFile does.
void RestoreDatabaseFile(const QString& path);
