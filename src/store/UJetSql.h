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

// Translates one Jet statement. Tokenizes and never rewrites inside string
// literals or bracketed names:
//  - true / false become -1 / 0 (Jet booleans);
//  - a double-quoted text is a string literal;
//  - & concatenates;
//  - #date# literals become ISO 8601 texts (month first when that is a valid date);
//  - DROP INDEX i ON t becomes DROP INDEX i;
//  - :NAME parameters become positional and are listed.
TJetStatement TranslateJetSql(const QString& jet);

// Formats a date-time the way the data database stores it: ISO 8601 text,
// "yyyy-MM-dd" when there is no time of day, else "yyyy-MM-dd HH:mm:ss".
class QDateTime;
QString JetDateText(const QDateTime& value);

// Registers the Jet functions on a connection and replaces its NOCASE collation
// by one that ignores letter case beyond ASCII, as Jet's text comparison does.
// Returns false when SQLite refused a registration.
bool RegisterJetFunctions(sqlite3* db);
