#include "ULog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <memory>

namespace {

struct TLogState {
    std::unique_ptr<QFile> file;
    bool echo = false;
};

TLogState& State() {
    static TLogState state;
    return state;
}

} // namespace

QString LogFilePath(const QString& applicationName) {
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/orvalis/") + applicationName + QStringLiteral(".log");
}

void OpenLog(const QString& path, bool echo) {
    TLogState& s = State();
    s.echo = echo;
    s.file.reset();
    if (path.isEmpty())
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    auto file = std::make_unique<QFile>(path);
    if (file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        s.file = std::move(file);
}

void CloseLog() {
    State().file.reset();
}

void LogLine(const QString& category, const QString& text) {
    TLogState& s = State();
    if (!s.file && !s.echo)
        return;
    QString flat = text;
    flat.replace(QStringLiteral("\r\n"), QStringLiteral(" | "));
    flat.replace(u'\n', QStringLiteral(" | "));
    flat.replace(u'\r', QStringLiteral(" | "));
    const QByteArray line =
        (QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) +
         QStringLiteral(" [") + category + QStringLiteral("] ") + flat + u'\n')
            .toUtf8();
    if (s.file) {
        s.file->write(line);
        s.file->flush();
    }
    if (s.echo) {
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        std::fflush(stderr);
    }
}
