// Times BuildObjectMenu for 500 objects in 12 categories, half of them with
// their own icon (a 48 x 48 PNG).

#include "UDialogs.h"
#include "ULang.h"
#include "UMain.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTabWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <vector>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Language().LoadFromFile(QStringLiteral(":/LANG"));
    TScriptedDialogService dialogs;
    SetDialogService(&dialogs);
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());

    QImage image(48, 48, QImage::Format_ARGB32);
    image.fill(QColor(40, 120, 200));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");

    const QString res = dir.filePath(QStringLiteral("menu.res"));
    QFile schema(QStringLiteral(":/resource_schema.sql"));
    schema.open(QIODevice::ReadOnly);
    sqlite3* db = nullptr;
    sqlite3_open(res.toUtf8().constData(), &db);
    sqlite3_exec(db, schema.readAll().constData(), nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN; INSERT INTO T_APPLICATION VALUES (2, 'RUNTIME', '1', NULL);", nullptr,
                 nullptr, nullptr);
    static const char* const tables[] = {"T_FORM (PK_FORM, TABLE_NAME,",
                                         "T_VIEW (PK_VIEW, FVISIBLE,",
                                         "T_REPORT (PK_REPORT, FK_VIEW,", "T_QSTAT (PK_QSTAT,"};
    for (int i = 0; i < 500; ++i) {
        const int type = i % 4;
        const QString extra = type == 0   ? QStringLiteral("'T%1',").arg(i)
                              : type == 1 ? QStringLiteral("-1,")
                              : type == 2 ? QStringLiteral("1,")
                                          : QString();
        const QString sql =
            QStringLiteral("INSERT INTO %1 CAPTION, CATEGORY, NORDER, ICON, ICON_TYPE) VALUES "
                           "(%2, %3'Objet %2', 'Catégorie %4', %2, ?, ?)")
                .arg(QLatin1String(tables[type]))
                .arg(i)
                .arg(extra)
                .arg(i % 12);
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr);
        if (i % 2 == 0) {
            sqlite3_bind_blob(stmt, 1, png.constData(), int(png.size()), SQLITE_STATIC);
            sqlite3_bind_text(stmt, 2, "png", -1, SQLITE_STATIC);
        }
        sqlite3_step(stmt);
        sqlite3_finalize(stmt);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);

    TStartupOptions options;
    options.ExecutablePath = dir.filePath(QStringLiteral("Menu"));
    options.ResourceArgument = res;
    options.InitInterval = 0;
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        TfrmMain w(options);
        w.show();
        while (w.Stage() != TfrmMain::TStage::Ready && w.Stage() != TfrmMain::TStage::Closing)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        while (w.pcMenubar->count() > 2)
            delete w.pcMenubar->widget(2);
        QElapsedTimer clock;
        clock.start();
        w.BuildObjectMenu();
        QApplication::processEvents();
        times.push_back(clock.nsecsElapsed() / 1e6);
        if (run == 0)
            std::printf("%d category tabs\n", w.pcMenubar->count() - 2);
        w.close();
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "BuildObjectMenu, 500 objects, 12 categories, 250 icons: best %.1f ms, median %.1f ms\n",
        times.front(), times[times.size() / 2]);
    SetDialogService(nullptr);
    return 0;
}
