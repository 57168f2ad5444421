#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Standard Base64 of the bytes, without "=" padding ("a" gives "YQ").
QString EncodeBase64(QByteArrayView bytes);

// Base64 of a file's bytes, padded with "=" to a multiple of four characters.
// Throws EFileError when the file cannot be opened or read.
QString EncodeFileBase64(const QString& path);
