#include "TestSupport.h"
#include "UDBUpdate.h"
#include "UDatabase.h"
#include "UExceptions.h"
#include "UJetSchema.h"
#include "USimpleBase.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A resource database whose forms are given as SQL, and a data database.
class DBUpdateTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString resPath = dir.filePath(QStringLiteral("app.res"));
    QString dataPath = dir.filePath(QStringLiteral("app.db"));
    TConnection res;
    TConnection data;
    QStringList indexErrors;

    void Define(const QByteArray& script) {
        res.Close();
        QFile::remove(resPath);
        orv::test::CreateResourceDatabase(resPath, script);
        res.SetReadOnly(true);
        res.SetDataSource(resPath);
        res.Open();
    }
    void Sync(TdmDBUpdate& update) {
        data.SetDataSource(dataPath);
        update.OnIndexError = [this](const QString& m) { indexErrors.append(m); };
        update.SynchronizeDataSchema();
    }
    QStringList Columns(const QString& table) { return data.GetFieldNames(table); }
    QString DeclaredType(const QString& table, const QString& column) {
        for (const TColumnInfo& c : data.GetColumns(table))
            if (c.Name == column)
                return c.DeclaredType;
        return QStringLiteral("<none>");
    }
    QStringList Rows(const QString& sql) {
        TQuery q(data);
        q.SetSQL(sql);
        QStringList rows;
        for (q.Open(); !q.Eof(); q.Next()) {
            QStringList row;
            for (int i = 0; i < q.FieldCount(); ++i)
                row.append(q.IsNull(i) ? QStringLiteral("null") : q.AsString(i));
            rows.append(row.join(u'|'));
        }
        return rows;
    }
};

const QByteArray kTwoForms =
    "INSERT INTO T_FORM (PK_FORM, TABLE_NAME, NORDER) VALUES (1, 'CLIENTS', 2), (2, 'ITEMS', 1);"
    "INSERT INTO T_FORM_FIELDS (PK_FORM_FIELD, FK_FORM, FIELD_NAME, FIELD_TYPE, NORDER, AUNIQUE) "
    "VALUES (1, 1, 'NAME', 1, 2, 0), (2, 1, 'TITLE', 14, 1, 0), (3, 1, 'AGE', 2, 3, 0),"
    " (4, 1, 'PHOTO', 7, 4, 0), (5, 1, 'VIP', 9, 5, 0), (6, 1, 'NOTES', 15, 6, 0),"
    " (7, 1, 'SINCE', 6, 7, 0), (8, 1, 'PRICE', 3, 8, 0), (9, 1, 'GO', 16, 9, 0),"
    " (10, 1, 'EMAIL', 1, 10, -1), (11, 2, 'LABEL', 1, 1, 0);";

} // namespace

TEST_F(DBUpdateTest, EmptyDataDatabaseGetsOneTablePerForm) {
    Define(kTwoForms);
    TdmDBUpdate update(res, data);
    Sync(update);
    EXPECT_TRUE(QFile::exists(dataPath));
    EXPECT_EQ(data.GetTableNames(), (QStringList{"ITEMS", "CLIENTS"}));
    EXPECT_EQ(
        Columns(QStringLiteral("CLIENTS")),
        (QStringList{"ID", "NAME", "AGE", "PHOTO", "VIP", "NOTES", "SINCE", "PRICE", "EMAIL"}));
    ASSERT_GE(update.Statements().size(), 3);
    EXPECT_EQ(update.Statements()[0],
              QStringLiteral("CREATE TABLE ITEMS\n(\nID AUTOINCREMENT NOT NULL ,\n"
                             "[LABEL] varchar(255)\n,\nPRIMARY KEY (ID)\n)"));
    EXPECT_EQ(update.Statements()[1],
              QStringLiteral(
                  "CREATE TABLE CLIENTS\n(\nID AUTOINCREMENT NOT NULL ,\n[NAME] varchar(255)\n,\n"
                  "[AGE] integer\n,\n[PHOTO] LongBinary\n,\n[VIP] Bit\n,\n[NOTES] Memo\n,\n"
                  "[SINCE] DateTime\n,\n[PRICE] Currency\n,\n[EMAIL] varchar(255)\n,\n"
                  "PRIMARY KEY (ID)\n)"));
    EXPECT_EQ(update.Statements()[2],
              QStringLiteral("CREATE UNIQUE INDEX CLIENTS_EMAIL\nON CLIENTS\n(EMAIL)"));
    EXPECT_EQ(DeclaredType(QStringLiteral("CLIENTS"), QStringLiteral("NOTES")),
              QStringLiteral("MEMO TEXT"));

    // Stored values keep their kind: a memo of digits stays text, names compare
    // without regard to case, the key counts up.
    data.Execute(
        QStringLiteral("INSERT INTO CLIENTS (NAME, NOTES, VIP) VALUES ('Émile', '0123', true)"));
    EXPECT_EQ(Rows(QStringLiteral("SELECT ID, NOTES, VIP FROM CLIENTS WHERE NAME='émile'")),
              QStringList{QStringLiteral("1|0123|-1")});
    EXPECT_THROW(data.Execute(QStringLiteral("INSERT INTO CLIENTS (EMAIL) VALUES ('a'), ('a')")),
                 EDatabaseError);
}

TEST_F(DBUpdateTest, SecondRunChangesNothingAndKeepsTheUniqueIndex) {
    Define(kTwoForms);
    {
        TdmDBUpdate update(res, data);
        Sync(update);
    }
    data.Execute(QStringLiteral("INSERT INTO CLIENTS (NAME, EMAIL) VALUES ('x', 'x@y')"));
    TdmDBUpdate again(res, data);
    Sync(again);
    EXPECT_TRUE(again.Changes().isEmpty()) << again.Changes().join(u'\n').toStdString();
    // The statements are built as always: the index drop and its re-creation
    // appear, though the index in place is kept.
    EXPECT_TRUE(again.Statements().contains(QStringLiteral("DROP INDEX CLIENTS_EMAIL ON CLIENTS")));
    EXPECT_TRUE(again.Statements().contains(
                    QStringLiteral("ALTER TABLE CLIENTS\nALTER COLUMN \n[PRICE] Currency")) ==
                false); // a currency column is classified as currency
    EXPECT_THROW(data.Execute(QStringLiteral("INSERT INTO CLIENTS (EMAIL) VALUES ('X@Y')")),
                 EDatabaseError);
    EXPECT_TRUE(indexErrors.isEmpty());
}

TEST_F(DBUpdateTest, FieldsTurningIntoDataAndBack) {
    Define(kTwoForms);
    {
        TdmDBUpdate update(res, data);
        Sync(update);
    }
    data.Execute(QStringLiteral("INSERT INTO CLIENTS (NAME, AGE) VALUES ('Ann', 30)"));
    // TITLE: Label -> Text; AGE: Numeric -> Label; NAME: Text -> List (same column type).
    Define(kTwoForms + "UPDATE T_FORM_FIELDS SET FIELD_TYPE=1 WHERE FIELD_NAME='TITLE';"
                       "UPDATE T_FORM_FIELDS SET FIELD_TYPE=14 WHERE FIELD_NAME='AGE';"
                       "UPDATE T_FORM_FIELDS SET FIELD_TYPE=5 WHERE FIELD_NAME='NAME';");
    TdmDBUpdate update(res, data);
    Sync(update);
    const QStringList& s = update.Statements();
    EXPECT_TRUE(
        s.contains(QStringLiteral("ALTER TABLE CLIENTS\nADD COLUMN \n[TITLE] varchar(255)")));
    EXPECT_TRUE(s.contains(QStringLiteral("ALTER TABLE CLIENTS DROP COLUMN [AGE]")));
    EXPECT_TRUE(
        s.contains(QStringLiteral("ALTER TABLE CLIENTS\nALTER COLUMN \n[NAME] varchar(255)")));
    EXPECT_EQ(
        Columns(QStringLiteral("CLIENTS")),
        (QStringList{"ID", "NAME", "PHOTO", "VIP", "NOTES", "SINCE", "PRICE", "EMAIL", "TITLE"}));
    EXPECT_EQ(Rows(QStringLiteral("SELECT ID, NAME, TITLE FROM CLIENTS")),
              QStringList{"1|Ann|null"});
    // A list column over the same text type is not rebuilt: no change reported for it.
    for (const QString& change : update.Changes())
        EXPECT_FALSE(change.contains(QStringLiteral("CLIENTS.NAME"))) << change.toStdString();
}

TEST_F(DBUpdateTest, RealTypeChangeKeepsEveryRow) {
    Define(kTwoForms);
    {
        TdmDBUpdate update(res, data);
        Sync(update);
    }
    data.Execute(QStringLiteral(
        "INSERT INTO CLIENTS (NAME, EMAIL) VALUES ('12', 'a'), ('abc', 'b'), (NULL, 'c')"));
    data.Execute(
        QStringLiteral("DELETE FROM CLIENTS WHERE NAME IS NULL")); // the key counter stays at 3
    Define(kTwoForms + "UPDATE T_FORM_FIELDS SET FIELD_TYPE=2 WHERE FIELD_NAME='NAME';");
    TdmDBUpdate update(res, data);
    Sync(update);
    EXPECT_EQ(DeclaredType(QStringLiteral("CLIENTS"), QStringLiteral("NAME")).toUpper(),
              QStringLiteral("INTEGER"));
    EXPECT_EQ(Rows(QStringLiteral("SELECT ID, NAME, typeof(NAME), EMAIL FROM CLIENTS ORDER BY ID")),
              (QStringList{"1|12|integer|a", "2|abc|text|b"}));
    data.Execute(QStringLiteral("INSERT INTO CLIENTS (EMAIL) VALUES ('d')"));
    EXPECT_EQ(Rows(QStringLiteral("SELECT MAX(ID) FROM CLIENTS")), QStringList{"4"});
    // The unique index survived the rebuild.
    EXPECT_THROW(data.Execute(QStringLiteral("INSERT INTO CLIENTS (EMAIL) VALUES ('a')")),
                 EDatabaseError);
}

TEST_F(DBUpdateTest, UnnamedTablesAndViewsAreDroppedAndKeysKept) {
    Define(kTwoForms);
    orv::test::RunSqlScript(
        dataPath,
        "CREATE TABLE OLD (A TEXT);"
        "CREATE VIEW V_OLD AS SELECT A FROM OLD;"
        "CREATE TABLE ITEMS (id INTEGER PRIMARY KEY AUTOINCREMENT, label TEXT, Extra TEXT);"
        "INSERT INTO ITEMS (label, Extra) VALUES ('one', 'x');");
    TdmDBUpdate update(res, data);
    Sync(update);
    EXPECT_EQ(data.GetTableNames(true), (QStringList{"ITEMS", "CLIENTS"}));
    const QStringList& s = update.Statements();
    EXPECT_TRUE(s.contains(QStringLiteral("DROP TABLE OLD")));
    EXPECT_TRUE(s.contains(QStringLiteral("DROP TABLE V_OLD")));
    // "id" in lower case is dropped by the statement; its rows keep their key as ID.
    EXPECT_TRUE(s.contains(QStringLiteral("ALTER TABLE ITEMS DROP COLUMN [id]")));
    EXPECT_TRUE(s.contains(QStringLiteral("ALTER TABLE ITEMS DROP COLUMN [Extra]")));
    // "label" differs from LABEL in letter case only: ADD COLUMN is issued and
    // the column takes the defined name with its data.
    EXPECT_TRUE(s.contains(QStringLiteral("ALTER TABLE ITEMS\nADD COLUMN \n[LABEL] varchar(255)")));
    EXPECT_EQ(Columns(QStringLiteral("ITEMS")), (QStringList{"ID", "LABEL"}));
    EXPECT_TRUE(update.Changes().contains(QStringLiteral("Colonne ITEMS.LABEL renommée")));
    EXPECT_EQ(Rows(QStringLiteral("SELECT ID, LABEL FROM ITEMS")), QStringList{"1|one"});
}

TEST_F(DBUpdateTest, TwoFormsNamingOneTableStopTheRun) {
    Define(kTwoForms + "INSERT INTO T_FORM (PK_FORM, TABLE_NAME, NORDER) VALUES (3, 'items', 3);");
    TdmDBUpdate update(res, data);
    data.SetDataSource(dataPath);
    EXPECT_THROW(update.SynchronizeDataSchema(), EDatabaseError);
    // The tables done before the failing statement stay done.
    EXPECT_EQ(data.GetTableNames(), (QStringList{"ITEMS", "CLIENTS"}));
}

TEST_F(DBUpdateTest, UniqueFieldOverDuplicatesShowsTheErrorAndGoesOn) {
    Define(kTwoForms);
    {
        TdmDBUpdate update(res, data);
        Sync(update);
    }
    data.Execute(QStringLiteral("INSERT INTO ITEMS (LABEL) VALUES ('same'), ('SAME')"));
    Define(kTwoForms + "UPDATE T_FORM_FIELDS SET AUNIQUE=-1 WHERE FIELD_NAME IN ('LABEL', 'TITLE');"
                       "UPDATE T_FORM_FIELDS SET AUNIQUE=0 WHERE FIELD_NAME='EMAIL';");
    TdmDBUpdate update(res, data);
    Sync(update);
    ASSERT_EQ(indexErrors.size(), 2) << indexErrors.join(u'\n').toStdString();
    // The engine's message, a line feed, the table, a blank and the field.
    EXPECT_TRUE(indexErrors.contains(QStringLiteral("no such column: TITLE\nCLIENTS TITLE")))
        << indexErrors.join(u'|').toStdString();
    EXPECT_TRUE(
        indexErrors.contains(QStringLiteral("UNIQUE constraint failed: ITEMS.LABEL\nITEMS LABEL")));
    // EMAIL is no longer unique: its index is gone.
    data.Execute(QStringLiteral("INSERT INTO CLIENTS (EMAIL) VALUES ('a'), ('a')"));
    EXPECT_TRUE(update.Changes().contains(QStringLiteral("Index CLIENTS_EMAIL supprimé")));
}

TEST_F(DBUpdateTest, JetDataDatabaseIsMigratedOnceAndTheOriginalKept) {
    const QString fixtures = orv::test::SharedFixtureFolder();
    if (fixtures.isEmpty())
        GTEST_SKIP() << "the shared Jet fixtures are absent";
    // A Jet 4 data database as the runtime leaves it on Windows: in closed form.
    ASSERT_TRUE(QFile::copy(fixtures + QStringLiteral("/jet/datetest-jet4.mdb"), dataPath));
    QFile::setPermissions(dataPath, QFile::ReadOwner | QFile::WriteOwner);
    HideDatabaseFile(dataPath);
    const QByteArray original = orv::test::ReadFileBytes(dataPath);
    Define(
        "INSERT INTO T_FORM (PK_FORM, TABLE_NAME, NORDER) VALUES (1, 'DateTest', 1);"
        "INSERT INTO T_FORM_FIELDS (PK_FORM_FIELD, FK_FORM, FIELD_NAME, FIELD_TYPE, NORDER) VALUES"
        " (1, 1, 'ShortTextCol', 1, 1), (2, 1, 'LongTextCol', 15, 2), (3, 1, 'DateCol', 6, 3),"
        " (4, 1, 'Added', 2, 4);");
    TdmDBUpdate update(res, data);
    Sync(update);
    const QString backup = dir.filePath(QStringLiteral("app.jet-original.mdb"));
    EXPECT_EQ(orv::test::ReadFileBytes(backup), original); // kept, byte for byte
    EXPECT_TRUE(orv::test::ReadFileBytes(dataPath).startsWith("SQLite format 3"));
    ASSERT_FALSE(update.Changes().isEmpty());
    EXPECT_TRUE(update.Changes()[0].startsWith(QStringLiteral("Base Jet")))
        << update.Changes()[0].toStdString();
    // ID is not made by a synchronisation of an existing table; the other
    // columns follow the definitions.
    EXPECT_EQ(Columns(QStringLiteral("DateTest")),
              (QStringList{"DateCol", "LongTextCol", "ShortTextCol", "Added"}));
    EXPECT_EQ(
        Rows(QStringLiteral("SELECT ShortTextCol FROM DateTest ORDER BY ShortTextCol LIMIT 1"))
            .size(),
        1);
    EXPECT_EQ(DeclaredType(QStringLiteral("DateTest"), QStringLiteral("LongTextCol")),
              QStringLiteral("LONGTEXT"));

    // A table with an integer ID gets it back as its auto-numbered key.
    orv::test::RunSqlScript(
        dir.filePath(QStringLiteral("keys.db")),
        "CREATE TABLE T (ID INTEGER, NAME TEXT); INSERT INTO T VALUES (5, 'a'), (9, 'b');"
        "CREATE TABLE U (ID INTEGER); INSERT INTO U VALUES (1), (1);");
    {
        TConnection keys;
        keys.SetDataSource(dir.filePath(QStringLiteral("keys.db")));
        keys.Open();
        EXPECT_TRUE(PromoteKeyColumn(keys, QStringLiteral("T"), QStringLiteral("ID")));
        EXPECT_FALSE(PromoteKeyColumn(keys, QStringLiteral("U"), QStringLiteral("ID"))); // repeated
        keys.Execute(QStringLiteral("INSERT INTO T (NAME) VALUES ('c')"));
        TQuery q(keys);
        q.SetSQL(QStringLiteral("SELECT ID, NAME FROM T ORDER BY ID"));
        QStringList rows;
        for (q.Open(); !q.Eof(); q.Next())
            rows.append(q.AsString(0) + u'|' + q.AsString(1));
        EXPECT_EQ(rows, (QStringList{"5|a", "9|b", "10|c"}));
    }

    // Once migrated, the next run finds an SQLite file and changes nothing.
    TdmDBUpdate again(res, data);
    Sync(again);
    EXPECT_TRUE(again.Changes().isEmpty()) << again.Changes().join(u'|').toStdString();
}

TEST_F(DBUpdateTest, UnreadableJetDataDatabaseIsLeftInPlace) {
    // A file with the Jet marker but nothing readable after it.
    QByteArray junk(8192, '\x11');
    junk.replace(4, 15, "Standard Jet DB");
    junk[20] = 1;
    orv::test::WriteFileBytes(dataPath, junk);
    Define(kTwoForms);
    TdmDBUpdate update(res, data);
    data.SetDataSource(dataPath);
    try {
        update.SynchronizeDataSchema();
        FAIL() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Impossible de convertir la base Jet")))
            << e.what();
    }
    EXPECT_EQ(orv::test::ReadFileBytes(dataPath), junk);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"app.db", "app.res"}));
}
