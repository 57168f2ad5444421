#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <QtGlobal>
#include <functional>

// Reading of Jet database files (.mdb, Jet 3 and Jet 4): the resource databases
// made on Windows and the data databases moved over from there. A Jet file is
// never used in place: it is copied, table by table, into an SQLite database,
// and the file itself is only ever opened for reading.
//
// Columns of the copy, by Jet type (SQLite column definition, what is stored; the
// declared type SQLite reports leaves out the COLLATE clause):
//   Yes/No            BOOLEAN                      -1 for true, 0 for false
//   Byte, Integer,    INTEGER                      the integer
//   Long Integer
//   Single            REAL                         the shortest decimal that reads back
//                                                  as the same single (0.15, not
//                                                  0.150000006)
//   Double            DOUBLE                       the double
//   Currency          CURRENCY                     a REAL, the exact four-decimal
//                                                  amount rounded to the nearest double
//                                                  (whole amounts come back as
//                                                  integers: NUMERIC affinity)
//   Decimal           NUMERIC(precision,scale)     the decimal text, as SQLite's
//                                                  NUMERIC affinity converts it
//   Date/Time         DATETIME                     ISO 8601 text (see JetDateValue)
//   Text              varchar(n) COLLATE NOCASE    the text; n is the Jet length in
//                                                  characters
//   Memo              LONGTEXT COLLATE NOCASE      the whole text
//   OLE object        LONGBINARY                   the whole value, as a blob
//   Binary            VARBINARY(n)                 the bytes, as a blob
//   Replication ID    GUID                         "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
//   anything else     TEXT                         libmdb's text form
// Every declared type keeps its values exact under SQLite's type affinity (text
// types contain "CHAR" or "TEXT", so a text of digits stays a text), and the
// names tell a memo ("LONGTEXT") from a short text ("varchar"). Null stays null;
// an empty text stays an empty text. Table and column names are kept as they are.

struct TJetImportStats {
    int Tables = 0;  // user tables copied
    qint64 Rows = 0; // rows copied, all tables together
};

// Whether the file carries a Jet marker at offset 4, in open or in closed form
// (see USimpleBase.h). Only reads the file; false for a missing, unreadable or
// short file.
bool IsJetFile(const QString& path);

// Copies every user table of a Jet file in open form into the target database,
// which must be open and must not hold tables of the same names. System tables
// (MSys...) are left out. Everything is copied in one transaction: on failure
// the target is left as it was. The progress callback, when set, is called with
// (0, total) before the first table and (n, total) after the n-th.
//
// Throws EDatabaseError naming the file when the file is missing, is not a Jet
// file in open form, or cannot be read whole (a truncated or damaged file is
// refused rather than copied in part), and when the target refuses a statement.
TJetImportStats ImportJetFile(const QString& jetPath, QSqlDatabase& target,
                              std::function<void(int done, int total)> progress = {});

// The value stored for a Jet date-time, given as Jet keeps it: days since
// 1899-12-30, the fraction being the time of day (for a date before that day, the
// whole part counts days backwards and the fraction still runs forwards, so -1.25
// is 1899-12-29 06:00). Gives the ISO 8601 text of JetDateText, rounded to the
// second; a value outside Jet's range (years 100 to 9999) is kept as the number.
QVariant JetDateValue(double serial);
