#include "UJetSql.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QTime>
#include <sqlite3.h>

namespace {

enum class TTokenKind { Space, String, Bracket, Word, Number, Parameter, Date, Symbol };

struct TToken {
    TTokenKind Kind;
    QString Text;
};

bool IsWordStart(QChar c) {
    return c.isLetter() || c == u'_';
}
bool IsWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

QList<TToken> Tokenize(const QString& s) {
    QList<TToken> tokens;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s[i];
        const qsizetype start = i;
        if (c.isSpace()) {
            while (i < n && s[i].isSpace())
                ++i;
            tokens.append({TTokenKind::Space, s.mid(start, i - start)});
        } else if (c == u'\'' || c == u'"') {
            // A quoted text; a doubled quote stands for one quote character.
            QString value;
            ++i;
            while (i < n) {
                if (s[i] == c) {
                    if (i + 1 < n && s[i + 1] == c) {
                        value += c;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += s[i++];
            }
            tokens.append({TTokenKind::String, value});
        } else if (c == u'[') {
            while (i < n && s[i] != u']')
                ++i;
            if (i < n)
                ++i;
            tokens.append({TTokenKind::Bracket, s.mid(start, i - start)});
        } else if (c == u'#') {
            const qsizetype close = s.indexOf(u'#', i + 1);
            if (close > i) {
                tokens.append({TTokenKind::Date, s.mid(i + 1, close - i - 1)});
                i = close + 1;
            } else {
                tokens.append({TTokenKind::Symbol, QString(c)});
                ++i;
            }
        } else if (c == u':' && i + 1 < n && IsWordStart(s[i + 1])) {
            ++i;
            while (i < n && IsWordChar(s[i]))
                ++i;
            tokens.append({TTokenKind::Parameter, s.mid(start + 1, i - start - 1)});
        } else if (IsWordStart(c)) {
            while (i < n && IsWordChar(s[i]))
                ++i;
            tokens.append({TTokenKind::Word, s.mid(start, i - start)});
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && s[i + 1].isDigit())) {
            while (i < n && (s[i].isLetterOrNumber() || s[i] == u'.'))
                ++i;
            tokens.append({TTokenKind::Number, s.mid(start, i - start)});
        } else {
            // Two-character operators stay together.
            static const QStringList pairs = {u"<>"_qs, u"<="_qs, u">="_qs, u"||"_qs, u"!="_qs};
            const QString two = s.mid(i, 2);
            if (pairs.contains(two)) {
                tokens.append({TTokenKind::Symbol, two});
                i += 2;
            } else {
                tokens.append({TTokenKind::Symbol, QString(c)});
                ++i;
            }
        }
    }
    return tokens;
}

QString QuoteString(const QString& value) {
    QString out = value;
    out.replace(u'\'', QStringLiteral("''"));
    return u'\'' + out + u'\'';
}

bool WordIs(const TToken& t, const char* word) {
    return t.Kind == TTokenKind::Word &&
           t.Text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// Jet reads a date literal month first when that makes a valid date, then day first.
QString DateLiteral(const QString& text) {
    const QString t = text.trimmed();
    static const QRegularExpression re(QStringLiteral(
        R"(^(?:(\d{1,4})[/\-.](\d{1,2})[/\-.](\d{1,4}))?\s*(?:(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?\s*([AaPp][Mm])?)?$)"));
    const QRegularExpressionMatch m = re.match(t);
    if (!m.hasMatch() || t.isEmpty())
        return QuoteString(t);
    QDate date;
    if (!m.captured(1).isEmpty()) {
        const int a = m.captured(1).toInt(), b = m.captured(2).toInt(), c = m.captured(3).toInt();
        if (m.captured(1).size() == 4) {
            date = QDate(a, b, c); // year first
        } else {
            const int year = m.captured(3).size() <= 2 ? (c < 30 ? 2000 + c : 1900 + c) : c;
            date = QDate(year, a, b);
            if (!date.isValid())
                date = QDate(year, b, a);
        }
        if (!date.isValid())
            return QuoteString(t);
    }
    QTime time;
    bool hasTime = !m.captured(4).isEmpty();
    if (hasTime) {
        int h = m.captured(4).toInt();
        const QString ampm = m.captured(7).toUpper();
        if (ampm == u"PM" && h < 12)
            h += 12;
        if (ampm == u"AM" && h == 12)
            h = 0;
        time = QTime(h, m.captured(5).toInt(), m.captured(6).toInt());
        if (!time.isValid())
            return QuoteString(t);
    }
    if (!date.isValid())
        date = QDate(1899, 12, 30); // a time alone lies on Jet's day zero
    return QuoteString(JetDateText(QDateTime(date, hasTime ? time : QTime(0, 0))));
}

} // namespace

QString JetDateText(const QDateTime& value) {
    if (value.time() == QTime(0, 0))
        return value.date().toString(Qt::ISODate);
    return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

TJetStatement TranslateJetSql(const QString& jet) {
    const QList<TToken> tokens = Tokenize(jet);
    TJetStatement result;
    QString& out = result.Sql;
    out.reserve(jet.size() + 16);

    auto nextSignificant = [&](qsizetype from) {
        while (from < tokens.size() && tokens[from].Kind == TTokenKind::Space)
            ++from;
        return from;
    };

    const bool dropIndex = [&] {
        const qsizetype a = nextSignificant(0);
        const qsizetype b = nextSignificant(a + 1);
        return a < tokens.size() && b < tokens.size() && WordIs(tokens[a], "DROP") &&
               WordIs(tokens[b], "INDEX");
    }();

    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const TToken& t = tokens[i];
        switch (t.Kind) {
        case TTokenKind::String:
            out += QuoteString(t.Text);
            break;
        case TTokenKind::Date:
            out += DateLiteral(t.Text);
            break;
        case TTokenKind::Parameter:
            result.Parameters.append(t.Text);
            out += u'?';
            break;
        case TTokenKind::Word:
            if (WordIs(t, "true"))
                out += QStringLiteral("-1");
            else if (WordIs(t, "false"))
                out += u'0';
            else if (dropIndex && WordIs(t, "ON")) {
                // SQLite names indexes per database; the table is implied.
                while (!out.isEmpty() && out.back().isSpace())
                    out.chop(1);
                i = tokens.size();
            } else
                out += t.Text;
            break;
        case TTokenKind::Symbol:
            out += t.Text == u"&" ? QStringLiteral("||") : t.Text;
            break;
        default:
            out += t.Text;
            break;
        }
    }
    return result;
}

// --- SQLite side ---------------------------------------------------------

namespace {

QString ArgText(sqlite3_value* v) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return text ? QString::fromUtf8(text, sqlite3_value_bytes(v)) : QString();
}

void ResultText(sqlite3_context* ctx, const QString& s) {
    const QByteArray utf8 = s.toUtf8();
    sqlite3_result_text(ctx, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

// Text comparison ignoring letter case: bytes while both sides are ASCII, the
// Unicode case folding of Qt from the first non-ASCII character on.
int CompareNoCase(void*, int n1, const void* p1, int n2, const void* p2) {
    const auto* a = static_cast<const unsigned char*>(p1);
    const auto* b = static_cast<const unsigned char*>(p2);
    int i = 0;
    const int n = n1 < n2 ? n1 : n2;
    for (; i < n; ++i) {
        unsigned char x = a[i], y = b[i];
        if ((x | y) & 0x80)
            break;
        if (x >= 'A' && x <= 'Z')
            x += 32;
        if (y >= 'A' && y <= 'Z')
            y += 32;
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (i == n)
        return n1 == n2 ? 0 : (n1 < n2 ? -1 : 1);
    // Back up to the start of the UTF-8 sequence before comparing the rest.
    while (i > 0 && (a[i] & 0xC0) == 0x80)
        --i;
    const QString sa = QString::fromUtf8(reinterpret_cast<const char*>(a + i), n1 - i);
    const QString sb = QString::fromUtf8(reinterpret_cast<const char*>(b + i), n2 - i);
    const int c = QString::compare(sa, sb, Qt::CaseInsensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void FnUCase(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    ResultText(ctx, ArgText(argv[0]).toUpper());
}

void FnLCase(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    ResultText(ctx, ArgText(argv[0]).toLower());
}

void FnIIf(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const bool condition =
        sqlite3_value_type(argv[0]) != SQLITE_NULL && sqlite3_value_double(argv[0]) != 0.0;
    sqlite3_result_value(ctx, condition ? argv[1] : argv[2]);
}

void FnNz(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) != SQLITE_NULL)
        return sqlite3_result_value(ctx, argv[0]);
    if (argc > 1)
        return sqlite3_result_value(ctx, argv[1]);
    ResultText(ctx, QString());
}

} // namespace

bool RegisterJetFunctions(sqlite3* db) {
    if (!db)
        return false;
    bool ok = sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, CompareNoCase,
                                          nullptr) == SQLITE_OK;
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    struct TFunction {
        const char* name;
        int args;
        void (*fn)(sqlite3_context*, int, sqlite3_value**);
    };
    static const TFunction functions[] = {
        {"UCASE", 1, FnUCase}, {"LCASE", 1, FnLCase}, {"IIF", 3, FnIIf},
        {"NZ", 1, FnNz},       {"NZ", 2, FnNz},
    };
    for (const TFunction& f : functions)
        ok = sqlite3_create_function_v2(db, f.name, f.args, flags, nullptr, f.fn, nullptr, nullptr,
                                        nullptr) == SQLITE_OK &&
             ok;
    return ok;
}
