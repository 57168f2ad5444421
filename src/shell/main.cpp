// Program entry of the runtime.

#include "DTools.h"
#include "UAbout.h"
#include "UDialogs.h"
#include "UExceptions.h"
#include "ULang.h"
#include "ULog.h"
#include "ULogin.h"
#include "UMain.h"
#include "UPub.h"
#include "UQtDialogs.h"
#include "USplash.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>

namespace {

// Writes the built-in language table to a temporary file, loads it and deletes
// the file. A table that cannot be written leaves every window as designed.
void ExtractLanguage() {
    const QString path = TempFileName(TempFolder(), QStringLiteral(".lng"));
    {
        QFile resource(QStringLiteral(":/LANG"));
        QFile file(path);
        if (resource.open(QIODevice::ReadOnly) && file.open(QIODevice::WriteOnly))
            file.write(resource.readAll());
    }
    Language().LoadFromFile(path);
    QFile::remove(path);
}

// The executable as it was started: a link named after the application keeps
// its own name.
QString StartedExecutable(const char* argv0) {
    const QString name = QString::fromLocal8Bit(argv0);
    if (name.contains(u'/'))
        return QFileInfo(name).absoluteFilePath();
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty() ? QCoreApplication::applicationFilePath() : found;
}

void Print(FILE* stream, const QString& text) {
    const QByteArray bytes = (text + u'\n').toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

QString CommandLineText(const char* key, std::initializer_list<QString> args) {
    return FormatText(Language().SectionText(QStringLiteral("CommandLine"), QLatin1String(key),
                                             QLatin1String(key)),
                      args);
}

// Synchronises the data database of the application without the window:
// prints what changed, or the error.
int RunSync(const TStartupOptions& options) {
    const QString resourcePath = ResourceDatabasePath(options);
    if (resourcePath.isEmpty()) {
        Print(stderr, CommandLineText("msgNoResource", {}));
        return 2;
    }
    try {
        TConnection resources;
        resources.SetReadOnly(true);
        resources.SetDataSource(resourcePath);
        resources.Open();
        TdmApplication parameters(resources);
        ValidateResourceDatabase(resources, parameters);
        TConnection data;
        data.SetDataSource(DataDatabasePath(
            options, resourcePath,
            parameters.GetIntParam(psWindows, QStringLiteral("setup"), 0) == 1,
            Language().SectionText(QStringLiteral("frmMain"), QStringLiteral("SharedDatabases"))));
        TdmDBUpdate update(resources, data);
        int indexErrors = 0;
        update.OnIndexError = [&](const QString& message) {
            Print(stderr, message);
            ++indexErrors;
        };
        Print(stdout, data.DataSource());
        update.SynchronizeDataSchema();
        for (const QString& change : update.Changes())
            Print(stdout, change);
        if (update.Changes().isEmpty())
            Print(stdout, Language().SectionText(QStringLiteral("dmDBUpdate"),
                                                 QStringLiteral("msgNoChange")));
        data.Close();
        resources.Close();
        return indexErrors == 0 ? 0 : 3;
    } catch (const ERuntimeError& e) {
        Print(stderr, e.message());
        return 1;
    }
}

} // namespace

int main(int argc, char** argv) {
    ExtractLanguage();

    TStartupOptions options;
    options.ExecutablePath = StartedExecutable(argc > 0 ? argv[0] : RuntimeFileName);
    const QString appName = QFileInfo(options.ExecutablePath).completeBaseName();
    bool verbose = false;
    bool sync = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == u"--help" || arg == u"-h") {
            Print(stdout, CommandLineText("msgUsage", {appName, LogFilePath(appName)}));
            return 0;
        }
        if (arg == u"--version") {
            Print(stdout, QStringLiteral("%1 %2").arg(QLatin1String(RuntimeFileName),
                                                      QStringLiteral(ORV_VERSION)));
            return 0;
        }
        if (arg == u"--verbose") {
            verbose = true;
        } else if (arg == u"--sync") {
            sync = true;
        } else if (arg.startsWith(u"--")) {
            Print(stderr, CommandLineText("msgUnknownOption", {arg}));
            return 2;
        } else if (options.ResourceArgument.isEmpty()) {
            options.ResourceArgument = arg;
        }
    }

    if (sync) {
        QCoreApplication core(argc, argv);
        OpenLog(LogFilePath(appName), verbose);
        const int code = RunSync(options);
        LogLine(QStringLiteral("shutdown"), QStringLiteral("exit %1").arg(code));
        CloseLog();
        return code;
    }

    QApplication app(argc, argv);
    OpenLog(LogFilePath(appName), verbose);
    LogLine(QStringLiteral("startup"),
            QStringLiteral("%1 %2 started as %3")
                .arg(QLatin1String(RuntimeFileName), QStringLiteral(ORV_VERSION),
                     options.ExecutablePath));
    TQtDialogService dialogs;
    SetDialogService(&dialogs);

    TfrmSplash splash(options.ExecutablePath);
    splash.show();
    splash.repaint();

    TfrmMain frmMain(options, &splash);
    TfrmPub frmPub(&frmMain);
    TfrmLogin frmLogin(&frmMain);
    TfrmAbout frmAbout(splash, frmMain.dmApplication(), &frmMain);
    frmMain.SetInformationWindow(&frmPub);
    frmMain.SetAboutWindow(&frmAbout);
    frmMain.SetLoginDialog(&frmLogin);
    frmMain.show();
    splash.raise(); // the splash stays in front until the data database opens
    int code = app.exec();
    if (code == 0 && frmMain.StartFailed())
        code = 1;
    SetDialogService(nullptr);
    LogLine(QStringLiteral("shutdown"), QStringLiteral("exit %1").arg(code));
    CloseLog();
    return code;
}
