// Times the runtime's start on an application: from process start to the
// "ready" status, less the start-up timer's 2500 ms wait.
//
// Usage: bench_startup <runtime> <resource database> [runs]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <runtime> <resource database> [runs]\n", argv[0]);
        return 2;
    }
    const QString runtime = QString::fromLocal8Bit(argv[1]);
    const QString resources = QString::fromLocal8Bit(argv[2]);
    const int runs = argc > 3 ? std::max(1, atoi(argv[3])) : 5;
    constexpr qint64 kTimer = 2500;

    std::vector<qint64> times;
    for (int i = 0; i < runs; ++i) {
        // A fresh data database each run, so the first-run work is measured too.
        QTemporaryDir dir;
        const QString res = dir.filePath(QStringLiteral("App.res"));
        QFile::copy(resources, res);
        QFile::setPermissions(res, QFile::ReadOwner | QFile::WriteOwner);
        // The start is timed without the login dialog.
        sqlite3* db = nullptr;
        if (sqlite3_open(res.toUtf8().constData(), &db) == SQLITE_OK)
            sqlite3_exec(db, "UPDATE T_APPLICATION SET PVALUE='0' WHERE PNAME='ACTIVE'", nullptr,
                         nullptr, nullptr);
        sqlite3_close(db);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_STATE_HOME"), dir.filePath(QStringLiteral("state")));
        p.setProcessEnvironment(env);
        QElapsedTimer clock;
        clock.start();
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(runtime, {QStringLiteral("--verbose"), res});
        QByteArray err;
        qint64 ready = -1;
        while (ready < 0 && clock.elapsed() < 20000) {
            p.waitForReadyRead(50);
            err += p.readAll();
            if (err.contains("[status] Pr\xC3\xAAt"))
                ready = clock.elapsed();
            if (p.state() == QProcess::NotRunning)
                break;
        }
        p.kill();
        p.waitForFinished();
        if (ready < 0) {
            std::fprintf(stderr, "run %d: no ready status\n%s\n", i, err.constData());
            return 1;
        }
        times.push_back(ready - kTimer);
    }
    std::sort(times.begin(), times.end());
    std::printf("start to ready, less the %lld ms timer, %d runs: best %lld ms, median %lld ms\n",
                static_cast<long long>(kTimer), runs, static_cast<long long>(times.front()),
                static_cast<long long>(times[times.size() / 2]));
    return 0;
}
