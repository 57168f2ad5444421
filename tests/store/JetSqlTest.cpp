#include "TestSupport.h"
#include "UDatabase.h"
#include "UJetSql.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(JetSql, TranslationTable) {
    const struct {
        const char* jet;
        const char* sqlite;
        QStringList params;
    } cases[] = {
        {"SELECT * FROM T_VIEW WHERE FVISIBLE=true", "SELECT * FROM T_VIEW WHERE FVISIBLE=-1", {}},
        {"WHERE A=False AND B<>0", "WHERE A=0 AND B<>0", {}},
        {"SELECT 'it''s true', [true] FROM X", "SELECT 'it''s true', [true] FROM X", {}},
        {"SELECT \"say \"\"hi\"\" it's\"", "SELECT 'say \"hi\" it''s'", {}},
        {"SELECT A & ' ' & B", "SELECT A || ' ' || B", {}},
        {"WHERE D=#12/25/2024#", "WHERE D='2024-12-25'", {}},
        {"WHERE D=#25/12/2024#", "WHERE D='2024-12-25'", {}},
        {"WHERE D=#2/3/2024#", "WHERE D='2024-02-03'", {}},
        {"WHERE D=#2024-01-31 13:45:10#", "WHERE D='2024-01-31 13:45:10'", {}},
        {"WHERE D=#1/2/2024 1:05 PM#", "WHERE D='2024-01-02 13:05:00'", {}},
        {"DROP INDEX T_F ON T", "DROP INDEX T_F", {}},
        {"drop index [T_F] on [T]", "drop index [T_F]", {}},
        {"SELECT * FROM T_APPLICATION WHERE PAPPLICATION=:PAPPLICATION AND PNAME=:PNAME",
         "SELECT * FROM T_APPLICATION WHERE PAPPLICATION=? AND PNAME=?",
         {"PAPPLICATION", "PNAME"}},
        {"SELECT ':NOT' , [:NOT] WHERE A=:a1 OR B=:a1",
         "SELECT ':NOT' , [:NOT] WHERE A=? OR B=?",
         {"a1", "a1"}},
        {"SELECT 1 AS X, 'a' AS Y UNION SELECT 2, 'b' ORDER BY 1,2 ASC",
         "SELECT 1 AS X, 'a' AS Y UNION SELECT 2, 'b' ORDER BY 1,2 ASC",
         {}},
        {"SELECT TrueValue, truely FROM T", "SELECT TrueValue, truely FROM T", {}},
    };
    for (const auto& c : cases) {
        const TJetStatement s = TranslateJetSql(QString::fromUtf8(c.jet));
        EXPECT_EQ(s.Sql, QString::fromUtf8(c.sqlite)) << c.jet;
        EXPECT_EQ(s.Parameters, c.params) << c.jet;
    }
}

TEST(JetSql, FunctionsAndTextRulesOnARealConnection) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("d.db"));
    orv::test::RunSqlScript(path, "CREATE TABLE P (N TEXT COLLATE NOCASE, B BOOLEAN);"
                                  "INSERT INTO P VALUES ('Émile', -1), ('zoé', 0), ('andré', -1);");
    TConnection c;
    c.SetDataSource(path);
    c.Open();
    const struct {
        const char* sql;
        const char* expected;
    } cases[] = {
        {"SELECT UCase('éa')", "ÉA"},
        {"SELECT LCase('ÉA')", "éa"},
        {"SELECT IIf(1=1, 'yes', 'no')", "yes"},
        {"SELECT IIf(NULL, 'yes', 'no')", "no"},
        {"SELECT Nz(NULL, 'z')", "z"},
        {"SELECT Nz(NULL)", ""},
        {"SELECT Nz(3, 'z')", "3"},
        {"SELECT COUNT(*) FROM P WHERE N='émile'", "1"},
        {"SELECT COUNT(*) FROM P WHERE N='ZOÉ'", "1"},
        {"SELECT COUNT(*) FROM P WHERE B=true", "2"},
        {"SELECT 'a' & 'b'", "ab"},
        {"SELECT N FROM P ORDER BY N", "andré"},
    };
    for (const auto& cs : cases) {
        TQuery q(c);
        q.SetSQL(QString::fromUtf8(cs.sql));
        q.Open();
        ASSERT_FALSE(q.Eof()) << cs.sql;
        EXPECT_EQ(q.AsString(0), QString::fromUtf8(cs.expected)) << cs.sql;
    }
}
