// Times the copy of a Jet file into an in-memory SQLite database, and, for
// comparison, mdb-export dumping every table of the same file as CSV (one process
// per table, listed by mdb-tables).
//
// Usage: bench_jet_import [file.mdb] [runs]

#include "UExceptions.h"
#include "UJetFile.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSqlDatabase>
#include <QStringList>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

struct TFigures {
    double Best = 0;
    double Median = 0;
};

TFigures Time(int runs, const std::function<void()>& run) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = TClock::now();
        run();
        ms.push_back(std::chrono::duration<double, std::milli>(TClock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms.front(), ms[ms.size() / 2]};
}

// Runs a program to its end and gives its output; exits on failure.
QByteArray Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     qPrintable(process.errorString()));
        std::exit(1);
    }
    return process.readAllStandardOutput();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                  : QStringLiteral("/work/shared/fixtures/jet/nwind-jet3.mdb");
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;

    TJetImportStats stats;
    const TFigures ours = Time(runs, [&] {
        const QString name = QStringLiteral("bench");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(QStringLiteral(":memory:"));
            if (!db.open()) {
                std::fprintf(stderr, "cannot open an in-memory database\n");
                std::exit(1);
            }
            try {
                stats = ImportJetFile(path, db);
            } catch (const ERuntimeError& e) {
                std::fprintf(stderr, "%s\n", qPrintable(e.message()));
                std::exit(1);
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    });

    QStringList tables =
        QString::fromUtf8(Run(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), path}))
            .split(u'\n', Qt::SkipEmptyParts);
    qint64 csvBytes = 0;
    const TFigures exported = Time(runs, [&] {
        csvBytes = 0;
        for (const QString& table : tables)
            csvBytes += Run(QStringLiteral("mdb-export"), {path, table}).size();
    });

    std::printf("%s: %d tables, %lld rows, %d runs\n", qPrintable(path), stats.Tables,
                static_cast<long long>(stats.Rows), runs);
    std::printf("ImportJetFile into :memory:   best %8.2f ms   median %8.2f ms\n", ours.Best,
                ours.Median);
    std::printf("mdb-export, %2lld tables as CSV  best %8.2f ms   median %8.2f ms   (%lld bytes)\n",
                static_cast<long long>(tables.size()), exported.Best, exported.Median,
                static_cast<long long>(csvBytes));
    return 0;
}
