#include "UBase64.h"

#include "UExceptions.h"

#include <QFile>

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

} // namespace

QString EncodeBase64(QByteArrayView bytes) {
    QByteArray out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    for (; i + 3 <= n; i += 3) {
        const unsigned v = (p[i] << 16) | (p[i + 1] << 8) | p[i + 2];
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (n - i == 1) {
        const unsigned v = p[i] << 16;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
    } else if (n - i == 2) {
        const unsigned v = (p[i] << 16) | (p[i + 1] << 8);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
    }
    return QString::fromLatin1(out);
}

QString EncodeFileBase64(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFileError(file.errorString());
    QString text = EncodeBase64(bytes);
    while (text.size() % 4 != 0)
        text += u'=';
    return text;
}
