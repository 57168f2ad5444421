#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct TRun {
    int exitCode;
    QString out;
    QString err;
};

TRun RunRuntime(const QStringList& args, const QString& stateHome) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_STATE_HOME"), stateHome);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(ORV_RUNTIME_PATH), args);
    EXPECT_TRUE(p.waitForFinished(20000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(CommandLine, HelpVersionAndUnknownOptions) {
    QTemporaryDir state;
    const TRun help = RunRuntime({QStringLiteral("--help")}, state.path());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Utilisation : OrvalisRuntime")))
        << help.out.toStdString();
    EXPECT_TRUE(help.out.contains(state.path() + QStringLiteral("/orvalis/OrvalisRuntime.log")));

    const TRun version = RunRuntime({QStringLiteral("--version")}, state.path());
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith(QStringLiteral("OrvalisRuntime ")))
        << version.out.toStdString();

    const TRun unknown = RunRuntime({QStringLiteral("--frobnicate")}, state.path());
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("Option inconnue : --frobnicate")));
}

TEST(CommandLine, BareRuntimeLogsAndEndsQuietly) {
    QTemporaryDir state;
    const TRun run = RunRuntime({QStringLiteral("--verbose")}, state.path());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.err.contains(QStringLiteral("[status] Chargement...")))
        << run.err.toStdString();
    QFile log(state.path() + QStringLiteral("/orvalis/OrvalisRuntime.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("[startup] no resource database named")));
    EXPECT_TRUE(text.contains(QStringLiteral("[shutdown] exit 0")));
}

TEST(CommandLine, SyncPreparesTheDataDatabaseAndReportsChanges) {
    QTemporaryDir dir;
    const QString res = dir.filePath(QStringLiteral("Shop.res"));
    orv::test::CreateResourceDatabase(
        res, "INSERT INTO T_APPLICATION VALUES (2, 'RUNTIME', '1', NULL);"
             "INSERT INTO T_FORM (PK_FORM, TABLE_NAME, NORDER) VALUES (1, 'PRODUCTS', 1);"
             "INSERT INTO T_FORM_FIELDS (PK_FORM_FIELD, FK_FORM, FIELD_NAME, FIELD_TYPE, NORDER)"
             " VALUES (1, 1, 'NAME', 1, 1);");
    const TRun first = RunRuntime({QStringLiteral("--sync"), res}, dir.path());
    EXPECT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_TRUE(first.out.contains(QStringLiteral("Table PRODUCTS créée")))
        << first.out.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("Shop.db"))));
    const TRun second = RunRuntime({QStringLiteral("--sync"), res}, dir.path());
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_TRUE(second.out.contains(QStringLiteral("Aucune modification")))
        << second.out.toStdString();

    const TRun missing = RunRuntime(
        {QStringLiteral("--sync"), dir.filePath(QStringLiteral("none.res"))}, dir.path());
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("introuvable")));
}
