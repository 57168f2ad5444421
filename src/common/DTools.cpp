#include "DTools.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QTime>
#include <QUrl>

namespace {

// The number's decimal text cut to two characters, with a "0" in front of a
// single digit.
QString TwoDigits(int value) {
    QString text = QString::number(value).left(2);
    if (text.size() == 1)
        text.prepend(u'0');
    return text;
}

QString EnvOr(const char* name, const QString& fallback) {
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

QString WithoutTrailingSeparator(QString path) {
    while (path.size() > 1 && path.endsWith(PathDelim))
        path.chop(1);
    return path.left(260);
}

} // namespace

QString TempFolder() {
    QString folder = QDir::tempPath();
    if (!folder.endsWith(PathDelim))
        folder += PathDelim;
    return folder;
}

QString TempFileName(const QString& folder, const QString& extension) {
    QString name = folder;
    if (!name.isEmpty() && !name.endsWith(PathDelim))
        name += PathDelim;
    QString ext = extension;
    if (ext.isEmpty())
        ext = QStringLiteral(".tmp");
    else if (!ext.startsWith(u'.'))
        ext.prepend(u'.');
    const QTime now = QTime::currentTime();
    name += u'~' + TwoDigits(now.hour()) + TwoDigits(now.minute()) + TwoDigits(now.second()) +
            TwoDigits(now.msec()) + ext;
    return name;
}

QString SpecialFolder(int csidl) {
    switch (csidl) {
    case CSIDL_COMMON_APPDATA:
        return WithoutTrailingSeparator(
            EnvOr("ORV_COMMON_APPDATA", QStringLiteral("/usr/local/share")));
    case CSIDL_COMMON_DOCUMENTS:
        return WithoutTrailingSeparator(
            EnvOr("ORV_COMMON_DOCUMENTS", QStringLiteral("/var/local/documents")));
    default:
        return {};
    }
}

QString NormalizeFolder(const QString& path) {
    QString result = path;
    // Blanks and control characters at both ends.
    qsizetype begin = 0, end = result.size();
    while (begin < end && result[begin].unicode() <= 32)
        ++begin;
    while (end > begin && result[end - 1].unicode() <= 32)
        --end;
    result = result.mid(begin, end - begin);
    if (result.isEmpty())
        return result;
    if (!result.endsWith(PathDelim))
        result += PathDelim;

    const QString pair = QString(PathDelim) + PathDelim;
    const bool network = result.startsWith(pair);
    QString rest = network ? result.mid(2) : result;
    while (rest.contains(pair))
        rest.replace(pair, QString(PathDelim));
    return network ? pair + rest : rest;
}

bool CopyFileTo(const QString& source, const QString& target) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    char buffer[64 * 1024];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0) {
            out.cancelWriting();
            return false;
        }
        if (n == 0)
            break;
        if (out.write(buffer, n) != n) {
            out.cancelWriting();
            return false;
        }
    }
    return out.commit();
}

void RunProgram(const QString& target, int showMode) {
    Q_UNUSED(showMode);
    if (target.isEmpty())
        return;
    const QString opener = EnvOr("ORV_OPENER", QStringLiteral("xdg-open"));
    // A bare path goes to the opener as an absolute path, so that a name with a
    // leading dash is never read as an option.
    const QUrl url = QUrl::fromUserInput(target, QDir::currentPath(), QUrl::AssumeLocalFile);
    const QString argument = url.isLocalFile() ? url.toLocalFile() : url.toString();
    QProcess::startDetached(opener, {argument});
}
