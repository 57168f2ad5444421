#include "TestSupport.h"
#include "UDatabase.h"
#include "UExceptions.h"
#include "USimpleBase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct DataFile {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("data.db"));
    explicit DataFile(const QByteArray& script = {}) {
        orv::test::RunSqlScript(path, "CREATE TABLE CLIENTS (ID INTEGER PRIMARY KEY AUTOINCREMENT,"
                                      " NAME TEXT COLLATE NOCASE, AGE INTEGER, VIP BOOLEAN,"
                                      " SINCE TEXT, PHOTO BLOB);"
                                      "INSERT INTO CLIENTS (NAME, AGE, VIP, SINCE) VALUES"
                                      " ('Dupont', 41, -1, '2020-03-04 10:11:12'),"
                                      " ('Martin', NULL, 0, '2021-05-06');" +
                                          script);
    }
};

QString ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const ERuntimeError& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

} // namespace

TEST(Database, OpenFailuresGiveClearMessages) {
    QTemporaryDir dir;
    TConnection c;
    c.SetDataSource(dir.filePath(QStringLiteral("missing.db")));
    EXPECT_TRUE(ErrorOf([&] { c.Open(); }).contains(QStringLiteral("introuvable")));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("missing.db")))); // never created

    const QString junk = dir.filePath(QStringLiteral("junk.db"));
    orv::test::WriteFileBytes(junk, QByteArray(4096, 'j'));
    c.SetDataSource(junk);
    const QString message = ErrorOf([&] { c.Open(); });
    EXPECT_TRUE(message.contains(QStringLiteral("Impossible d'ouvrir"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("not a database"))) << message.toStdString();
    EXPECT_FALSE(c.Connected());
    EXPECT_EQ(orv::test::ReadFileBytes(junk), QByteArray(4096, 'j'));
}

TEST(Database, ExclusiveConnectionKeepsOtherWritersOut) {
    DataFile f;
    TConnection first;
    first.SetDataSource(f.path);
    first.Open();

    TConnection second;
    second.SetDataSource(f.path);
    const QString message = ErrorOf([&] { second.Open(); });
    EXPECT_TRUE(message.contains(QStringLiteral("déjà ouverte par un autre programme")))
        << message.toStdString();

    // Another program cannot write either.
    const QString cli = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (!cli.isEmpty()) {
        QProcess p;
        p.start(cli, {f.path, QStringLiteral("INSERT INTO CLIENTS (NAME) VALUES ('x');")});
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_NE(p.exitCode(), 0);
        EXPECT_TRUE(p.readAllStandardError().contains("locked"));
    }

    first.Close();
    second.Open(); // free again once the first has closed
    EXPECT_TRUE(second.Connected());
}

TEST(Database, HooksRunAroundOpenAndClose) {
    DataFile f;
    QStringList calls;
    TConnection c;
    c.SetDataSource(f.path);
    c.SetBeforeOpenHook([&](const QString& p) { calls << QStringLiteral("open ") + p; });
    c.SetAfterCloseHook([&](const QString& p) { calls << QStringLiteral("close ") + p; });
    c.Open();
    c.Close();
    c.Close(); // closing a closed connection runs nothing
    EXPECT_EQ(calls,
              (QStringList{QStringLiteral("open ") + f.path, QStringLiteral("close ") + f.path}));

    c.SetBeforeOpenHook([](const QString&) { throw EFileError(QStringLiteral("header")); });
    EXPECT_EQ(ErrorOf([&] { c.Open(); }), QStringLiteral("header"));
    EXPECT_FALSE(c.Connected());
}

TEST(Database, QueriesReadRowsForwardWithTypedColumns) {
    DataFile f;
    TConnection c;
    c.SetDataSource(f.path);
    c.Open();
    TQuery q(c);
    q.SetSQL(QStringList{QStringLiteral("SELECT * FROM CLIENTS"),
                         QStringLiteral("WHERE AGE IS NULL OR AGE>:MIN"),
                         QStringLiteral("ORDER BY ID")});
    q.SetParam(QStringLiteral("min"), 18);
    q.Open();
    EXPECT_EQ(q.SQL(),
              QStringLiteral("SELECT * FROM CLIENTS\nWHERE AGE IS NULL OR AGE>:MIN\nORDER BY ID"));
    EXPECT_EQ(q.RecordCount(), 2);
    ASSERT_FALSE(q.Eof());
    EXPECT_EQ(q.AsString(QStringLiteral("name")), QStringLiteral("Dupont"));
    EXPECT_EQ(q.AsInteger(2), 41);
    EXPECT_TRUE(q.AsBoolean(QStringLiteral("VIP")));
    EXPECT_EQ(q.AsDateTime(QStringLiteral("SINCE")),
              QDateTime(QDate(2020, 3, 4), QTime(10, 11, 12)));
    EXPECT_TRUE(q.IsNull(QStringLiteral("PHOTO")));
    q.Next();
    ASSERT_FALSE(q.Eof());
    EXPECT_TRUE(q.IsNull(QStringLiteral("AGE")));
    EXPECT_EQ(q.AsInteger(QStringLiteral("AGE")), 0);
    EXPECT_FALSE(q.AsBoolean(QStringLiteral("VIP")));
    EXPECT_EQ(q.AsDateTime(QStringLiteral("SINCE")), QDateTime(QDate(2021, 5, 6), QTime(0, 0)));
    EXPECT_THROW(q.AsString(QStringLiteral("NOPE")), EDatabaseError);
    EXPECT_THROW(q.AsInteger(QStringLiteral("NAME")), EDatabaseError); // "Martin" is no number
    q.Next();
    EXPECT_TRUE(q.Eof());

    // An empty result still names its columns.
    q.SetSQL(QStringLiteral("SELECT NAME, AGE FROM CLIENTS WHERE ID=:ID"));
    q.Open(); // :ID never set: null
    EXPECT_TRUE(q.Eof());
    EXPECT_EQ(q.FieldCount(), 2);
    EXPECT_EQ(q.FieldName(1), QStringLiteral("AGE"));
    EXPECT_EQ(q.RecordCount(), 0);
}

TEST(Database, TypedValuesNeverChangeTheStatement) {
    DataFile f;
    TConnection c;
    c.SetDataSource(f.path);
    c.Open();
    for (const char* hostile : {"' OR '1'='1", "x'; DROP TABLE CLIENTS; --", "Dupont' --"}) {
        TQuery q(c);
        q.SetSQL(QStringLiteral("SELECT COUNT(*) FROM CLIENTS WHERE NAME=:NAME"));
        q.SetParam(QStringLiteral("NAME"), QString::fromUtf8(hostile));
        q.Open();
        EXPECT_EQ(q.AsInteger(0), 0) << hostile;
    }
    EXPECT_EQ(c.GetTableNames(), QStringList{QStringLiteral("CLIENTS")});
}

TEST(Database, ExecuteErrorsAndTransactions) {
    DataFile f("CREATE VIEW V_CLIENTS AS SELECT NAME FROM CLIENTS;");
    TConnection c;
    c.SetDataSource(f.path);
    c.Open();
    EXPECT_EQ(c.Execute(QStringLiteral("UPDATE CLIENTS SET AGE=AGE+1 WHERE AGE IS NOT NULL")), 1);
    EXPECT_EQ(ErrorOf([&] { c.Execute(QStringLiteral("DELETE FROM NOWHERE")); }),
              QStringLiteral("no such table: NOWHERE"));
    {
        TTransaction t(c);
        c.Execute(QStringLiteral("DELETE FROM CLIENTS"));
    } // not committed: rolled back
    TQuery q(c);
    q.SetSQL(QStringLiteral("SELECT COUNT(*) FROM CLIENTS"));
    q.Open();
    EXPECT_EQ(q.AsInteger(0), 2);
    {
        TTransaction t(c);
        c.Execute(QStringLiteral("DELETE FROM CLIENTS WHERE NAME=:N"),
                  {{QStringLiteral("N"), QStringLiteral("martin")}});
        t.Commit();
    }
    q.Open();
    EXPECT_EQ(q.AsInteger(0), 1);

    // System tables are never listed; stored views only when asked.
    EXPECT_EQ(c.GetTableNames(), QStringList{QStringLiteral("CLIENTS")});
    EXPECT_EQ(c.GetTableNames(true),
              (QStringList{QStringLiteral("CLIENTS"), QStringLiteral("V_CLIENTS")}));
    EXPECT_EQ(c.GetFieldNames(QStringLiteral("clients")),
              (QStringList{"ID", "NAME", "AGE", "VIP", "SINCE", "PHOTO"}));
    EXPECT_EQ(c.GetColumns(QStringLiteral("CLIENTS"))[1].DeclaredType, QStringLiteral("TEXT"));
}

TEST(Database, ReadOnlyConnectionNeverWrites) {
    DataFile f;
    const QByteArray before = orv::test::ReadFileBytes(f.path);
    TConnection c;
    c.SetReadOnly(true);
    c.SetDataSource(f.path);
    c.Open();
    EXPECT_THROW(c.Execute(QStringLiteral("DELETE FROM CLIENTS")), EDatabaseError);
    c.Close();
    EXPECT_EQ(orv::test::ReadFileBytes(f.path), before);
}

TEST(Database, CreateDataDatabaseMakesAnEmptyFileOrNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("new.db"));
    CreateDataDatabase(path);
    EXPECT_TRUE(orv::test::ReadFileBytes(path).startsWith("SQLite format 3"));
    TConnection c;
    c.SetDataSource(path);
    c.Open();
    EXPECT_TRUE(c.GetTableNames(true).isEmpty());
    c.Close();

    EXPECT_TRUE(ErrorOf([&] { CreateDataDatabase(path); }).contains(QStringLiteral("existe déjà")));
    const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/x.db"));
    EXPECT_TRUE(ErrorOf([&] {
                    CreateDataDatabase(nowhere);
                }).startsWith(QStringLiteral("Impossible de créer la base de données")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("new.db")});
}

TEST(Database, JetResourceDatabasesAreReadThroughACopyInMemory) {
    const QString fixtures = orv::test::SharedFixtureFolder();
    if (fixtures.isEmpty())
        GTEST_SKIP() << "the shared Jet fixtures are absent";
    QTemporaryDir dir;
    const struct {
        const char* file;
        bool hide;
        const char* table;
        const char* count;
    } cases[] = {{"nwind-jet3.mdb", false, "Orders", "830"},
                 {"datetest-jet4.mdb", true, "DateTest", nullptr}};
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::fromUtf8(c.file));
        ASSERT_TRUE(QFile::copy(fixtures + QStringLiteral("/jet/") + QString::fromUtf8(c.file), path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        if (c.hide)
            HideDatabaseFile(path); // as left on Windows between two runs
        const QByteArray before = orv::test::ReadFileBytes(path);
        {
            TConnection con;
            con.SetReadOnly(true);
            con.SetDataSource(path);
            con.Open();
            EXPECT_TRUE(con.GetTableNames().contains(QString::fromUtf8(c.table))) << c.file;
            TQuery q(con);
            q.SetSQL(QStringLiteral("SELECT COUNT(*) FROM [%1]").arg(QString::fromUtf8(c.table)));
            q.Open();
            if (c.count)
                EXPECT_EQ(q.AsString(0), QString::fromUtf8(c.count));
            else
                EXPECT_GT(q.AsInteger(0), 0);
            // A Jet file is not written through a connection.
            TConnection writer;
            writer.SetDataSource(path);
            EXPECT_THROW(writer.Open(), EDatabaseError);
        }
        // Closed again, the file is back in the form it was found in.
        EXPECT_EQ(orv::test::ReadFileBytes(path), before) << c.file;
    }
}
