#include "TestSupport.h"
#include "UDatabase.h"
#include "UExceptions.h"
#include "UJetSql.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Opens a data database made by a script, with the Jet functions registered.
class JetSqlDatabase : public ::testing::Test {
protected:
    void Open(const QByteArray& script) {
        ASSERT_TRUE(m_dir.isValid());
        const QString path = m_dir.filePath(QStringLiteral("d.db"));
        orv::test::RunSqlScript(path, script);
        m_connection.SetDataSource(path);
        m_connection.Open();
    }

    // The first column of the first row, "<null>" for null.
    QString First(const QString& sql, const QVariantHash& params = {}) {
        TQuery q(m_connection);
        q.SetSQL(sql);
        for (auto it = params.begin(); it != params.end(); ++it)
            q.SetParam(it.key(), it.value());
        q.Open();
        if (q.Eof())
            return QStringLiteral("<no row>");
        return q.IsNull(0) ? QStringLiteral("<null>") : q.AsString(0);
    }

    QTemporaryDir m_dir;
    TConnection m_connection;
};

// The cases of tests/fixtures/jet_sql_cases.txt.
struct TCase {
    int Line;
    QString Sql;
    QString Expected;
};

struct TFixture {
    QByteArray Data;
    QList<TCase> Cases;
};

TFixture ReadFixture() {
    const QString text =
        QString::fromUtf8(orv::test::FixtureScript(QStringLiteral("jet_sql_cases.txt")));
    static const QRegularExpression escape(QStringLiteral(R"(\\u([0-9A-Fa-f]{4}))"));
    TFixture fixture;
    QString section;
    const QStringList lines = text.split(u'\n');
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = lines[n];
        if (line.trimmed().isEmpty() || line.startsWith(QStringLiteral("--")))
            continue;
        if (line.startsWith(u'[') && line.trimmed().endsWith(u']')) {
            section = line.trimmed();
            continue;
        }
        if (section == u"[data]") {
            fixture.Data += line.toUtf8() + '\n';
            continue;
        }
        const qsizetype arrow = line.lastIndexOf(QStringLiteral(" =>"));
        if (arrow < 0) {
            ADD_FAILURE() << "line " << n + 1 << " has no =>: " << line.toStdString();
            continue;
        }
        QString expected = line.mid(arrow + 3);
        if (expected.startsWith(u' '))
            expected.remove(0, 1);
        QRegularExpressionMatch m;
        while ((m = escape.match(expected)).hasMatch())
            expected.replace(m.capturedStart(), m.capturedLength(),
                             QChar(char16_t(m.captured(1).toUShort(nullptr, 16))));
        fixture.Cases.append({n + 1, line.left(arrow), expected});
    }
    return fixture;
}

} // namespace

TEST(JetSql, TranslationTable) {
    const struct {
        const char* jet;
        const char* sqlite;
        QStringList params;
    } cases[] = {
        // Literals and names are never rewritten inside quotes or brackets.
        {"SELECT * FROM T_VIEW WHERE FVISIBLE=true", "SELECT * FROM T_VIEW WHERE FVISIBLE=-1", {}},
        {"WHERE A=False AND B<>0", "WHERE A=0 AND B<>0", {}},
        {"SELECT 'it''s true', [true] FROM X", "SELECT 'it''s true', [true] FROM X", {}},
        {"SELECT \"say \"\"hi\"\" it's\"", "SELECT 'say \"hi\" it''s'", {}},
        {"SELECT TrueValue, truely FROM T", "SELECT TrueValue, truely FROM T", {}},
        {"SELECT 'a & b', [a & b] & \"it's\"", "SELECT 'a & b', JETCONCAT([a & b], 'it''s')", {}},
        {"SELECT 'x LIKE y', [Left(] FROM T", "SELECT 'x LIKE y', [Left(] FROM T", {}},
        // Date literals.
        {"WHERE D=#12/25/2024#", "WHERE D='2024-12-25'", {}},
        {"WHERE D=#25/12/2024#", "WHERE D='2024-12-25'", {}},
        {"WHERE D=#2/3/2024#", "WHERE D='2024-02-03'", {}},
        {"WHERE D=#2024-01-31 13:45:10#", "WHERE D='2024-01-31 13:45:10'", {}},
        {"WHERE D=#1/2/2024 1:05 PM#", "WHERE D='2024-01-02 13:05:00'", {}},
        {"WHERE D=#1/2/29# OR D=#1/2/30#", "WHERE D='2029-01-02' OR D='1930-01-02'", {}},
        // & over its operands: it binds looser than + and -, tighter than
        // comparisons, and stops at commas, parentheses and keywords.
        {"SELECT A & ' ' & B", "SELECT JETCONCAT(A, ' ', B)", {}},
        {"SELECT \"a\" & 1+2", "SELECT JETCONCAT('a', 1+2)", {}},
        {"SELECT A & B + C FROM T", "SELECT JETCONCAT(A, JETADD(B, C)) FROM T", {}},
        {"WHERE A & B = C & D AND E",
         "WHERE JETCONCAT(A, B) COLLATE NOCASE = JETCONCAT(C, D) AND E",
         {}},
        {"SELECT (A & B) & C", "SELECT JETCONCAT((JETCONCAT(A, B)), C)", {}},
        {"SELECT F(A & B, C) & D FROM T", "SELECT JETCONCAT(F(JETCONCAT(A, B), C), D) FROM T", {}},
        {"SELECT IIf(A, 'x' & B, C)", "SELECT IIf(A, JETCONCAT('x', B), C)", {}},
        {"SELECT A & B AS X, C FROM T ORDER BY X",
         "SELECT JETCONCAT(A, B) COLLATE NOCASE AS X, C FROM T ORDER BY X",
         {}},
        {"WHERE X BETWEEN 'a' & B AND C", "WHERE X BETWEEN JETCONCAT('a', B) AND C", {}},
        {"SELECT CASE WHEN A = 'x' THEN 'a' & B ELSE C END FROM T",
         "SELECT CASE WHEN A = 'x' THEN JETCONCAT('a', B) ELSE C END FROM T",
         {}},
        {"INSERT INTO T (A, B) VALUES ('x' & :P, #1/2/2024#)",
         "INSERT INTO T (A, B) VALUES (JETCONCAT('x', ?), '2024-01-02')",
         {"P"}},
        // Arithmetic with Jet's meaning and precedence.
        {"SELECT A Mod 3, A \\ 2, 2 ^ 3 ^ 2, -2 ^ 2, 7 / 2",
         "SELECT JETMOD(A, 3), JETIDIV(A, 2), JETPOW(JETPOW(2, 3), 2), -JETPOW(2, 2), JETDIV(7, "
         "2)",
         {}},
        {"SELECT 10 Mod 3 * 2", "SELECT JETMOD(10, 3 * 2)", {}},
        {"SELECT A - B, A + 1, 1 + 2", "SELECT JETSUB(A, B), JETADD(A, 1), 1 + 2", {}},
        {"SELECT 5--3", "SELECT 5- -3", {}},
        {"WHERE D > Date() - 30", "WHERE D > JETSUB(JETDATE(), 30)", {}},
        {"WHERE A Xor B Or C", "WHERE JETXOR(A, -(B Or C))", {}},
        {"WHERE A = Not B", "WHERE A = -((Not B))", {}},
        // Truth values become Jet's -1 where they are used as values.
        {"SELECT A > 0 AS F, Not B FROM T", "SELECT -(A > 0) AS F, -(Not B) FROM T", {}},
        {"WHERE (A > 0) = True AND B", "WHERE -((A > 0)) = -1 AND B", {}},
        {"SELECT N LIKE 'a*' AS L, IIf(A > 0, 1, 2), Sum(A > 0) FROM T",
         "SELECT JETLIKE(N, 'a*') AS L, IIf(A > 0, 1, 2), Sum(-(A > 0)) FROM T",
         {}},
        // LIKE and IS NULL.
        {"WHERE N LIKE 'a*'", "WHERE JETLIKE(N, 'a*')", {}},
        {"WHERE N NOT LIKE \"b?\" & X OR Y", "WHERE NOT JETLIKE(N, JETCONCAT('b?', X)) OR Y", {}},
        {"WHERE X Between 1 And 2 And Y Is Not Null",
         "WHERE X Between 1 And 2 And Y Is Not Null",
         {}},
        // Function names SQLite reads differently.
        {"SELECT Left(N, 2), Right$(N, 1), Mid$(N, 2) FROM T",
         "SELECT JETLEFT(N, 2), JETRIGHT(N, 1), Mid(N, 2) FROM T",
         {}},
        {"SELECT Date(), Time(), Now(), date('now')",
         "SELECT JETDATE(), JETTIME(), Now(), date('now')",
         {}},
        {"SELECT * FROM T WHERE IsNull(A) OR Not B",
         "SELECT * FROM T WHERE JETISNULL(A) OR Not B",
         {}},
        // Text comparisons of expressions that are not columns ignore case.
        {"WHERE UCase(N) = 'ABC'", "WHERE UCase(N) COLLATE NOCASE = 'ABC'", {}},
        {"WHERE N = 'ABC' AND :P = 1", "WHERE N = 'ABC' AND ? COLLATE NOCASE = 1", {"P"}},
        {"WHERE Left(N, 1) IN ('a', 'b')", "WHERE JETLEFT(N, 1) COLLATE NOCASE IN ('a', 'b')", {}},
        {"SELECT N FROM T ORDER BY Left(N, 1) DESC, 2",
         "SELECT N FROM T ORDER BY JETLEFT(N, 1) COLLATE NOCASE DESC, 2",
         {}},
        {"SELECT COUNT(*) FROM T GROUP BY Left(N,1) HAVING COUNT(*) > 1",
         "SELECT COUNT(*) FROM T GROUP BY JETLEFT(N,1) COLLATE NOCASE HAVING COUNT(*) > 1",
         {}},
        // TOP and DISTINCTROW.
        {"SELECT TOP 5 * FROM T ORDER BY N", "SELECT * FROM T ORDER BY N LIMIT 5", {}},
        {"SELECT TOP 5 * FROM T;", "SELECT * FROM T LIMIT 5", {}},
        {"SELECT DISTINCTROW TOP 2 N FROM T", "SELECT DISTINCT N FROM T LIMIT 2", {}},
        {"SELECT N FROM T WHERE ID IN (SELECT TOP 3 ID FROM U ORDER BY D DESC)",
         "SELECT N FROM T WHERE ID IN (SELECT ID FROM U ORDER BY D DESC LIMIT 3)",
         {}},
        {"SELECT A FROM T UNION SELECT TOP 1 B FROM U ORDER BY 1",
         "SELECT A FROM T UNION SELECT * FROM (SELECT B FROM U LIMIT 1) ORDER BY 1",
         {}},
        {"SELECT TOP 10 PERCENT N FROM T WHERE X=:P ORDER BY N",
         "SELECT N FROM T WHERE X=? ORDER BY N LIMIT (SELECT CAST(n_ AS INTEGER) + (n_ > CAST(n_ "
         "AS INTEGER)) FROM (SELECT COUNT(*) * 10 / 100.0 AS n_ FROM (SELECT N FROM T WHERE "
         "X=?)))",
         {"P", "P"}},
        {"SELECT Top FROM T", "SELECT Top FROM T", {}},
        // Statements.
        {"DROP INDEX T_F ON T", "DROP INDEX T_F", {}},
        {"drop index [T_F] on [T]", "drop index [T_F]", {}},
        {"DELETE * FROM T WHERE X=1", "DELETE FROM T WHERE X=1", {}},
        {"DELETE T.* FROM T", "DELETE FROM T", {}},
        {"UPDATE T SET T.A = 1, [T].[B] = 'x' WHERE T.C = 2",
         "UPDATE T SET A = 1, [B] = 'x' WHERE T.C = 2",
         {}},
        {"PARAMETERS [X] Long; SELECT * FROM T WITH OWNERACCESS OPTION;", "SELECT * FROM T", {}},
        {"SELECT * FROM (A LEFT JOIN B ON A.x = B.x) INNER JOIN C ON B.y=C.y",
         "SELECT * FROM (A LEFT JOIN B ON A.x = B.x) INNER JOIN C ON B.y=C.y",
         {}},
        {"SELECT 1 AS X, 'a' AS Y UNION SELECT 2, 'b' ORDER BY 1,2 ASC",
         "SELECT 1 AS X, 'a' AS Y UNION SELECT 2, 'b' ORDER BY 1,2 ASC",
         {}},
        // Parameters.
        {"SELECT * FROM T_APPLICATION WHERE PAPPLICATION=:PAPPLICATION AND PNAME=:PNAME",
         "SELECT * FROM T_APPLICATION WHERE PAPPLICATION=? AND PNAME=?",
         {"PAPPLICATION", "PNAME"}},
        {"SELECT ':NOT' , [:NOT] WHERE A=:a1 OR B=:a1",
         "SELECT ':NOT' , [:NOT] WHERE A=? OR B=?",
         {"a1", "a1"}},
        // Text SQLite must reject is passed on, not repaired.
        {"SELECT 'unterminated", "SELECT 'unterminated", {}},
        {"SELECT ((1)", "SELECT ((1)", {}},
    };
    for (const auto& c : cases) {
        const TJetStatement s = TranslateJetSql(QString::fromUtf8(c.jet));
        EXPECT_EQ(s.Sql, QString::fromUtf8(c.sqlite)) << c.jet;
        EXPECT_EQ(s.Parameters, c.params) << c.jet;
    }
}

TEST(JetSql, DeepOrMalformedTextTranslatesWithoutCrashing) {
    const QString deep = QString(5000, u'(') + u'1' + QString(5000, u')');
    EXPECT_TRUE(TranslateJetSql(QStringLiteral("SELECT ") + deep).Sql.endsWith(u')'));
    QString chain = QStringLiteral("SELECT 'a'");
    for (int i = 0; i < 2000; ++i)
        chain += QStringLiteral(" & 'a'");
    EXPECT_TRUE(TranslateJetSql(chain).Sql.startsWith(QStringLiteral("SELECT JETCONCAT('a', 'a'")));
    for (const char* text : {"",
                             ";",
                             ")",
                             "(",
                             "SELECT",
                             "SELECT TOP",
                             "SELECT TOP 5",
                             "& &",
                             "a LIKE",
                             "x BETWEEN 1",
                             "#1/1",
                             "NOT",
                             "- -",
                             "CASE WHEN",
                             "UPDATE T SET",
                             "DELETE",
                             "PARAMETERS x;",
                             "SELECT a IN",
                             "SELECT 1 UNION",
                             "Left(",
                             "a Is"})
        TranslateJetSql(QString::fromUtf8(text)); // must simply return
}

TEST_F(JetSqlDatabase, CasesOfTheFixtureGiveTheirFirstRow) {
    const TFixture fixture = ReadFixture();
    ASSERT_FALSE(fixture.Cases.isEmpty());
    Open(fixture.Data);
    for (const TCase& c : fixture.Cases) {
        const std::string where = "jet_sql_cases.txt:" + std::to_string(c.Line) + ": " +
                                  c.Sql.toStdString() +
                                  "\n  as SQLite: " + TranslateJetSql(c.Sql).Sql.toStdString();
        if (c.Expected == u"<error>") {
            EXPECT_THROW(First(c.Sql), EDatabaseError) << where;
            continue;
        }
        try {
            EXPECT_EQ(First(c.Sql), c.Expected) << where;
        } catch (const std::exception& e) {
            ADD_FAILURE() << where << "\n  failed: " << e.what();
        }
    }
}

TEST_F(JetSqlDatabase, TodayAndNowAreLocalTime) {
    Open("CREATE TABLE T (X INTEGER);");
    const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
    const QString today = First(QStringLiteral("SELECT Date()"));
    const QString now = First(QStringLiteral("SELECT Now()"));
    const QString time = First(QStringLiteral("SELECT Time()"));
    const QDateTime after = QDateTime::currentDateTime().addSecs(2);
    EXPECT_TRUE(today == before.date().toString(Qt::ISODate) ||
                today == after.date().toString(Qt::ISODate))
        << today.toStdString();
    // At midnight exactly the stored form has no time of day.
    QDateTime value = QDateTime::fromString(now, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!value.isValid())
        value = QDateTime(QDate::fromString(now, Qt::ISODate), QTime(0, 0));
    EXPECT_TRUE(value.isValid() && value >= before && value <= after) << now.toStdString();
    EXPECT_TRUE(time.startsWith(QStringLiteral("1899-12-30"))) << time.toStdString();
    // SQLite's own date(x) keeps its meaning when given arguments.
    EXPECT_EQ(First(QStringLiteral("SELECT date('2024-01-31', '+1 day')")), u"2024-02-01");
    EXPECT_EQ(First(QStringLiteral("SELECT DateDiff('d', Date(), DateAdd('d', 3, Date()))")), u"3");
}

TEST_F(JetSqlDatabase, ChangesRunWithJetStatementForms) {
    Open("CREATE TABLE T (ID INTEGER PRIMARY KEY, N varchar(20) COLLATE NOCASE, D DateTime, "
         "B Bit);"
         "INSERT INTO T VALUES (1, 'a', '2024-01-01', 0), (2, 'b', '2024-01-02', 0);");
    TQuery q(m_connection);
    q.SetSQL(QStringLiteral("UPDATE T SET T.N = T.N & '-' & :S, [T].[B] = True WHERE T.ID = :ID;"));
    q.SetParam(QStringLiteral("S"), QStringLiteral("x"));
    q.SetParam(QStringLiteral("ID"), 1);
    EXPECT_EQ(q.ExecSQL(), 1);
    EXPECT_EQ(First(QStringLiteral("SELECT N & '/' & B FROM T WHERE ID = 1")), u"a-x/-1");
    q.SetSQL(QStringLiteral(
        "INSERT INTO T (ID, N, D, B) VALUES (3, \"c\" & 1+1, #2/1/2024# + 1, False)"));
    q.ClearParams();
    EXPECT_EQ(q.ExecSQL(), 1);
    EXPECT_EQ(First(QStringLiteral("SELECT N & ' ' & D FROM T WHERE ID = 3")), u"c2 2024-02-02");
    q.SetSQL(QStringLiteral("DELETE T.* FROM T WHERE N LIKE 'b*'"));
    EXPECT_EQ(q.ExecSQL(), 1);
    q.SetSQL(QStringLiteral("DELETE * FROM T WHERE D < DateAdd('d', 1, #1/1/2024#);"));
    EXPECT_EQ(q.ExecSQL(), 1);
    EXPECT_EQ(First(QStringLiteral("SELECT COUNT(*) FROM T")), u"1");
}

TEST_F(JetSqlDatabase, ParametersBindInEveryCopyOfAStatement) {
    Open("CREATE TABLE T (ID INTEGER PRIMARY KEY, G INTEGER);"
         "INSERT INTO T VALUES (1, 1), (2, 1), (3, 1), (4, 2), (5, 1);");
    // TOP n PERCENT counts the rows of the same SELECT, parameters included.
    TQuery q(m_connection);
    q.SetSQL(QStringLiteral(
        "SELECT TOP 50 PERCENT ID FROM T WHERE G = :G AND ID > :MIN ORDER BY ID DESC;"));
    q.SetParam(QStringLiteral("G"), 1);
    q.SetParam(QStringLiteral("MIN"), 1);
    q.Open();
    QStringList ids;
    for (; !q.Eof(); q.Next())
        ids << q.AsString(0);
    EXPECT_EQ(ids, (QStringList{"5", "3"})); // 3 rows (2, 3, 5) -> 50 % rounded up is 2
    EXPECT_EQ(q.RecordCount(), 2);
}

TEST_F(JetSqlDatabase, TextOrderIgnoresCaseAndSortsAccentsWithTheirLetter) {
    Open("CREATE TABLE P (N varchar(20) COLLATE NOCASE);"
         "INSERT INTO P VALUES ('zoé'), ('Émile'), ('andré'), ('Eve'), ('émilie'), ('Œuvre'), "
         "('oeuf'), ('Zoe'), ('ÉMILE'), ('f');");
    // Built through the connection, the index follows the registered collation.
    m_connection.Execute(QStringLiteral("CREATE INDEX P_N ON P (N)"));
    TQuery q(m_connection);
    q.SetSQL(QStringLiteral("SELECT N FROM P ORDER BY N, N COLLATE BINARY"));
    q.Open();
    QStringList order;
    for (; !q.Eof(); q.Next())
        order << q.AsString(0);
    const QStringList expected{"andré", "ÉMILE", "Émile", "émilie", "Eve",
                               "f",     "oeuf",  "Œuvre", "Zoe",    "zoé"};
    EXPECT_EQ(order, expected);
    // The index agrees with the comparison: lookups through it find every spelling.
    EXPECT_EQ(First(QStringLiteral("SELECT COUNT(*) FROM P WHERE N = 'émile'")), u"2");
    EXPECT_EQ(First(QStringLiteral("SELECT COUNT(*) FROM P WHERE N = 'ZOÉ'")), u"1");
    EXPECT_EQ(First(QStringLiteral("SELECT COUNT(*) FROM P WHERE N >= 'E' AND N < 'F'")), u"4");
    EXPECT_EQ(First(QStringLiteral("PRAGMA integrity_check")), u"ok");
}
