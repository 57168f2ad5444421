#include "DTools.h"
#include "UApplication.h"
#include "UDatabase.h"
#include "UDialogs.h"
#include "ULang.h"
#include "UQtDialogs.h"

#include "UExceptions.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>

namespace {

// Writes the built-in language table to a temporary file, loads it and deletes
// the file.
void ExtractLanguage() {
    const QString path = TempFileName(TempFolder(), QStringLiteral("lng"));
    QFile resource(QStringLiteral(":/LANG"));
    QFile file(path);
    if (resource.open(QIODevice::ReadOnly) && file.open(QIODevice::WriteOnly)) {
        file.write(resource.readAll());
        file.close();
    }
    Language().LoadFromFile(path);
    QFile::remove(path);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ExtractLanguage();
    TQtDialogService dialogs;
    SetDialogService(&dialogs);

    const QStringList args = QApplication::arguments();
    const QString resPath =
        args.size() > 1
            ? args[1]
            : QFileInfo(QApplication::applicationFilePath())
                  .absoluteDir()
                  .filePath(QFileInfo(args[0]).completeBaseName() + QStringLiteral(".res"));
    QMainWindow window;
    window.resize(1024, 700);
    try {
        TConnection resources;
        resources.SetReadOnly(true);
        resources.SetDataSource(resPath);
        resources.Open();
        TdmApplication params(resources);
        if (params.GetIntParam(psWindows, QStringLiteral("RUNTIME"), 0) != 1) {
            ShowError(Language().SectionText(QStringLiteral("frmMain"),
                                             QStringLiteral("msgResDBNotValid")));
            return 1;
        }
        QString caption = params.GetParam(psCommon, QStringLiteral("Title"), QString());
        const QString version = params.GetParam(psCommon, QStringLiteral("Version"), QString());
        if (!version.isEmpty())
            caption += u' ' + version;
        window.setWindowTitle(caption);
    } catch (const ERuntimeError& e) {
        ShowError(e.message());
        return 1;
    }
    window.show();
    return app.exec();
}
