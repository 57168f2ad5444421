// Times the data schema synchronisation on 100 forms of 40 fields: a run that
// changes nothing with one table of 10,000 rows and again with 1,000,000 rows
// (the time must follow the schema, not the data), then a real type change of
// one column of the 1,000,000-row table.

#include "UDBUpdate.h"
#include "UDatabase.h"
#include "ULang.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <vector>

namespace {

void Exec(sqlite3* db, const QByteArray& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", error);
        std::exit(1);
    }
}

// Field types cycling through every kind of column.
const int kTypes[] = {1, 2, 3, 4, 5, 6, 9, 10, 11, 15, 1, 14, 7};

void MakeResources(const QString& path) {
    QFile schema(QStringLiteral(":/resource_schema.sql"));
    schema.open(QIODevice::ReadOnly);
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    Exec(db, schema.readAll());
    Exec(db, "BEGIN");
    int fieldKey = 1;
    for (int form = 1; form <= 100; ++form) {
        Exec(db, QStringLiteral(
                     "INSERT INTO T_FORM (PK_FORM, TABLE_NAME, NORDER) VALUES (%1, 'T%1', %1)")
                     .arg(form)
                     .toUtf8());
        for (int f = 1; f <= 40; ++f) {
            const int type = kTypes[f % 13];
            const bool unique = f == 1; // the first field of every form is unique
            Exec(db,
                 QStringLiteral("INSERT INTO T_FORM_FIELDS (PK_FORM_FIELD, FK_FORM, FIELD_NAME, "
                                "FIELD_TYPE, NORDER, AUNIQUE) VALUES (%1, %2, 'F%3', %4, %3, %5)")
                     .arg(fieldKey++)
                     .arg(form)
                     .arg(f)
                     .arg(f == 1 ? 2 : type)
                     .arg(unique ? -1 : 0)
                     .toUtf8());
        }
    }
    Exec(db, "COMMIT");
    sqlite3_close(db);
}

void FillRows(const QString& path, int from, int to) {
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    Exec(db, "BEGIN");
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO T1 (F1, F2, F3, F4) VALUES (?, ?, ?, ?)", -1, &stmt,
                       nullptr);
    for (int i = from; i < to; ++i) {
        sqlite3_bind_int(stmt, 1, i);
        sqlite3_bind_text(stmt, 2, "some text value", -1, SQLITE_STATIC);
        sqlite3_bind_double(stmt, 3, i * 0.25);
        sqlite3_bind_text(stmt, 4, "secret", -1, SQLITE_STATIC);
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    Exec(db, "COMMIT");
    sqlite3_close(db);
}

double TimeSync(const QString& res, const QString& data, int runs, int* changes) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        TConnection r, d;
        r.SetReadOnly(true);
        r.SetDataSource(res);
        r.Open();
        d.SetDataSource(data); // created and opened by the synchronisation
        TdmDBUpdate update(r, d);
        update.OnIndexError = [](const QString& m) { std::fprintf(stderr, "%s\n", qPrintable(m)); };
        QElapsedTimer clock;
        clock.start();
        update.SynchronizeDataSchema();
        times.push_back(clock.nsecsElapsed() / 1e6);
        *changes = int(update.Changes().size());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Language().LoadFromFile(QStringLiteral(":/LANG"));
    QTemporaryDir dir;
    const QString res = dir.filePath(QStringLiteral("bench.res"));
    const QString data = dir.filePath(QStringLiteral("bench.db"));
    MakeResources(res);
    int changes = 0;
    const double first = TimeSync(res, data, 1, &changes);
    std::printf("first run (creates 100 tables of 40 fields): %.1f ms, %d changes\n", first,
                changes);

    FillRows(data, 0, 10000);
    const double small = TimeSync(res, data, 7, &changes);
    std::printf("no change, 10,000 rows:    median %.1f ms (%d changes)\n", small, changes);
    FillRows(data, 10000, 1000000);
    const double large = TimeSync(res, data, 7, &changes);
    std::printf("no change, 1,000,000 rows: median %.1f ms (%d changes)\n", large, changes);
    std::printf("ratio 1,000,000 / 10,000 rows: %.2f\n", large / small);

    // A real type change: F2 of T1 from Numeric (integer) to Text.
    sqlite3* db = nullptr;
    sqlite3_open(res.toUtf8().constData(), &db);
    Exec(db, "UPDATE T_FORM_FIELDS SET FIELD_TYPE=1 WHERE FK_FORM=1 AND FIELD_NAME='F2'");
    sqlite3_close(db);
    const double change = TimeSync(res, data, 1, &changes);
    std::printf("type change of one column, 1,000,000 rows: %.1f ms (%d changes)\n", change,
                changes);
    return 0;
}
