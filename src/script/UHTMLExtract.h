#pragma once

// Conversion of HTML fragments (pages fetched by scripts, hint texts) into plain
// Windows-1252 text.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Turns HTML, or text copied from web pages and scripts, into plain 8-bit text: drops
// <script> elements and tags, decodes the common entities and JavaScript escapes and
// repairs UTF-8 that was read as Windows-1252. Input and output are Windows-1252 bytes.
QByteArray HTML2Text(QByteArrayView source);

// Same conversion for Unicode text: encoded to Windows-1252 on the way in (characters
// the code page lacks become '?', which the conversion then removes) and decoded back.
QString HTML2Text(const QString& source);

// Byte overloads for arguments that would otherwise convert to both QByteArrayView and
// QString.
inline QByteArray HTML2Text(const QByteArray& source) {
    return HTML2Text(QByteArrayView(source));
}
inline QByteArray HTML2Text(const char* source) {
    return HTML2Text(QByteArrayView(source));
}

// The part of text before the first occurrence of marker (A-Z compared without case),
// or the whole text when marker does not occur.
QByteArray TextBeforeNoCase(QByteArrayView text, QByteArrayView marker);

// The part of text after the first occurrence of marker (A-Z compared without case), or
// an empty text when marker does not occur.
QByteArray TextAfterNoCase(QByteArrayView text, QByteArrayView marker);
