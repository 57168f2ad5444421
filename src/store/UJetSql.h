#pragma once

#include <QString>
#include <QStringList>

struct sqlite3;

// The Jet dialect layer: every SQL text of the runtime and of the applications
// is Jet SQL; this unit turns it into what SQLite runs and gives SQLite the Jet
// functions and text comparison rules.

// A statement ready for SQLite: the translated text with "?" in place of each
// named parameter, and the parameter names in order of appearance.
struct TJetStatement {
    QString Sql;
    QStringList Parameters;
};

// Translates one Jet statement. Tokenizes, parses the expressions with Jet's
// operator precedence, and never rewrites inside string literals or bracketed
// names:
//  - true / false become -1 / 0 (Jet booleans); a double-quoted text is a
//    string literal; :NAME parameters become positional and are listed;
//  - #date# literals become ISO 8601 texts: month first when that is a valid
//    date, else day first; times with or without AM/PM; two-digit years
//    0-29 are 2000-2029, 30-99 are 1930-1999; a literal that is no date is
//    left as written, for SQLite to reject;
//  - operators whose meaning differs become calls of functions registered by
//    RegisterJetFunctions: a & b & c -> JETCONCAT(a, b, c) (null is empty
//    text; & binds looser than + and -), + and - -> JETADD / JETSUB unless
//    both sides are known numbers (text + text concatenates, date + number
//    adds days, date - date counts days), / -> JETDIV (never an integer
//    division), \ -> JETIDIV, Mod -> JETMOD, ^ -> JETPOW, Xor / Eqv / Imp,
//    x [NOT] LIKE p -> [NOT] JETLIKE(x, p) with Jet's wildcards;
//  - Left( / Right( / IsNull( / Date() / Time() become JETLEFT( / JETRIGHT( /
//    JETISNULL( / JETDATE() / JETTIME() (names SQLite parses differently), and
//    a trailing $ of a function name (Left$) is dropped;
//  - a comparison, IN or BETWEEN where no side is a column (a column brings
//    its own collation) and not both sides are numbers or dates, GROUP BY and
//    ORDER BY items that are not columns, and aliased text select items get
//    COLLATE NOCASE: Jet's text comparison ignores case;
//  - a comparison or logic whose value is used as a number (a select item, an
//    operand, a function argument other than a condition of IIf / Switch)
//    is negated: SQLite's true is 1, Jet's is -1;
//  - SELECT [DISTINCT] TOP n [PERCENT] becomes a LIMIT at the end of that
//    SELECT (a member of a UNION is wrapped so that the limit stays its own);
//    DISTINCTROW becomes DISTINCT;
//  - DELETE * FROM t / DELETE t.* FROM t become DELETE FROM t; qualified
//    targets of UPDATE ... SET t.f = v lose their qualifier;
//  - DROP INDEX i ON t becomes DROP INDEX i;
//  - trailing semicolons, a leading PARAMETERS ...; declaration and a trailing
//    WITH OWNERACCESS OPTION are dropped.
TJetStatement TranslateJetSql(const QString& jet);

// Formats a date-time the way the data database stores it: ISO 8601 text,
// "yyyy-MM-dd" when there is no time of day, else "yyyy-MM-dd HH:mm:ss".
class QDateTime;
QString JetDateText(const QDateTime& value);

// Registers the Jet functions on a connection (the Jet names, matched in any
// letter case, and the JET* helpers the translation calls) and replaces its
// NOCASE collation by one that ignores letter case beyond ASCII and sorts
// accented letters with their base letter, as Jet's text comparison does.
// Regional conventions are French: month and day names, "dd/mm/yyyy" short
// dates, decimal comma, non-breaking space as thousands separator, euro.
// Returns false when SQLite refused a registration.
bool RegisterJetFunctions(sqlite3* db);
