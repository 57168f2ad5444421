#include "UJetSql.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QTime>
#include <QVarLengthArray>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <new>
#include <optional>
#include <sqlite3.h>
#include <string_view>

// ==========================================================================
// Jet values: dates, numbers and texts as Jet reads and writes them.
//
// Dates live in the database as ISO 8601 texts; Jet's own date numbers (days
// since 1899-12-30, the fraction being the time of day) are read and written
// where Jet would use them. Regional conventions are those of a French
// system: day-first date texts, French month and day names, decimal comma.
// ==========================================================================

namespace {

constexpr int kSecondsPerDay = 86400;
constexpr QChar kNbsp(0x00A0); // thousands separator and space before the euro sign

QDate DayZero() {
    return QDate(1899, 12, 30);
}

// A Jet date: a calendar day and a time of day in whole seconds. A time alone
// lies on day zero, as in Jet.
struct TJetDate {
    QDate Date;
    int Seconds = 0;
};

bool InJetRange(const QDate& d) {
    return d.isValid() && d.year() >= 100 && d.year() <= 9999;
}

void AppendPadded(QString& out, int value, int width) {
    char buffer[12];
    int n = 0;
    unsigned v = static_cast<unsigned>(value < 0 ? -value : value);
    do {
        buffer[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v && n < 11);
    if (value < 0)
        out += u'-';
    for (int i = n; i < width; ++i)
        out += u'0';
    while (n)
        out += QChar(buffer[--n]);
}

QString DateText(const TJetDate& d) {
    QString out;
    out.reserve(19);
    AppendPadded(out, d.Date.year(), 4);
    out += u'-';
    AppendPadded(out, d.Date.month(), 2);
    out += u'-';
    AppendPadded(out, d.Date.day(), 2);
    if (d.Seconds) {
        out += u' ';
        AppendPadded(out, d.Seconds / 3600, 2);
        out += u':';
        AppendPadded(out, d.Seconds / 60 % 60, 2);
        out += u':';
        AppendPadded(out, d.Seconds % 60, 2);
    }
    return out;
}

// Jet's date number: whole days since day zero; the fraction is the time of
// day, counted away from zero (-1.25 is 1899-12-29 06:00).
double DateToSerial(const TJetDate& d) {
    const double days = static_cast<double>(DayZero().daysTo(d.Date));
    const double time = d.Seconds / double(kSecondsPerDay);
    return days >= 0 ? days + time : days - time;
}

std::optional<TJetDate> SerialToDate(double serial) {
    if (!std::isfinite(serial) || serial < -657434.0 || serial >= 2958466.0)
        return std::nullopt;
    double whole = std::trunc(serial);
    qint64 seconds = std::llround(std::fabs(serial - whole) * kSecondsPerDay);
    if (seconds >= kSecondsPerDay) {
        whole += serial < 0 ? -1 : 1;
        seconds = 0;
    }
    TJetDate d{DayZero().addDays(static_cast<qint64>(whole)), static_cast<int>(seconds)};
    if (!InJetRange(d.Date))
        return std::nullopt;
    return d;
}

// Seconds since an arbitrary origin, for arithmetic on the calendar.
qint64 AbsoluteSeconds(const TJetDate& d) {
    return d.Date.toJulianDay() * kSecondsPerDay + d.Seconds;
}

std::optional<TJetDate> FromAbsoluteSeconds(qint64 s) {
    qint64 day = s / kSecondsPerDay, rest = s % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --day;
    }
    TJetDate d{QDate::fromJulianDay(day), static_cast<int>(rest)};
    if (!InJetRange(d.Date))
        return std::nullopt;
    return d;
}

// Two-digit years as Jet reads them: 0-29 are 2000-2029, 30-99 are 1930-1999.
int WindowYear(int year, int digits) {
    if (digits <= 2 && year < 100)
        return year < 30 ? 2000 + year : 1900 + year;
    return year;
}

// --- Names ---------------------------------------------------------------

const std::array<const char16_t*, 12> kMonthNames = {
    u"janvier", u"février", u"mars",      u"avril",   u"mai",      u"juin",
    u"juillet", u"août",    u"septembre", u"octobre", u"novembre", u"décembre"};
const std::array<const char16_t*, 12> kMonthShortNames = {u"janv.", u"févr.", u"mars",  u"avr.",
                                                          u"mai",   u"juin",  u"juil.", u"août",
                                                          u"sept.", u"oct.",  u"nov.",  u"déc."};
const std::array<const char16_t*, 12> kEnglishMonthNames = {
    u"january", u"february", u"march",     u"april",   u"may",      u"june",
    u"july",    u"august",   u"september", u"october", u"november", u"december"};
// Sunday first, as Jet numbers the days.
const std::array<const char16_t*, 7> kDayNames = {u"dimanche", u"lundi",    u"mardi", u"mercredi",
                                                  u"jeudi",    u"vendredi", u"samedi"};
const std::array<const char16_t*, 7> kDayShortNames = {u"dim.", u"lun.", u"mar.", u"mer.",
                                                       u"jeu.", u"ven.", u"sam."};
const std::array<const char16_t*, 7> kEnglishDayNames = {
    u"sunday", u"monday", u"tuesday", u"wednesday", u"thursday", u"friday", u"saturday"};

// Lower case without accents, for reading names in texts.
QString PlainLower(QStringView s) {
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        if (c.unicode() >= 0x80 && c.decompositionTag() == QChar::Canonical)
            c = c.decomposition().at(0);
        if (c.category() != QChar::Mark_NonSpacing)
            out += c.toLower();
    }
    return out;
}

// The month (1-12) a word names, in French or English, in full or shortened
// to at least three letters; 0 when it names none or several.
int MonthOfName(QStringView word) {
    QString w = PlainLower(word);
    if (w.endsWith(u'.'))
        w.chop(1);
    if (w.size() < 3)
        return 0;
    for (const auto* names : {&kMonthNames, &kEnglishMonthNames}) {
        int found = 0;
        for (int m = 0; m < 12; ++m) {
            const QString name = PlainLower(QStringView((*names)[m]));
            if (name == w)
                return m + 1;
            if (name.startsWith(w))
                found = found ? -1 : m + 1;
        }
        if (found > 0)
            return found;
    }
    return 0;
}

bool IsDayName(QStringView word) {
    QString w = PlainLower(word);
    if (w.endsWith(u'.'))
        w.chop(1);
    if (w.size() < 3)
        return false;
    for (const auto* names : {&kDayNames, &kEnglishDayNames})
        for (const char16_t* name : *names)
            if (PlainLower(QStringView(name)).startsWith(w))
                return true;
    return false;
}

// --- Reading dates -------------------------------------------------------

int DigitsAt(QStringView s, qsizetype at, int count) {
    if (at + count > s.size())
        return -1;
    int v = 0;
    for (int i = 0; i < count; ++i) {
        const QChar c = s[at + i];
        if (c < u'0' || c > u'9')
            return -1;
        v = v * 10 + (c.unicode() - u'0');
    }
    return v;
}

// The storage form: yyyy-MM-dd, optionally followed by a space or T and
// HH:mm[:ss[.fff]]. The common case, read without allocating.
bool ParseIsoDate(QStringView s, TJetDate& out) {
    if (s.size() < 10 || s[4] != u'-' || s[7] != u'-')
        return false;
    const int y = DigitsAt(s, 0, 4), m = DigitsAt(s, 5, 2), d = DigitsAt(s, 8, 2);
    if (y < 0 || m < 0 || d < 0)
        return false;
    const QDate date(y, m, d);
    if (!InJetRange(date))
        return false;
    int seconds = 0;
    if (s.size() > 10) {
        if ((s[10] != u' ' && s[10] != u'T') || s.size() < 16 || s[13] != u':')
            return false;
        const int h = DigitsAt(s, 11, 2), n = DigitsAt(s, 14, 2);
        int sec = 0;
        qsizetype at = 16;
        if (s.size() > 16) {
            if (s[16] != u':')
                return false;
            sec = DigitsAt(s, 17, 2);
            at = 19;
            if (at < s.size() && s[at] == u'.') {
                ++at;
                while (at < s.size() && s[at].isDigit())
                    ++at;
            }
            if (at < s.size() && s[at] == u'Z')
                ++at;
            if (at != s.size())
                return false;
        }
        if (h < 0 || h > 23 || n < 0 || n > 59 || sec < 0 || sec > 59)
            return false;
        seconds = h * 3600 + n * 60 + sec;
    }
    out = {date, seconds};
    return true;
}

// Any date text Jet reads: numbers separated by / - or . in the given order
// (year first when the first number has four digits; the other order when
// the first gives no valid date), month names ("31 janvier 2024", "January
// 31, 2024", "janv. 2024"), a leading day name, and a time H[:mm[:ss]] with an
// optional AM/PM (or A/P). A time alone lies on day zero.
bool ParseDateText(QStringView s, bool monthFirst, TJetDate& out) {
    if (ParseIsoDate(s, out))
        return true;
    struct TPart {
        enum { Number, Word, Colon, Separator } Kind;
        int Value = 0;
        int Digits = 0;
        QStringView Text;
    };
    QVarLengthArray<TPart, 12> parts;
    for (qsizetype i = 0; i < s.size();) {
        const QChar c = s[i];
        if (c.isSpace() || c == u',') {
            ++i;
        } else if (c >= u'0' && c <= u'9') {
            qsizetype j = i;
            int v = 0;
            while (j < s.size() && s[j] >= u'0' && s[j] <= u'9' && j - i < 5)
                v = v * 10 + (s[j++].unicode() - u'0');
            if (j < s.size() && s[j].isDigit())
                return false;
            parts.append({TPart::Number, v, int(j - i), s.mid(i, j - i)});
            i = j;
        } else if (c.isLetter()) {
            qsizetype j = i;
            while (j < s.size() && s[j].isLetter())
                ++j;
            if (j < s.size() && s[j] == u'.')
                ++j;
            parts.append({TPart::Word, 0, 0, s.mid(i, j - i)});
            i = j;
        } else if (c == u':') {
            parts.append({TPart::Colon, 0, 0, {}});
            ++i;
        } else if (c == u'/' || c == u'-' || c == u'.') {
            parts.append({TPart::Separator, 0, 0, {}});
            ++i;
        } else {
            return false;
        }
        if (parts.size() > 11)
            return false;
    }

    // The time: H:mm[:ss[.fff]] [AM|PM], or H AM|PM.
    qsizetype timeAt = parts.size();
    int seconds = 0;
    bool hasTime = false;
    auto amPm = [](QStringView w) {
        const QString u = w.toString().toUpper().remove(u'.');
        return u == u"AM" || u == u"A" ? 1 : (u == u"PM" || u == u"P" ? 2 : 0);
    };
    for (qsizetype k = 0; k < parts.size(); ++k) {
        const bool colon = k + 2 < parts.size() && parts[k].Kind == TPart::Number &&
                           parts[k + 1].Kind == TPart::Colon && parts[k + 2].Kind == TPart::Number;
        const bool bareHour = k + 1 < parts.size() && parts[k].Kind == TPart::Number &&
                              parts[k + 1].Kind == TPart::Word && amPm(parts[k + 1].Text) &&
                              k + 2 == parts.size();
        if (!colon && !bareHour)
            continue;
        int h = parts[k].Value, n = 0, sec = 0;
        qsizetype j = k + 1;
        if (colon) {
            n = parts[k + 2].Value;
            j = k + 3;
            if (j + 1 < parts.size() && parts[j].Kind == TPart::Colon &&
                parts[j + 1].Kind == TPart::Number) {
                sec = parts[j + 1].Value;
                j += 2;
                if (j + 1 < parts.size() && parts[j].Kind == TPart::Separator &&
                    parts[j + 1].Kind == TPart::Number)
                    j += 2; // fractions of a second
            }
        }
        if (j < parts.size() && parts[j].Kind == TPart::Word) {
            const int which = amPm(parts[j].Text);
            if (!which || h < 1 || h > 12)
                return false;
            if (which == 2 && h < 12)
                h += 12;
            if (which == 1 && h == 12)
                h = 0;
            ++j;
        }
        if (j != parts.size() || h > 23 || n > 59 || sec > 59)
            return false;
        seconds = h * 3600 + n * 60 + sec;
        hasTime = true;
        timeAt = k;
        break;
    }

    // The date: what precedes the time, separators aside.
    QVarLengthArray<TPart, 8> items;
    for (qsizetype k = 0; k < timeAt; ++k) {
        if (parts[k].Kind == TPart::Separator)
            continue;
        if (parts[k].Kind == TPart::Colon)
            return false;
        if (items.isEmpty() && parts[k].Kind == TPart::Word && IsDayName(parts[k].Text) &&
            !MonthOfName(parts[k].Text))
            continue;
        items.append(parts[k]);
    }
    QDate date;
    auto number = [&](int i) { return items[i].Kind == TPart::Number; };
    if (items.isEmpty()) {
        if (!hasTime)
            return false;
        date = DayZero();
    } else if (items.size() == 3 && number(0) && number(1) && number(2)) {
        const TPart &a = items[0], &b = items[1], &c = items[2];
        if (a.Digits >= 3) {
            date = QDate(a.Value, b.Value, c.Value);
        } else {
            const int year = WindowYear(c.Value, c.Digits);
            date = monthFirst ? QDate(year, a.Value, b.Value) : QDate(year, b.Value, a.Value);
            if (!date.isValid())
                date = monthFirst ? QDate(year, b.Value, a.Value) : QDate(year, a.Value, b.Value);
        }
    } else if (items.size() == 2 && number(0) && number(1)) {
        // No year: the current one.
        const int year = QDate::currentDate().year();
        const TPart &a = items[0], &b = items[1];
        date = monthFirst ? QDate(year, a.Value, b.Value) : QDate(year, b.Value, a.Value);
        if (!date.isValid())
            date = monthFirst ? QDate(year, b.Value, a.Value) : QDate(year, a.Value, b.Value);
    } else if (items.size() == 3 && number(0) && !number(1) && number(2)) {
        const int m = MonthOfName(items[1].Text);
        if (m)
            date = QDate(WindowYear(items[2].Value, items[2].Digits), m, items[0].Value);
    } else if (items.size() == 3 && !number(0) && number(1) && number(2)) {
        const int m = MonthOfName(items[0].Text);
        if (m)
            date = QDate(WindowYear(items[2].Value, items[2].Digits), m, items[1].Value);
    } else if (items.size() == 2 && !number(0) && number(1) && items[1].Digits == 4) {
        const int m = MonthOfName(items[0].Text);
        if (m)
            date = QDate(items[1].Value, m, 1);
    }
    if (!InJetRange(date))
        return false;
    out = {date, seconds};
    return true;
}

// --- Numbers ---------------------------------------------------------------

// A number as a French system writes it for CStr and concatenation: up to 15
// significant digits, decimal comma, exponent form beyond that ("1E+20").
QString NumberText(double v) {
    if (v == 0)
        return QStringLiteral("0");
    if (v == std::trunc(v) && std::fabs(v) < 1e15)
        return QString::number(static_cast<qint64>(v));
    QString s = QString::number(v, 'g', 15);
    s.replace(u'.', u',');
    s.replace(u'e', u'E');
    return s;
}

// A number read from a text: leading and trailing blanks, a sign, grouping
// blanks, a decimal comma or point (when both appear, the last one is the
// decimal separator), an exponent, an euro sign, &H hexadecimal and &O octal.
bool ParseNumberText(QStringView s, double& out) {
    s = s.trimmed();
    while (!s.isEmpty() && (s.front() == kNbsp || s.front() == QChar(0x202F)))
        s = s.mid(1);
    if (s.endsWith(u'€'))
        s = s.chopped(1).trimmed();
    if (s.isEmpty())
        return false;
    if (s.size() > 2 && s[0] == u'&' &&
        (s[1] == u'H' || s[1] == u'h' || s[1] == u'O' || s[1] == u'o')) {
        bool ok = false;
        const qint64 v = s.mid(2).toLongLong(&ok, (s[1] == u'H' || s[1] == u'h') ? 16 : 8);
        if (ok)
            out = static_cast<double>(v);
        return ok;
    }
    const qsizetype comma = s.lastIndexOf(u','), point = s.lastIndexOf(u'.');
    const QChar decimal = comma > point ? u',' : u'.';
    QByteArray plain;
    plain.reserve(s.size());
    bool digits = false, exponent = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c >= u'0' && c <= u'9') {
            plain += char(c.unicode());
            digits = true;
        } else if ((c == u'-' || c == u'+') && (i == 0 || plain.endsWith('e'))) {
            plain += char(c.unicode());
        } else if (c == decimal && !exponent) {
            plain += '.';
        } else if ((c == u',' || c == u'.' || c == u' ' || c == kNbsp || c == QChar(0x202F)) &&
                   !exponent && digits && i + 1 < s.size() && s[i + 1].isDigit()) {
            // grouping
        } else if ((c == u'e' || c == u'E') && digits && !exponent) {
            plain += 'e';
            exponent = true;
        } else {
            return false;
        }
    }
    if (!digits)
        return false;
    bool ok = false;
    out = QString::fromLatin1(plain).toDouble(&ok);
    return ok && std::isfinite(out);
}

// The leading number of a text, as Jet's Val reads it: blanks anywhere are
// skipped, the decimal separator is always the point, reading stops at the
// first character that cannot continue a number.
double LeadingNumber(QStringView s) {
    QByteArray plain;
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < s.size() && (s[i] == u' ' || s[i] == u'\t' || s[i] == u'\n' || s[i] == u'\r'))
            ++i;
    };
    skipBlanks();
    if (i + 1 < s.size() && s[i] == u'&') {
        const QChar kind = s[i + 1].toUpper();
        const int base = kind == u'H' ? 16 : (kind == u'O' ? 8 : 0);
        if (base) {
            i += 2;
            qint64 v = 0;
            for (; i < s.size(); ++i) {
                const int digit = QStringView(s.mid(i, 1)).toInt(nullptr, base);
                if (!s[i].isLetterOrNumber() || (digit == 0 && s[i] != u'0'))
                    break;
                v = v * base + digit;
            }
            return static_cast<double>(v);
        }
    }
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) {
        plain += char(s[i].unicode());
        ++i;
    }
    bool point = false, exponent = false, any = false;
    for (;; ++i) {
        skipBlanks();
        if (i >= s.size())
            break;
        const QChar c = s[i];
        if (c >= u'0' && c <= u'9') {
            plain += char(c.unicode());
            any = true;
        } else if (c == u'.' && !point && !exponent) {
            plain += '.';
            point = true;
        } else if ((c == u'e' || c == u'E' || c == u'd' || c == u'D') && any && !exponent) {
            qsizetype j = i + 1;
            if (j < s.size() && (s[j] == u'+' || s[j] == u'-'))
                ++j;
            if (j >= s.size() || !s[j].isDigit())
                break;
            plain += 'e';
            if (j > i + 1)
                plain += char(s[i + 1].unicode());
            i = j - 1;
            exponent = true;
        } else {
            break;
        }
    }
    if (!any)
        return 0;
    const double v = QString::fromLatin1(plain).toDouble();
    return std::isfinite(v) ? v : 0;
}

// A decimal view of a double rounded to a number of decimals, read from its
// 15 significant digits (so that 2.675 is the decimal 2.675, as Jet sees it).
struct TDecimal {
    QString Whole;    // digits before the point, without leading zeros ("" for 0)
    QString Fraction; // exactly the asked number of digits
};

TDecimal ToDecimal(double v, int decimals, bool halfEven) {
    v = std::fabs(v);
    TDecimal result;
    if (v == 0 || !std::isfinite(v)) {
        result.Fraction = QString(decimals, u'0');
        return result;
    }
    const QString e = QString::number(v, 'e', 14); // d.dddddddddddddde±x
    const qsizetype ePos = e.indexOf(u'e');
    const QString mantissa = e.left(1) + e.mid(2, ePos - 2);
    const int exponent = e.mid(ePos + 1).toInt();
    const qsizetype keep = exponent + 1 + decimals; // digits of mantissa to keep
    QString digits;
    if (keep <= 0) {
        // All digits lie below the last kept decimal.
        bool up = false;
        if (keep == 0) {
            const QChar first = mantissa[0];
            bool tail = false;
            for (qsizetype i = 1; i < mantissa.size(); ++i)
                tail = tail || mantissa[i] != u'0';
            up = first > u'5' || (first == u'5' && (tail || !halfEven));
        }
        digits = up ? QStringLiteral("1") : QStringLiteral("0");
    } else if (keep >= mantissa.size()) {
        digits = mantissa + QString(keep - mantissa.size(), u'0');
    } else {
        digits = mantissa.left(keep);
        const QChar first = mantissa[keep];
        bool tail = false;
        for (qsizetype i = keep + 1; i < mantissa.size(); ++i)
            tail = tail || mantissa[i] != u'0';
        const bool odd = (digits.back().unicode() - u'0') % 2 == 1;
        const bool up = first > u'5' || (first == u'5' && (tail || !halfEven || odd));
        if (up) {
            qsizetype i = digits.size() - 1;
            for (; i >= 0; --i) {
                if (digits[i] == u'9') {
                    digits[i] = u'0';
                } else {
                    digits[i] = QChar(digits[i].unicode() + 1);
                    break;
                }
            }
            if (i < 0)
                digits.prepend(u'1');
        }
    }
    if (digits.size() <= decimals)
        digits = QString(decimals - digits.size() + 1, u'0') + digits;
    result.Whole = digits.left(digits.size() - decimals);
    result.Fraction = digits.right(decimals);
    qsizetype zeros = 0;
    while (zeros < result.Whole.size() && result.Whole[zeros] == u'0')
        ++zeros;
    result.Whole.remove(0, zeros);
    return result;
}

double DecimalValue(const TDecimal& d, bool negative) {
    QString s = (d.Whole.isEmpty() ? QStringLiteral("0") : d.Whole);
    if (!d.Fraction.isEmpty())
        s += u'.' + d.Fraction;
    const double v = s.toDouble();
    return negative ? -v : v;
}

// Jet's Round and CInt: half to even, on the decimal digits.
double RoundHalfEven(double v, int decimals) {
    if (!std::isfinite(v))
        return v;
    return DecimalValue(ToDecimal(v, decimals, true), v < 0);
}

} // namespace

// ==========================================================================
// Translation
// ==========================================================================

namespace {

enum class TTokenKind { String, Bracket, Word, Number, Parameter, Date, Symbol };

// The words the translator gives a meaning to.
enum class TKeyword {
    None,
    All,
    And,
    As,
    Asc,
    Between,
    By,
    Case,
    Collate,
    Cross,
    Delete,
    Desc,
    Distinct,
    DistinctRow,
    Drop,
    Else,
    End,
    Eqv,
    Exists,
    False,
    From,
    Full,
    Group,
    Having,
    Imp,
    In,
    Index,
    Inner,
    Insert,
    Into,
    Is,
    Join,
    Left,
    Like,
    Mod,
    Not,
    Null,
    On,
    Option,
    Or,
    Order,
    Outer,
    OwnerAccess,
    Parameters,
    Percent,
    Right,
    Select,
    Set,
    Then,
    Top,
    True,
    Union,
    Update,
    Values,
    When,
    Where,
    With,
    Xor,
};

struct TKeywordName {
    std::string_view Name;
    TKeyword Keyword;
};

// Sorted by name, for a binary search.
constexpr TKeywordName kKeywords[] = {
    {"ALL", TKeyword::All},
    {"AND", TKeyword::And},
    {"AS", TKeyword::As},
    {"ASC", TKeyword::Asc},
    {"BETWEEN", TKeyword::Between},
    {"BY", TKeyword::By},
    {"CASE", TKeyword::Case},
    {"COLLATE", TKeyword::Collate},
    {"CROSS", TKeyword::Cross},
    {"DELETE", TKeyword::Delete},
    {"DESC", TKeyword::Desc},
    {"DISTINCT", TKeyword::Distinct},
    {"DISTINCTROW", TKeyword::DistinctRow},
    {"DROP", TKeyword::Drop},
    {"ELSE", TKeyword::Else},
    {"END", TKeyword::End},
    {"EQV", TKeyword::Eqv},
    {"EXISTS", TKeyword::Exists},
    {"FALSE", TKeyword::False},
    {"FROM", TKeyword::From},
    {"FULL", TKeyword::Full},
    {"GROUP", TKeyword::Group},
    {"HAVING", TKeyword::Having},
    {"IMP", TKeyword::Imp},
    {"IN", TKeyword::In},
    {"INDEX", TKeyword::Index},
    {"INNER", TKeyword::Inner},
    {"INSERT", TKeyword::Insert},
    {"INTO", TKeyword::Into},
    {"IS", TKeyword::Is},
    {"JOIN", TKeyword::Join},
    {"LEFT", TKeyword::Left},
    {"LIKE", TKeyword::Like},
    {"MOD", TKeyword::Mod},
    {"NOT", TKeyword::Not},
    {"NULL", TKeyword::Null},
    {"ON", TKeyword::On},
    {"OPTION", TKeyword::Option},
    {"OR", TKeyword::Or},
    {"ORDER", TKeyword::Order},
    {"OUTER", TKeyword::Outer},
    {"OWNERACCESS", TKeyword::OwnerAccess},
    {"PARAMETERS", TKeyword::Parameters},
    {"PERCENT", TKeyword::Percent},
    {"RIGHT", TKeyword::Right},
    {"SELECT", TKeyword::Select},
    {"SET", TKeyword::Set},
    {"THEN", TKeyword::Then},
    {"TOP", TKeyword::Top},
    {"TRUE", TKeyword::True},
    {"UNION", TKeyword::Union},
    {"UPDATE", TKeyword::Update},
    {"VALUES", TKeyword::Values},
    {"WHEN", TKeyword::When},
    {"WHERE", TKeyword::Where},
    {"WITH", TKeyword::With},
    {"XOR", TKeyword::Xor},
};

TKeyword KeywordOf(QStringView word) {
    char upper[16];
    if (word.size() >= qsizetype(sizeof upper))
        return TKeyword::None;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const char16_t c = word[i].unicode();
        if (c >= 0x80)
            return TKeyword::None;
        upper[i] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    const std::string_view key(upper, static_cast<size_t>(word.size()));
    const auto* it =
        std::lower_bound(std::begin(kKeywords), std::end(kKeywords), key,
                         [](const TKeywordName& k, std::string_view v) { return k.Name < v; });
    return it != std::end(kKeywords) && it->Name == key ? it->Keyword : TKeyword::None;
}

// Words that end an expression: they never name a column in a Jet query.
bool IsReserved(TKeyword k) {
    switch (k) {
    case TKeyword::All:
    case TKeyword::And:
    case TKeyword::As:
    case TKeyword::Asc:
    case TKeyword::Between:
    case TKeyword::By:
    case TKeyword::Collate:
    case TKeyword::Cross:
    case TKeyword::Delete:
    case TKeyword::Desc:
    case TKeyword::Distinct:
    case TKeyword::DistinctRow:
    case TKeyword::Else:
    case TKeyword::End:
    case TKeyword::Eqv:
    case TKeyword::From:
    case TKeyword::Full:
    case TKeyword::Group:
    case TKeyword::Having:
    case TKeyword::Imp:
    case TKeyword::In:
    case TKeyword::Inner:
    case TKeyword::Insert:
    case TKeyword::Into:
    case TKeyword::Is:
    case TKeyword::Join:
    case TKeyword::Left:
    case TKeyword::Like:
    case TKeyword::Mod:
    case TKeyword::On:
    case TKeyword::Or:
    case TKeyword::Order:
    case TKeyword::Outer:
    case TKeyword::Right:
    case TKeyword::Select:
    case TKeyword::Set:
    case TKeyword::Then:
    case TKeyword::Union:
    case TKeyword::Update:
    case TKeyword::Values:
    case TKeyword::When:
    case TKeyword::Where:
    case TKeyword::Xor:
        return true;
    default:
        return false;
    }
}

// A token: its kind, the blanks before it ([Lead, Start)) and its text as
// written ([Start, End)), quotes and brackets included.
struct TToken {
    TTokenKind Kind;
    TKeyword Keyword;
    char16_t Symbol; // for a symbol: its character, or one of the pair codes
    bool Closed;     // for a string or a bracketed name: whether it ends
    qsizetype Lead;
    qsizetype Start;
    qsizetype End;
};

// Codes of the two-character symbols.
constexpr char16_t kNotEqual = 0xE001, kLessEqual = 0xE002, kGreaterEqual = 0xE003, kPipes = 0xE004,
                   kBangEqual = 0xE005;

bool IsWordStart(QChar c) {
    return c.isLetter() || c == u'_';
}
bool IsWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}
// What a #date# literal may contain; anything else makes the # a symbol.
bool IsDateLiteralChar(QChar c) {
    return c.isLetterOrNumber() || c == u' ' || c == u'/' || c == u'-' || c == u':' || c == u'.' ||
           c == u',';
}

QList<TToken> Tokenize(const QString& s) {
    QList<TToken> tokens;
    tokens.reserve(s.size() / 4 + 4);
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype lead = i;
        while (i < n && s[i].isSpace())
            ++i;
        if (i >= n)
            break;
        const QChar c = s[i];
        const qsizetype start = i;
        TTokenKind kind = TTokenKind::Symbol;
        char16_t symbol = 0;
        bool closed = true;
        if (c == u'\'' || c == u'"') {
            // A quoted text; a doubled quote stands for one quote character.
            kind = TTokenKind::String;
            closed = false;
            ++i;
            while (i < n) {
                if (s[i] == c) {
                    if (i + 1 < n && s[i + 1] == c) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                ++i;
            }
        } else if (c == u'[') {
            kind = TTokenKind::Bracket;
            while (i < n && s[i] != u']')
                ++i;
            closed = i < n;
            if (i < n)
                ++i;
        } else if (c == u'#') {
            qsizetype close = i + 1;
            while (close < n && close - i < 48 && IsDateLiteralChar(s[close]))
                ++close;
            if (close < n && s[close] == u'#' && close > i + 1) {
                kind = TTokenKind::Date;
                i = close + 1;
            } else {
                ++i;
            }
        } else if (c == u':' && i + 1 < n && IsWordStart(s[i + 1])) {
            kind = TTokenKind::Parameter;
            ++i;
            while (i < n && IsWordChar(s[i]))
                ++i;
        } else if (IsWordStart(c)) {
            kind = TTokenKind::Word;
            while (i < n && IsWordChar(s[i]))
                ++i;
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && s[i + 1].isDigit())) {
            kind = TTokenKind::Number;
            while (i < n) {
                if ((s[i] == u'e' || s[i] == u'E') && i + 2 < n &&
                    (s[i + 1] == u'+' || s[i + 1] == u'-') && s[i + 2].isDigit())
                    i += 2;
                else if (s[i].isLetterOrNumber() || s[i] == u'.')
                    ++i;
                else
                    break;
            }
        } else {
            // Two-character operators stay together.
            const QChar d = i + 1 < n ? s[i + 1] : QChar();
            symbol = c.unicode();
            if (c == u'<' && d == u'>')
                symbol = kNotEqual;
            else if (c == u'<' && d == u'=')
                symbol = kLessEqual;
            else if (c == u'>' && d == u'=')
                symbol = kGreaterEqual;
            else if (c == u'|' && d == u'|')
                symbol = kPipes;
            else if (c == u'!' && d == u'=')
                symbol = kBangEqual;
            i += symbol == c.unicode() ? 1 : 2;
        }
        TKeyword keyword = TKeyword::None;
        if (kind == TTokenKind::Word)
            keyword = KeywordOf(QStringView(s).mid(start, i - start));
        if (kind == TTokenKind::Symbol && !symbol)
            symbol = c.unicode();
        tokens.append({kind, keyword, symbol, closed, lead, start, i});
    }
    return tokens;
}

QString QuoteString(QStringView value) {
    QString out;
    out.reserve(value.size() + 2);
    out += u'\'';
    for (QChar c : value) {
        if (c == u'\'')
            out += u'\'';
        out += c;
    }
    out += u'\'';
    return out;
}

// The text of a quoted token, its doubled quotes undone.
QString StringValue(QStringView quoted) {
    if (quoted.isEmpty())
        return {};
    const QChar q = quoted[0];
    QStringView body = quoted.mid(1);
    if (body.size() && body.back() == q)
        body.chop(1);
    QString out;
    out.reserve(body.size());
    for (qsizetype i = 0; i < body.size(); ++i) {
        out += body[i];
        if (body[i] == q && i + 1 < body.size() && body[i + 1] == q)
            ++i;
    }
    return out;
}

// Jet reads a date literal month first when that makes a valid date, then
// day first. False for a literal that is no date.
bool DateLiteral(QStringView text, QString& sql) {
    TJetDate d;
    if (!ParseDateText(text.trimmed(), true, d))
        return false;
    sql = QuoteString(DateText(d));
    return true;
}

// What the translator knows of an expression's value, statically.
enum class TKind {
    Unknown, // a parameter, NULL, a function of any type...
    Number,  // a numeric literal or a numeric function
    Text,    // a string literal or a text function
    Date,    // a date literal or a date function
    Column,  // a column name: it brings its own collation
};

// The kind of value a function gives, by its name.
TKind FunctionKind(QStringView name) {
    struct TEntry {
        std::string_view Name;
        TKind Kind;
    };
    // Sorted by name, for a binary search.
    static constexpr TEntry kinds[] = {
        {"ABS", TKind::Number},      {"ASC", TKind::Number},       {"ASCW", TKind::Number},
        {"AVG", TKind::Number},      {"CBOOL", TKind::Number},     {"CCUR", TKind::Number},
        {"CDATE", TKind::Date},      {"CDBL", TKind::Number},      {"CHR", TKind::Text},
        {"CHRW", TKind::Text},       {"CINT", TKind::Number},      {"CLNG", TKind::Number},
        {"COUNT", TKind::Number},    {"CSNG", TKind::Number},      {"CSTR", TKind::Text},
        {"DATEADD", TKind::Date},    {"DATEDIFF", TKind::Number},  {"DATEPART", TKind::Number},
        {"DATESERIAL", TKind::Date}, {"DATEVALUE", TKind::Date},   {"DAY", TKind::Number},
        {"EXP", TKind::Number},      {"FIX", TKind::Number},       {"FORMAT", TKind::Text},
        {"HEX", TKind::Text},        {"HOUR", TKind::Number},      {"INSTR", TKind::Number},
        {"INT", TKind::Number},      {"ISDATE", TKind::Number},    {"ISNUMERIC", TKind::Number},
        {"JETCONCAT", TKind::Text},  {"JETDATE", TKind::Date},     {"JETISNULL", TKind::Number},
        {"JETLEFT", TKind::Text},    {"JETRIGHT", TKind::Text},    {"JETTIME", TKind::Date},
        {"LCASE", TKind::Text},      {"LEN", TKind::Number},       {"LOG", TKind::Number},
        {"LTRIM", TKind::Text},      {"MID", TKind::Text},         {"MINUTE", TKind::Number},
        {"MONTH", TKind::Number},    {"MONTHNAME", TKind::Text},   {"NOW", TKind::Date},
        {"OCT", TKind::Text},        {"REPLACE", TKind::Text},     {"ROUND", TKind::Number},
        {"RTRIM", TKind::Text},      {"SECOND", TKind::Number},    {"SGN", TKind::Number},
        {"SPACE", TKind::Text},      {"SQR", TKind::Number},       {"STDEV", TKind::Number},
        {"STDEVP", TKind::Number},   {"STR", TKind::Text},         {"STRCOMP", TKind::Number},
        {"STRING", TKind::Text},     {"SUM", TKind::Number},       {"TIMESERIAL", TKind::Date},
        {"TIMEVALUE", TKind::Date},  {"TRIM", TKind::Text},        {"UCASE", TKind::Text},
        {"VAL", TKind::Number},      {"VAR", TKind::Number},       {"VARP", TKind::Number},
        {"WEEKDAY", TKind::Number},  {"WEEKDAYNAME", TKind::Text}, {"YEAR", TKind::Number},
    };
    char upper[16];
    if (name.size() >= qsizetype(sizeof upper))
        return TKind::Unknown;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (c >= 0x80)
            return TKind::Unknown;
        upper[i] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    const std::string_view key(upper, static_cast<size_t>(name.size()));
    const auto* it =
        std::lower_bound(std::begin(kinds), std::end(kinds), key,
                         [](const TEntry& e, std::string_view v) { return e.Name < v; });
    return it != std::end(kinds) && it->Name == key ? it->Kind : TKind::Unknown;
}

// A piece of translated SQL: a run of source tokens taken as written, or a
// text of its own once something in it was rewritten. Most of a statement
// stays as written and is copied once, at the end.
struct TPiece {
    qsizetype Begin = -1; // tokens [Begin, End), while Own is false
    qsizetype End = -1;
    QString Text;
    bool Own = false;
    bool Empty() const { return !Own && Begin < 0; }
};

struct TExpr {
    TPiece Sql;
    TKind Kind = TKind::Unknown;
    bool Literal = false; // a string literal
    bool Truth = false;   // a comparison or logic of SQLite: 1 for true, where Jet has -1
};

// Precedence levels, loosest first.
enum TLevel {
    LImp = 1,
    LEqv,
    LXor,
    LOr,
    LAnd,
    LNot,
    LCompare,
    LConcat,
    LAdd,
    LMod,
    LIntDiv,
    LMul,
    LUnary,
    LPow,
};

// Nesting deeper than this is left as written rather than parsed further.
constexpr int kMaxDepth = 200;

class TTranslator {
public:
    TTranslator(const QString& source, const QList<TToken>& tokens)
        : m_src(source), m_tok(tokens), m_match(tokens.size(), -1) {
        QVarLengthArray<qsizetype, 32> open;
        for (qsizetype i = 0; i < tokens.size(); ++i) {
            if (IsSymbol(i, u'(')) {
                open.append(i);
            } else if (IsSymbol(i, u')') && !open.isEmpty()) {
                m_match[open.back()] = i;
                open.removeLast();
            }
        }
        for (qsizetype i : open)
            m_match[i] = tokens.size();
    }

    TJetStatement Run() {
        qsizetype from = 0, to = m_tok.size();
        auto stripTrailing = [&] {
            while (to > from && IsSymbol(to - 1, u';'))
                --to;
        };
        stripTrailing();
        // Jet's trailer for saved queries, meaningless here.
        if (to - from >= 3 && Keyword(to - 3) == TKeyword::With &&
            Keyword(to - 2) == TKeyword::OwnerAccess && Keyword(to - 1) == TKeyword::Option) {
            to -= 3;
            stripTrailing();
        }
        bool dropLead = false;
        // A PARAMETERS declaration: the parameters are bound by name here.
        if (from < to && Keyword(from) == TKeyword::Parameters) {
            qsizetype i = from;
            while (i < to && !IsSymbol(i, u';'))
                i = Skip(i);
            from = i < to ? i + 1 : to;
            dropLead = true;
        }
        TPiece sql;
        if (from < to && Keyword(from) == TKeyword::Drop && from + 1 < to &&
            Keyword(from + 1) == TKeyword::Index) {
            // SQLite names indexes per database; the table is implied.
            qsizetype on = from;
            while (on < to && Keyword(on) != TKeyword::On)
                on = Skip(on);
            sql = Range(from, on, TClause::Other);
        } else {
            sql = Sequence(from, to);
        }
        TJetStatement result;
        result.Sql = dropLead ? Stripped(sql) : TextOf(sql);
        result.Parameters = m_params;
        return result;
    }

private:
    enum class TClause { Other, SelectList, GroupBy, OrderBy, SetList, Arguments };

    const QString& m_src;
    const QList<TToken>& m_tok;
    QList<qsizetype> m_match; // for each '(' the index of its ')', or the end
    QStringList m_params;
    int m_depth = 0;

    // --- tokens -----------------------------------------------------------

    QStringView Text(qsizetype i) const {
        return QStringView(m_src).mid(m_tok[i].Start, m_tok[i].End - m_tok[i].Start);
    }
    QStringView LeadOf(qsizetype i) const {
        return QStringView(m_src).mid(m_tok[i].Lead, m_tok[i].Start - m_tok[i].Lead);
    }
    TKeyword Keyword(qsizetype i) const {
        return i < m_tok.size() && m_tok[i].Kind == TTokenKind::Word ? m_tok[i].Keyword
                                                                     : TKeyword::None;
    }
    bool IsSymbol(qsizetype i, char16_t symbol) const {
        return i < m_tok.size() && m_tok[i].Symbol == symbol;
    }
    // The token after i, a parenthesized group counting as one.
    qsizetype Skip(qsizetype i) const {
        if (IsSymbol(i, u'(')) {
            const qsizetype close = m_match[i];
            return close < m_tok.size() ? close + 1 : close;
        }
        return i + 1;
    }
    qsizetype CloseOf(qsizetype open, qsizetype to) const { return std::min(m_match[open], to); }
    bool IsName(qsizetype i) const {
        return i < m_tok.size() &&
               (m_tok[i].Kind == TTokenKind::Bracket ||
                (m_tok[i].Kind == TTokenKind::Word && !IsReserved(m_tok[i].Keyword)));
    }
    // A word followed by "(": a function call. LEFT and RIGHT are also the
    // names of Jet functions; other reserved words before "(" stay keywords.
    bool IsCall(qsizetype i, qsizetype to) const {
        if (i + 1 >= to || m_tok[i].Kind != TTokenKind::Word || !IsSymbol(i + 1, u'('))
            return false;
        const TKeyword k = m_tok[i].Keyword;
        return !IsReserved(k) || k == TKeyword::Left || k == TKeyword::Right;
    }
    // "-" right after "-" would start an SQL comment.
    bool DashPair(qsizetype i) const {
        return i > 0 && IsSymbol(i, u'-') && IsSymbol(i - 1, u'-') &&
               m_tok[i].Lead == m_tok[i].Start;
    }

    // --- pieces -------------------------------------------------------------

    QStringView SourceOf(const TPiece& p) const {
        return QStringView(m_src).mid(m_tok[p.Begin].Lead,
                                      m_tok[p.End - 1].End - m_tok[p.Begin].Lead);
    }
    QString TextOf(const TPiece& p) const {
        return p.Own ? p.Text : (p.Begin < 0 ? QString() : SourceOf(p).toString());
    }
    static void AppendText(QString& out, QStringView text) {
        if (!out.isEmpty() && !text.isEmpty() && out.back() == u'-' && text.front() == u'-')
            out += u' ';
        out += text;
    }
    void MakeOwn(TPiece& p) const {
        if (p.Own)
            return;
        if (p.Begin >= 0) {
            p.Text.reserve(SourceOf(p).size() + 32);
            p.Text = SourceOf(p).toString();
        }
        p.Own = true;
    }
    // Appends tokens [from, to) as written.
    void AddTokens(TPiece& p, qsizetype from, qsizetype to) const {
        if (from >= to)
            return;
        bool plain = true;
        for (qsizetype k = from + 1; k < to && plain; ++k)
            plain = !DashPair(k);
        if (plain && !p.Own && (p.Begin < 0 || (p.End == from && !DashPair(from)))) {
            if (p.Begin < 0)
                p.Begin = from;
            p.End = to;
            return;
        }
        MakeOwn(p);
        for (qsizetype k = from; k < to; ++k) {
            AppendText(p.Text, LeadOf(k));
            AppendText(p.Text, Text(k));
        }
    }
    void Add(TPiece& p, const TPiece& q) const {
        if (q.Empty())
            return;
        if (!q.Own)
            return AddTokens(p, q.Begin, q.End);
        MakeOwn(p);
        AppendText(p.Text, q.Text);
    }
    void AddText(TPiece& p, QStringView text) const {
        MakeOwn(p);
        AppendText(p.Text, text);
    }
    QString Lead(const TPiece& p) const {
        if (p.Empty())
            return {};
        if (!p.Own)
            return LeadOf(p.Begin).toString();
        qsizetype n = 0;
        while (n < p.Text.size() && p.Text[n].isSpace())
            ++n;
        return p.Text.left(n);
    }
    QString Stripped(const TPiece& p) const {
        if (p.Empty())
            return {};
        if (!p.Own)
            return QStringView(m_src)
                .mid(m_tok[p.Begin].Start, m_tok[p.End - 1].End - m_tok[p.Begin].Start)
                .toString();
        qsizetype n = 0;
        while (n < p.Text.size() && p.Text[n].isSpace())
            ++n;
        return p.Text.mid(n);
    }
    static TPiece OwnText(QString text) {
        TPiece p;
        p.Text = std::move(text);
        p.Own = true;
        return p;
    }
    // NAME(a, b, ...) with the blanks that preceded the first operand.
    TPiece Call(const QString& lead, QLatin1String name,
                std::initializer_list<const TPiece*> args) const {
        QString out = lead + name + u'(';
        bool first = true;
        for (const TPiece* a : args) {
            if (!first)
                out += QStringLiteral(", ");
            out += Stripped(*a);
            first = false;
        }
        return OwnText(out + u')');
    }
    void Collate(TPiece& p) const { AddText(p, u" COLLATE NOCASE"); }
    // Where a truth value is used as a number, it becomes Jet's -1 for true.
    void JetTruth(TExpr& e) const {
        if (!e.Truth)
            return;
        e.Sql = OwnText(Lead(e.Sql) + QStringLiteral("-(") + Stripped(e.Sql) + u')');
        e.Truth = false;
    }

    static bool IsNumberOrDate(TKind k) { return k == TKind::Number || k == TKind::Date; }
    // Whether a comparison of these operands must be told to ignore case:
    // a column brings its collation, numbers and dates need none.
    static bool NeedsCollation(const TExpr& a, const TExpr& b) {
        return a.Kind != TKind::Column && b.Kind != TKind::Column &&
               !(IsNumberOrDate(a.Kind) && IsNumberOrDate(b.Kind));
    }

    // --- statements -------------------------------------------------------

    // A statement or a subquery: what precedes its first SELECT (INSERT INTO
    // t (...)), then the SELECT members of a UNION and the ORDER BY of the union.
    TPiece Sequence(qsizetype from, qsizetype to) {
        if (from >= to)
            return {};
        if (Keyword(from) == TKeyword::Delete)
            return Delete(from, to);
        qsizetype select = from;
        while (select < to && Keyword(select) != TKeyword::Select)
            select = Skip(select);
        if (select >= to)
            return Range(from, to, TClause::Other);
        TPiece out = Range(from, select, TClause::Other);

        QVarLengthArray<std::pair<qsizetype, qsizetype>, 4> members;
        QVarLengthArray<std::pair<qsizetype, qsizetype>, 4> unions; // UNION [ALL] between members
        qsizetype start = select;
        for (qsizetype i = select; i < to; i = Skip(i)) {
            if (Keyword(i) == TKeyword::Union) {
                members.append({start, i});
                qsizetype next = i + 1;
                if (Keyword(next) == TKeyword::All)
                    ++next;
                unions.append({i, next});
                start = next;
                i = next - 1;
            }
        }
        qsizetype end = to;
        if (!members.isEmpty()) {
            // The ORDER BY after the last member sorts the whole union.
            for (qsizetype i = start; i < to; i = Skip(i))
                if (Keyword(i) == TKeyword::Order && Keyword(i + 1) == TKeyword::By) {
                    end = i;
                    break;
                }
        }
        members.append({start, end});
        const bool compound = members.size() > 1;
        for (qsizetype m = 0; m < members.size(); ++m) {
            if (m > 0)
                AddTokens(out, unions[m - 1].first, unions[m - 1].second);
            const auto [a, b] = members[m];
            Add(out, Keyword(a) == TKeyword::Select ? Select(a, b, compound)
                                                    : Range(a, b, TClause::Other));
        }
        if (end < to)
            Add(out, Range(end, to, TClause::Other));
        return out;
    }

    // One SELECT: DISTINCTROW, TOP n [PERCENT] as a LIMIT after its ORDER BY.
    TPiece Select(qsizetype from, qsizetype to, bool compound) {
        TPiece out;
        AddTokens(out, from, from + 1);
        qsizetype i = from + 1;
        QString distinct;
        if (Keyword(i) == TKeyword::DistinctRow) {
            distinct = LeadOf(i).toString() + QStringLiteral("DISTINCT");
            AddText(out, distinct);
            ++i;
        } else if (Keyword(i) == TKeyword::Distinct || Keyword(i) == TKeyword::All) {
            distinct = LeadOf(i).toString() + Text(i).toString();
            AddTokens(out, i, i + 1);
            ++i;
        }
        QString top;
        bool percent = false;
        if (Keyword(i) == TKeyword::Top && i + 1 < to && m_tok[i + 1].Kind == TTokenKind::Number) {
            top = Text(i + 1).toString();
            i += 2;
            if (Keyword(i) == TKeyword::Percent) {
                percent = true;
                ++i;
            }
        }
        qsizetype order = to;
        for (qsizetype k = i; k < to; k = Skip(k))
            if (Keyword(k) == TKeyword::Order && Keyword(k + 1) == TKeyword::By) {
                order = k;
                break;
            }
        const qsizetype firstParam = m_params.size();
        const TPiece body = Range(i, order, TClause::SelectList);
        const QStringList bodyParams = m_params.mid(firstParam);
        Add(out, body);
        Add(out, Range(order, to, TClause::Other));
        if (!top.isEmpty()) {
            if (percent) {
                // The number of rows is a share of the rows the SELECT gives.
                AddText(out, QStringLiteral(" LIMIT (SELECT CAST(n_ AS INTEGER) + (n_ > CAST(n_ "
                                            "AS INTEGER)) FROM (SELECT COUNT(*) * ") +
                                 top + QStringLiteral(" / 100.0 AS n_ FROM (SELECT") + distinct +
                                 TextOf(body) + QStringLiteral(")))"));
                m_params += bodyParams;
            } else {
                AddText(out, QStringLiteral(" LIMIT ") + top);
            }
        }
        if (compound && (!top.isEmpty() || order < to)) {
            // In a union, a member's own limit and order need a subquery.
            return OwnText(Lead(out) + QStringLiteral("SELECT * FROM (") + Stripped(out) + u')');
        }
        return out;
    }

    // DELETE * FROM t and DELETE t.* FROM t: SQLite names no columns.
    TPiece Delete(qsizetype from, qsizetype to) {
        qsizetype f = from + 1;
        while (f < to && Keyword(f) != TKeyword::From)
            f = Skip(f);
        if (f >= to)
            return Range(from, to, TClause::Other);
        TPiece out;
        AddTokens(out, from, from + 1);
        Add(out, Range(f, to, TClause::Other));
        return out;
    }

    // --- clauses ----------------------------------------------------------

    // A run of tokens: keywords and commas as written, each expression
    // translated. singleKind receives the kind when the run is exactly one
    // expression.
    TPiece Range(qsizetype from, qsizetype to, TClause clause, TExpr* single = nullptr) {
        TPiece out;
        int expressions = 0, others = 0;
        TKind kind = TKind::Unknown;
        bool truth = false;
        bool itemStart = true;
        qsizetype i = from;
        while (i < to) {
            const TKeyword k = Keyword(i);
            if (k != TKeyword::None && IsReserved(k) && !IsCall(i, to)) {
                switch (k) {
                case TKeyword::Select:
                    clause = TClause::SelectList;
                    break;
                case TKeyword::By:
                    if (i > from && Keyword(i - 1) == TKeyword::Group)
                        clause = TClause::GroupBy;
                    else if (i > from && Keyword(i - 1) == TKeyword::Order)
                        clause = TClause::OrderBy;
                    break;
                case TKeyword::Set:
                    clause = TClause::SetList;
                    break;
                case TKeyword::As:
                case TKeyword::Asc:
                case TKeyword::Desc:
                case TKeyword::Distinct:
                case TKeyword::All:
                case TKeyword::Group:
                case TKeyword::Order:
                    break;
                default:
                    clause = TClause::Other;
                    break;
                }
                AddTokens(out, i, i + 1);
                ++i;
                itemStart = true;
                ++others;
                continue;
            }
            if (IsSymbol(i, u',') || IsSymbol(i, u';') || IsSymbol(i, u')')) {
                AddTokens(out, i, i + 1);
                ++i;
                itemStart = true;
                ++others;
                continue;
            }
            if (clause == TClause::SetList && itemStart && i + 3 < to && IsName(i) &&
                IsSymbol(i + 1, u'.') && IsName(i + 2) && IsSymbol(i + 3, u'=')) {
                // UPDATE t SET t.f = v: SQLite takes the column name alone.
                AddText(out, LeadOf(i).toString() + Text(i + 2).toString());
                i += 3;
            }
            const qsizetype before = i;
            TExpr e = Expression(i, to, LImp);
            if (i == before) {
                AddTokens(out, i, i + 1);
                ++i;
                ++others;
                itemStart = false;
                continue;
            }
            ++expressions;
            kind = e.Kind;
            truth = e.Truth;
            const bool item = itemStart;
            itemStart = false;
            if (item && (clause == TClause::SelectList || clause == TClause::Arguments))
                JetTruth(e);
            if (item && (clause == TClause::GroupBy || clause == TClause::OrderBy) &&
                (e.Kind == TKind::Text || e.Kind == TKind::Unknown))
                Collate(e.Sql);
            else if (item && clause == TClause::SelectList && e.Kind == TKind::Text && !e.Literal &&
                     Keyword(i) == TKeyword::As)
                Collate(e.Sql);
            Add(out, e.Sql);
        }
        if (single) {
            const bool one = expressions == 1 && others == 0;
            single->Kind = one ? kind : TKind::Unknown;
            single->Truth = one && truth;
        }
        return out;
    }

    // --- expressions --------------------------------------------------------

    // Whether an operand can start at i.
    bool CanStart(qsizetype i, qsizetype to) const {
        if (i >= to)
            return false;
        switch (m_tok[i].Kind) {
        case TTokenKind::Symbol:
            return IsSymbol(i, u'(') || IsSymbol(i, u'-') || IsSymbol(i, u'+') || IsSymbol(i, u'?');
        case TTokenKind::Word:
            return !IsReserved(m_tok[i].Keyword) || IsCall(i, to);
        default:
            return true;
        }
    }

    struct TOperator {
        int Level = 0;
        enum {
            None,
            Compare,
            Is,
            Like,
            Between,
            In,
            Concat,
            Pipe,
            Add,
            Sub,
            Mod,
            IntDiv,
            Mul,
            Div,
            Percent,
            Pow,
            And,
            Or,
            Xor,
            Eqv,
            Imp
        } Op = None;
        bool Negated = false; // NOT LIKE / NOT BETWEEN / NOT IN
        qsizetype Tokens = 1;
    };

    TOperator OperatorAt(qsizetype i, qsizetype to) const {
        if (i >= to)
            return {};
        if (m_tok[i].Kind == TTokenKind::Symbol) {
            switch (m_tok[i].Symbol) {
            case u'=':
            case u'<':
            case u'>':
            case kNotEqual:
            case kLessEqual:
            case kGreaterEqual:
            case kBangEqual:
                return {LCompare, TOperator::Compare};
            case u'&':
                return {LConcat, TOperator::Concat};
            case kPipes:
                return {LConcat, TOperator::Pipe};
            case u'+':
                return {LAdd, TOperator::Add};
            case u'-':
                return {LAdd, TOperator::Sub};
            case u'\\':
                return {LIntDiv, TOperator::IntDiv};
            case u'*':
                return {LMul, TOperator::Mul};
            case u'/':
                return {LMul, TOperator::Div};
            case u'%':
                return {LMul, TOperator::Percent};
            case u'^':
                return {LPow, TOperator::Pow};
            default:
                return {};
            }
        }
        switch (Keyword(i)) {
        case TKeyword::Or:
            return {LOr, TOperator::Or};
        case TKeyword::And:
            return {LAnd, TOperator::And};
        case TKeyword::Xor:
            return {LXor, TOperator::Xor};
        case TKeyword::Eqv:
            return {LEqv, TOperator::Eqv};
        case TKeyword::Imp:
            return {LImp, TOperator::Imp};
        case TKeyword::Mod:
            return {LMod, TOperator::Mod};
        case TKeyword::Is:
            return {LCompare, TOperator::Is};
        case TKeyword::Like:
            return {LCompare, TOperator::Like};
        case TKeyword::Between:
            return {LCompare, TOperator::Between};
        case TKeyword::In:
            return {LCompare, TOperator::In};
        case TKeyword::Not:
            switch (Keyword(i + 1)) {
            case TKeyword::Like:
                return {LCompare, TOperator::Like, true, 2};
            case TKeyword::Between:
                return {LCompare, TOperator::Between, true, 2};
            case TKeyword::In:
                return {LCompare, TOperator::In, true, 2};
            default:
                return {};
            }
        default:
            return {};
        }
    }

    // Precedence climbing over Jet's operators. Leaves i at the first token
    // that is not part of the expression; consumes nothing when no expression
    // starts at i.
    TExpr Expression(qsizetype& i, qsizetype to, int minLevel) {
        if (m_depth > kMaxDepth) {
            TExpr raw;
            AddTokens(raw.Sql, i, to);
            i = to;
            return raw;
        }
        ++m_depth;
        TExpr left = Unary(i, to, minLevel);
        while (!left.Sql.Empty()) {
            const TOperator op = OperatorAt(i, to);
            if (op.Op == TOperator::None || op.Level < minLevel)
                break;
            const qsizetype at = i;
            const qsizetype operand = i + op.Tokens;
            if (op.Op == TOperator::Is) {
                // IS [NOT] NULL, as written.
                qsizetype j = operand;
                if (Keyword(j) == TKeyword::Not)
                    ++j;
                if (Keyword(j) != TKeyword::Null)
                    break;
                AddTokens(left.Sql, at, j + 1);
                left.Kind = TKind::Number;
                left.Literal = false;
                left.Truth = true;
                i = j + 1;
                continue;
            }
            if (op.Op == TOperator::In) {
                if (!IsSymbol(operand, u'('))
                    break;
                qsizetype j = operand;
                const TExpr list = Primary(j, to);
                JetTruth(left);
                if (left.Kind != TKind::Column && !IsNumberOrDate(left.Kind))
                    Collate(left.Sql);
                AddTokens(left.Sql, at, operand);
                Add(left.Sql, list.Sql);
                left.Kind = TKind::Number;
                left.Literal = false;
                left.Truth = true;
                i = j;
                continue;
            }
            if (!CanStart(operand, to))
                break;
            i = operand;
            switch (op.Op) {
            case TOperator::Between: {
                const TExpr low = Expression(i, to, LConcat);
                if (Keyword(i) != TKeyword::And) {
                    AddTokens(left.Sql, at, operand);
                    Add(left.Sql, low.Sql);
                    break;
                }
                const qsizetype andAt = i++;
                const TExpr high = Expression(i, to, LConcat);
                JetTruth(left);
                if (left.Kind != TKind::Column && !IsNumberOrDate(left.Kind))
                    Collate(left.Sql);
                AddTokens(left.Sql, at, operand);
                Add(left.Sql, low.Sql);
                AddTokens(left.Sql, andAt, andAt + 1);
                Add(left.Sql, high.Sql);
                break;
            }
            case TOperator::Like: {
                const TExpr pattern = Expression(i, to, LConcat);
                const QString lead = Lead(left.Sql);
                left.Sql = Call(op.Negated ? lead + QStringLiteral("NOT ") : lead,
                                QLatin1String("JETLIKE"), {&left.Sql, &pattern.Sql});
                left.Kind = TKind::Number;
                left.Literal = false;
                left.Truth = op.Negated; // JETLIKE gives -1 itself, NOT gives 1
                continue;
            }
            case TOperator::Compare: {
                TExpr right = Expression(i, to, LConcat);
                JetTruth(left);
                JetTruth(right);
                if (NeedsCollation(left, right)) {
                    if (left.Kind == TKind::Text || left.Kind == TKind::Unknown)
                        Collate(left.Sql);
                    else
                        Collate(right.Sql);
                }
                AddTokens(left.Sql, at, operand);
                Add(left.Sql, right.Sql);
                break;
            }
            case TOperator::Concat: {
                // a & b & c: one call over all the operands.
                JetTruth(left);
                QString text = Lead(left.Sql) + QStringLiteral("JETCONCAT(") + Stripped(left.Sql);
                for (;;) {
                    TExpr part = Expression(i, to, LConcat + 1);
                    JetTruth(part);
                    text += QStringLiteral(", ") + Stripped(part.Sql);
                    if (OperatorAt(i, to).Op != TOperator::Concat || !CanStart(i + 1, to))
                        break;
                    ++i;
                }
                left.Sql = OwnText(text + u')');
                left.Kind = TKind::Text;
                left.Literal = false;
                left.Truth = false;
                continue;
            }
            case TOperator::Add:
            case TOperator::Sub: {
                TExpr right = Expression(i, to, op.Level + 1);
                JetTruth(left);
                JetTruth(right);
                if (left.Kind == TKind::Number && right.Kind == TKind::Number) {
                    AddTokens(left.Sql, at, operand);
                    Add(left.Sql, right.Sql);
                    left.Literal = false;
                    continue;
                }
                TKind kind = TKind::Unknown;
                if (op.Op == TOperator::Add) {
                    if (left.Kind == TKind::Date || right.Kind == TKind::Date)
                        kind = TKind::Date;
                    else if (left.Kind == TKind::Text || right.Kind == TKind::Text)
                        kind = TKind::Text;
                } else if (left.Kind == TKind::Date) {
                    kind = right.Kind == TKind::Date ? TKind::Number : TKind::Date;
                }
                left.Sql = Call(Lead(left.Sql),
                                QLatin1String(op.Op == TOperator::Add ? "JETADD" : "JETSUB"),
                                {&left.Sql, &right.Sql});
                left.Kind = kind;
                left.Literal = false;
                left.Truth = false;
                continue;
            }
            case TOperator::Mul:
            case TOperator::Percent:
            case TOperator::Pipe:
            case TOperator::And:
            case TOperator::Or: {
                const int next = op.Op == TOperator::Pipe ? LConcat + 1 : op.Level + 1;
                TExpr right = Expression(i, to, next);
                const bool logic = op.Op == TOperator::And || op.Op == TOperator::Or;
                if (!logic) {
                    JetTruth(left);
                    JetTruth(right);
                }
                const bool numbers = left.Kind == TKind::Number && right.Kind == TKind::Number;
                AddTokens(left.Sql, at, operand);
                Add(left.Sql, right.Sql);
                left.Kind = op.Op == TOperator::Pipe ? TKind::Text
                            : (numbers || op.Op == TOperator::And || op.Op == TOperator::Or)
                                ? TKind::Number
                                : TKind::Unknown;
                left.Literal = false;
                left.Truth = logic;
                continue;
            }
            default: {
                // Operators whose meaning SQLite lacks: a function call each.
                TExpr right = Expression(i, to, op.Level + 1);
                JetTruth(left);
                JetTruth(right);
                const char* name = op.Op == TOperator::Div      ? "JETDIV"
                                   : op.Op == TOperator::IntDiv ? "JETIDIV"
                                   : op.Op == TOperator::Mod    ? "JETMOD"
                                   : op.Op == TOperator::Pow    ? "JETPOW"
                                   : op.Op == TOperator::Xor    ? "JETXOR"
                                   : op.Op == TOperator::Eqv    ? "JETEQV"
                                                                : "JETIMP";
                left.Sql = Call(Lead(left.Sql), QLatin1String(name), {&left.Sql, &right.Sql});
                left.Kind = TKind::Number;
                left.Literal = false;
                left.Truth = false;
                continue;
            }
            }
            // Comparisons and BETWEEN.
            left.Kind = TKind::Number;
            left.Literal = false;
            left.Truth = true;
        }
        --m_depth;
        return left;
    }

    // Prefix NOT and signs, then a primary.
    TExpr Unary(qsizetype& i, qsizetype to, int minLevel) {
        if (i >= to)
            return {};
        if (Keyword(i) == TKeyword::Not && CanStart(i + 1, to)) {
            const qsizetype notAt = i++;
            const TExpr operand = Expression(i, to, LCompare);
            TExpr e;
            if (minLevel > LNot) {
                // NOT where a tighter operand is expected (a = NOT b) keeps its scope.
                e.Sql = OwnText(LeadOf(notAt).toString() + u'(' + Text(notAt).toString() +
                                TextOf(operand.Sql) + u')');
            } else {
                AddTokens(e.Sql, notAt, notAt + 1);
                Add(e.Sql, operand.Sql);
            }
            e.Kind = TKind::Number;
            e.Truth = true;
            return e;
        }
        if ((IsSymbol(i, u'-') || IsSymbol(i, u'+')) && CanStart(i + 1, to)) {
            TExpr e;
            AddTokens(e.Sql, i, i + 1);
            ++i;
            TExpr operand = Expression(i, to, LPow);
            JetTruth(operand);
            Add(e.Sql, operand.Sql);
            e.Kind = operand.Kind == TKind::Number ? TKind::Number : TKind::Unknown;
            return e;
        }
        return Primary(i, to);
    }

    TExpr Primary(qsizetype& i, qsizetype to) {
        TExpr e;
        if (i >= to)
            return e;
        const TToken& t = m_tok[i];
        switch (t.Kind) {
        case TTokenKind::Number:
            AddTokens(e.Sql, i, i + 1);
            e.Kind = TKind::Number;
            ++i;
            break;
        case TTokenKind::String:
            // Single-quoted: already as SQLite writes it; unterminated: left for
            // SQLite to report.
            if (Text(i).front() == u'\'' || !t.Closed)
                AddTokens(e.Sql, i, i + 1);
            else
                e.Sql = OwnText(LeadOf(i).toString() + QuoteString(StringValue(Text(i))));
            e.Kind = TKind::Text;
            e.Literal = true;
            ++i;
            break;
        case TTokenKind::Date: {
            // A literal that is no date is left for SQLite to reject.
            QString literal;
            if (DateLiteral(Text(i).mid(1, Text(i).size() - 2), literal))
                e.Sql = OwnText(LeadOf(i).toString() + literal);
            else
                AddTokens(e.Sql, i, i + 1);
            e.Kind = TKind::Date;
            ++i;
            break;
        }
        case TTokenKind::Parameter:
            m_params.append(Text(i).mid(1).toString());
            e.Sql = OwnText(LeadOf(i).toString() + u'?');
            ++i;
            break;
        case TTokenKind::Bracket:
            e = Name(i, to);
            break;
        case TTokenKind::Symbol:
            if (IsSymbol(i, u'(')) {
                e = Group(i, to);
            } else if (IsSymbol(i, u'*') || IsSymbol(i, u'?')) {
                AddTokens(e.Sql, i, i + 1);
                ++i;
            }
            break;
        case TTokenKind::Word:
            switch (t.Keyword) {
            case TKeyword::True:
                e.Sql = OwnText(LeadOf(i).toString() + QStringLiteral("-1"));
                e.Kind = TKind::Number;
                ++i;
                break;
            case TKeyword::False:
                e.Sql = OwnText(LeadOf(i).toString() + u'0');
                e.Kind = TKind::Number;
                ++i;
                break;
            case TKeyword::Null:
                AddTokens(e.Sql, i, i + 1);
                ++i;
                break;
            case TKeyword::Exists:
                if (IsSymbol(i + 1, u'(')) {
                    AddTokens(e.Sql, i, i + 1);
                    ++i;
                    Add(e.Sql, Group(i, to).Sql);
                    e.Kind = TKind::Number;
                    e.Truth = true;
                }
                break;
            case TKeyword::Case:
                e = CaseExpression(i, to);
                break;
            default:
                if (IsCall(i, to))
                    e = Function(i, to);
                else if (!IsReserved(t.Keyword))
                    e = Name(i, to);
                break;
            }
            break;
        }
        // A postfix COLLATE keeps its place.
        if (!e.Sql.Empty() && Keyword(i) == TKeyword::Collate && i + 1 < to &&
            m_tok[i + 1].Kind == TTokenKind::Word) {
            AddTokens(e.Sql, i, i + 2);
            i += 2;
        }
        return e;
    }

    // A column name: name, [name], qualified with dots, or t.*.
    TExpr Name(qsizetype& i, qsizetype to) {
        const qsizetype from = i++;
        while (i + 1 < to && IsSymbol(i, u'.') &&
               (m_tok[i + 1].Kind == TTokenKind::Word || m_tok[i + 1].Kind == TTokenKind::Bracket ||
                IsSymbol(i + 1, u'*')))
            i += 2;
        TExpr e;
        AddTokens(e.Sql, from, i);
        e.Kind = TKind::Column;
        return e;
    }

    // ( subquery ), ( expression ) or ( list ).
    TExpr Group(qsizetype& i, qsizetype to, TClause clause = TClause::Other) {
        const qsizetype open = i;
        const qsizetype close = CloseOf(open, to);
        TExpr e;
        AddTokens(e.Sql, open, open + 1);
        if (m_depth > kMaxDepth) {
            AddTokens(e.Sql, open + 1, close);
        } else if (open + 1 < close && Keyword(open + 1) == TKeyword::Select) {
            ++m_depth;
            Add(e.Sql, Sequence(open + 1, close));
            --m_depth;
        } else {
            ++m_depth;
            TExpr inner;
            Add(e.Sql, Range(open + 1, close, clause, &inner));
            --m_depth;
            e.Kind = inner.Kind;
            e.Truth = inner.Truth;
        }
        if (close < to) {
            AddTokens(e.Sql, close, close + 1);
            i = close + 1;
        } else {
            i = close;
        }
        return e;
    }

    TExpr Function(qsizetype& i, qsizetype to) {
        QStringView name = Text(i);
        if (name.endsWith(u'$'))
            name.chop(1); // Left$, Mid$...: the same functions
        const qsizetype open = i + 1;
        const bool noArguments = CloseOf(open, to) == open + 1;
        QLatin1String rename;
        if (name.compare(u"Left", Qt::CaseInsensitive) == 0)
            rename = QLatin1String("JETLEFT");
        else if (name.compare(u"Right", Qt::CaseInsensitive) == 0)
            rename = QLatin1String("JETRIGHT");
        else if (name.compare(u"IsNull", Qt::CaseInsensitive) == 0)
            rename = QLatin1String("JETISNULL");
        else if (noArguments && name.compare(u"Date", Qt::CaseInsensitive) == 0)
            rename = QLatin1String("JETDATE");
        else if (noArguments && name.compare(u"Time", Qt::CaseInsensitive) == 0)
            rename = QLatin1String("JETTIME");
        TExpr e;
        if (rename.size())
            e.Sql = OwnText(LeadOf(i).toString() + rename);
        else if (name.size() < Text(i).size())
            e.Sql = OwnText(LeadOf(i).toString() + name.toString());
        else
            AddTokens(e.Sql, i, i + 1);
        e.Kind = FunctionKind(rename.size() ? QString(rename) : name.toString());
        i = open;
        // Arguments get Jet's truth values; the conditions of IIf and Switch
        // only need to be true or false.
        const bool conditions = name.compare(u"IIf", Qt::CaseInsensitive) == 0 ||
                                name.compare(u"Switch", Qt::CaseInsensitive) == 0;
        Add(e.Sql, Group(i, to, conditions ? TClause::Other : TClause::Arguments).Sql);
        return e;
    }

    // CASE ... END, kept as written with its expressions translated.
    TExpr CaseExpression(qsizetype& i, qsizetype to) {
        qsizetype end = i + 1;
        int nesting = 0;
        for (; end < to; end = Skip(end)) {
            if (Keyword(end) == TKeyword::Case)
                ++nesting;
            else if (Keyword(end) == TKeyword::End && nesting-- == 0)
                break;
        }
        TExpr e;
        AddTokens(e.Sql, i, i + 1);
        ++m_depth;
        Add(e.Sql, Range(i + 1, end, TClause::Other));
        --m_depth;
        if (end < to) {
            AddTokens(e.Sql, end, end + 1);
            ++end;
        }
        i = end;
        return e;
    }
};

} // namespace

QString JetDateText(const QDateTime& value) {
    if (value.time() == QTime(0, 0))
        return value.date().toString(Qt::ISODate);
    return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

TJetStatement TranslateJetSql(const QString& jet) {
    const QList<TToken> tokens = Tokenize(jet);
    return TTranslator(jet, tokens).Run();
}

// ==========================================================================
// Text comparison: Jet ignores letter case and sorts accented letters with
// their base letter (accents only break ties, so "e" and "é" stay different).
// ==========================================================================

namespace {

using TKey = QVarLengthArray<char16_t, 64>;

// The base letters of a text, case folded: "Œuvre" -> "oeuvre", "É" -> "e".
void AppendPrimaryKey(TKey& key, QStringView s) {
    for (QChar c : s) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            key.append(u >= 'A' && u <= 'Z' ? char16_t(u + 32) : u);
            continue;
        }
        switch (u) {
        case 0x0152:
        case 0x0153:
            key.append(u'o');
            key.append(u'e');
            continue; // Œ œ
        case 0x00C6:
        case 0x00E6:
            key.append(u'a');
            key.append(u'e');
            continue; // Æ æ
        case 0x00DF:
            key.append(u's');
            key.append(u's');
            continue; // ß
        default:
            break;
        }
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        for (int depth = 0; depth < 3 && c.decompositionTag() == QChar::Canonical; ++depth)
            c = c.decomposition().at(0);
        key.append(c.toCaseFolded().unicode());
    }
}

int CompareText(QStringView a, QStringView b) {
    TKey ka, kb;
    AppendPrimaryKey(ka, a);
    AppendPrimaryKey(kb, b);
    const qsizetype n = std::min(ka.size(), kb.size());
    for (qsizetype i = 0; i < n; ++i)
        if (ka[i] != kb[i])
            return ka[i] < kb[i] ? -1 : 1;
    if (ka.size() != kb.size())
        return ka.size() < kb.size() ? -1 : 1;
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// The NOCASE collation: bytes while both sides are ASCII, the full rule from
// the first other character on.
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
    const QString sa = QString::fromUtf8(reinterpret_cast<const char*>(a + i), n1 - i);
    const QString sb = QString::fromUtf8(reinterpret_cast<const char*>(b + i), n2 - i);
    return CompareText(sa, sb);
}

// --- LIKE --------------------------------------------------------------------

// A Jet LIKE pattern: * or % any run, ? or _ one character, # one digit,
// [abc] [a-z] [!abc] a character of (or not of) a list; [*] [?] [#] stand for
// themselves. Letter case is ignored.
class TLikePattern {
public:
    explicit TLikePattern(QStringView pattern) {
        const QString p = pattern.toString().toCaseFolded();
        for (qsizetype i = 0; i < p.size(); ++i) {
            const QChar c = p[i];
            TItem item;
            if (c == u'*' || c == u'%') {
                item.Kind = TItem::Run;
            } else if (c == u'?' || c == u'_') {
                item.Kind = TItem::One;
            } else if (c == u'#') {
                item.Kind = TItem::Digit;
            } else if (c == u'[' && p.indexOf(u']', i + 1) > i) {
                const qsizetype close = p.indexOf(u']', i + 1);
                QStringView list = QStringView(p).mid(i + 1, close - i - 1);
                item.Kind = TItem::List;
                if (list.startsWith(u'!') && list.size() > 1) {
                    item.Negated = true;
                    list = list.mid(1);
                }
                for (qsizetype k = 0; k < list.size(); ++k) {
                    if (k + 2 < list.size() && list[k + 1] == u'-') {
                        item.Ranges.append({list[k].unicode(), list[k + 2].unicode()});
                        k += 2;
                    } else {
                        item.Ranges.append({list[k].unicode(), list[k].unicode()});
                    }
                }
                i = close;
            } else {
                item.Kind = TItem::Char;
                item.Code = c.unicode();
            }
            m_items.append(item);
        }
    }

    bool Matches(QStringView value) const {
        const QString v = value.toString().toCaseFolded();
        // Greedy matching with a return to the last run on a mismatch.
        qsizetype p = 0, s = 0, runP = -1, runS = 0;
        while (s < v.size()) {
            if (p < m_items.size() && m_items[p].Kind != TItem::Run &&
                MatchesOne(m_items[p], v[s])) {
                ++p;
                ++s;
            } else if (p < m_items.size() && m_items[p].Kind == TItem::Run) {
                runP = ++p;
                runS = s;
            } else if (runP >= 0) {
                p = runP;
                s = ++runS;
            } else {
                return false;
            }
        }
        while (p < m_items.size() && m_items[p].Kind == TItem::Run)
            ++p;
        return p == m_items.size();
    }

private:
    struct TItem {
        enum { Char, One, Digit, Run, List } Kind = Char;
        char16_t Code = 0;
        bool Negated = false;
        QVarLengthArray<std::pair<char16_t, char16_t>, 4> Ranges;
    };

    static bool MatchesOne(const TItem& item, QChar c) {
        switch (item.Kind) {
        case TItem::Char:
            return c.unicode() == item.Code;
        case TItem::One:
            return true;
        case TItem::Digit:
            return c >= u'0' && c <= u'9';
        case TItem::List: {
            bool in = false;
            for (const auto& [low, high] : item.Ranges)
                in = in || (c.unicode() >= low && c.unicode() <= high);
            return in != item.Negated;
        }
        case TItem::Run:
            break;
        }
        return false;
    }

    QList<TItem> m_items;
};

} // namespace

// ==========================================================================
// Calls from SQLite
// ==========================================================================

namespace {

// An error a Jet function raises; the statement fails with its message.
struct TJetError {
    const char* Message;
};

const TJetError kTypeMismatch{"type mismatch"};
const TJetError kOverflow{"overflow"};
const TJetError kInvalidArgument{"invalid procedure call or argument"};

QString TextOf(sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return QString::number(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
        return NumberText(sqlite3_value_double(v));
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
        return text ? QString::fromUtf8(text, sqlite3_value_bytes(v)) : QString();
    }
    }
}

// One call of a Jet function: its arguments read the Jet way, its result.
class TCall {
public:
    TCall(sqlite3_context* ctx, int argc, sqlite3_value** argv)
        : m_ctx(ctx), m_argc(argc), m_argv(argv) {}

    int Count() const { return m_argc; }
    sqlite3_value* Value(int i) const { return m_argv[i]; }
    int Type(int i) const { return sqlite3_value_type(m_argv[i]); }
    bool IsNull(int i) const { return Type(i) == SQLITE_NULL; }
    bool Has(int i) const { return i < m_argc && !IsNull(i); }
    bool IsNumber(int i) const { return Type(i) == SQLITE_INTEGER || Type(i) == SQLITE_FLOAT; }

    // A text the way Jet converts a value to text (numbers with a decimal comma).
    QString Text(int i) const { return TextOf(m_argv[i]); }

    // A number: numbers as they are, numeric texts, dates as date numbers.
    std::optional<double> TryNumber(int i) const {
        switch (Type(i)) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            return sqlite3_value_double(m_argv[i]);
        case SQLITE_TEXT: {
            const QString t = Text(i);
            double v = 0;
            if (ParseNumberText(t, v))
                return v;
            TJetDate d;
            if (ParseIsoDate(t, d))
                return DateToSerial(d);
            return std::nullopt;
        }
        default:
            return std::nullopt;
        }
    }
    double Number(int i) const {
        const auto v = TryNumber(i);
        if (!v)
            throw kTypeMismatch;
        return *v;
    }
    // A whole number, rounded half to even as Jet does before integer operations.
    qint64 Whole(int i) const {
        if (Type(i) == SQLITE_INTEGER)
            return sqlite3_value_int64(m_argv[i]);
        const double v = RoundHalfEven(Number(i), 0);
        if (!(std::fabs(v) < 9.2e18))
            throw kOverflow;
        return static_cast<qint64>(v);
    }
    int Int32(int i) const {
        const qint64 v = Whole(i);
        if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
            throw kOverflow;
        return static_cast<int>(v);
    }

    // A date: date texts (stored ISO 8601, or as a French system writes
    // them), date numbers.
    std::optional<TJetDate> TryDate(int i) const {
        if (IsNumber(i))
            return SerialToDate(sqlite3_value_double(m_argv[i]));
        if (Type(i) != SQLITE_TEXT)
            return std::nullopt;
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(m_argv[i]));
        const int bytes = sqlite3_value_bytes(m_argv[i]);
        TJetDate d;
        // The stored form is ASCII: read it without converting the text.
        if (bytes >= 10 && bytes <= 26) {
            char16_t buffer[26];
            bool ascii = true;
            for (int k = 0; k < bytes; ++k) {
                ascii = ascii && static_cast<unsigned char>(text[k]) < 0x80;
                buffer[k] = static_cast<char16_t>(text[k]);
            }
            if (ascii && ParseIsoDate(QStringView(buffer, bytes), d))
                return d;
        }
        if (ParseDateText(QString::fromUtf8(text, bytes), false, d))
            return d;
        return std::nullopt;
    }
    TJetDate Date(int i) const {
        const auto d = TryDate(i);
        if (!d)
            throw kTypeMismatch;
        return *d;
    }

    void SetNull() { sqlite3_result_null(m_ctx); }
    void SetText(const QString& s) {
        const QByteArray utf8 = s.toUtf8();
        sqlite3_result_text(m_ctx, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void SetInteger(qint64 v) { sqlite3_result_int64(m_ctx, v); }
    void SetDouble(double v) {
        if (!std::isfinite(v))
            throw kOverflow;
        sqlite3_result_double(m_ctx, v);
    }
    // An integer when the value is whole, else a real.
    void SetNumber(double v) {
        if (v == std::trunc(v) && std::fabs(v) < 9e15)
            SetInteger(static_cast<qint64>(v));
        else
            SetDouble(v);
    }
    void SetBoolean(bool v) { SetInteger(v ? -1 : 0); }
    void SetDate(const std::optional<TJetDate>& d) {
        if (!d)
            throw kOverflow;
        SetText(DateText(*d));
    }
    void SetValue(int i) { sqlite3_result_value(m_ctx, m_argv[i]); }
    sqlite3_context* Context() const { return m_ctx; }

private:
    sqlite3_context* m_ctx;
    int m_argc;
    sqlite3_value** m_argv;
};

// Jet's compare argument: 0 binary, 1 text; -1 (and no argument) the
// database's rule, which is text.
Qt::CaseSensitivity CompareMode(const TCall& c, int i) {
    if (!c.Has(i))
        return Qt::CaseInsensitive;
    const qint64 mode = c.Whole(i);
    if (mode == 0)
        return Qt::CaseSensitive;
    if (mode == 1 || mode == 2 || mode == -1)
        return Qt::CaseInsensitive;
    throw kInvalidArgument;
}

constexpr qsizetype kMaxText = 50'000'000;

// Windows-1252, the code page of Chr and Asc: the codes 128-159 differ from Latin-1.
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QChar AnsiChar(qint64 code) {
    if (code < 0 || code > 255)
        throw kInvalidArgument;
    return code >= 128 && code < 160 ? QChar(kCp1252High[code - 128]) : QChar(char16_t(code));
}

int AnsiCode(QChar c) {
    const char16_t u = c.unicode();
    if (u < 128 || (u >= 160 && u < 256))
        return u;
    for (int k = 0; k < 32; ++k)
        if (kCp1252High[k] == u)
            return 128 + k;
    return '?';
}

// --- Text functions ------------------------------------------------------------

void FnUCase(TCall& c) {
    c.SetText(c.Text(0).toUpper());
}
void FnLCase(TCall& c) {
    c.SetText(c.Text(0).toLower());
}
void FnLen(TCall& c) {
    c.SetInteger(c.Text(0).size());
}

qsizetype Length(const TCall& c, int i) {
    const qint64 n = c.Whole(i);
    if (n < 0)
        throw kInvalidArgument;
    return static_cast<qsizetype>(std::min<qint64>(n, kMaxText));
}

void FnLeft(TCall& c) {
    c.SetText(c.Text(0).left(Length(c, 1)));
}
void FnRight(TCall& c) {
    c.SetText(c.Text(0).right(Length(c, 1)));
}

void FnMid(TCall& c) {
    const QString s = c.Text(0);
    const qint64 start = c.Whole(1);
    if (start < 1)
        throw kInvalidArgument;
    if (start > s.size())
        return c.SetText(QString());
    c.SetText(c.Count() > 2 ? s.mid(start - 1, Length(c, 2)) : s.mid(start - 1));
}

// InStr([start,] text, sought[, compare]).
void FnInStr(TCall& c) {
    const bool withStart = c.Count() >= 3;
    const int textAt = withStart ? 1 : 0;
    if (c.IsNull(textAt) || c.IsNull(textAt + 1))
        return c.SetNull();
    const qint64 start = withStart ? c.Whole(0) : 1;
    if (start < 1)
        throw kInvalidArgument;
    const QString text = c.Text(textAt), sought = c.Text(textAt + 1);
    const Qt::CaseSensitivity cs = CompareMode(c, 3);
    if (text.isEmpty() || start > text.size())
        return c.SetInteger(0);
    if (sought.isEmpty())
        return c.SetInteger(start);
    c.SetInteger(text.indexOf(sought, start - 1, cs) + 1);
}

void FnTrim(TCall& c) {
    const QString s = c.Text(0);
    qsizetype a = 0, b = s.size();
    while (a < b && s[a] == u' ')
        ++a;
    while (b > a && s[b - 1] == u' ')
        --b;
    c.SetText(s.mid(a, b - a));
}
void FnLTrim(TCall& c) {
    const QString s = c.Text(0);
    qsizetype a = 0;
    while (a < s.size() && s[a] == u' ')
        ++a;
    c.SetText(s.mid(a));
}
void FnRTrim(TCall& c) {
    QString s = c.Text(0);
    qsizetype b = s.size();
    while (b > 0 && s[b - 1] == u' ')
        --b;
    s.truncate(b);
    c.SetText(s);
}

void FnSpace(TCall& c) {
    c.SetText(QString(Length(c, 0), u' '));
}

void FnString(TCall& c) {
    const qsizetype n = Length(c, 0);
    QChar ch;
    if (c.IsNumber(1)) {
        ch = AnsiChar(c.Whole(1) & 0xFF);
    } else {
        const QString s = c.Text(1);
        if (s.isEmpty())
            throw kInvalidArgument;
        ch = s[0];
    }
    c.SetText(QString(n, ch));
}

// Replace(text, find, by[, start[, count[, compare]]]): the result begins at start.
void FnReplace(TCall& c) {
    const QString text = c.Text(0), find = c.Text(1), by = c.Text(2);
    const qint64 start = c.Count() > 3 ? c.Whole(3) : 1;
    const qint64 count = c.Count() > 4 ? c.Whole(4) : -1;
    if (start < 1 || count < -1)
        throw kInvalidArgument;
    const Qt::CaseSensitivity cs = CompareMode(c, 5);
    if (start > text.size())
        return c.SetText(QString());
    const QString rest = text.mid(start - 1);
    if (find.isEmpty() || count == 0)
        return c.SetText(rest);
    QString out;
    qsizetype from = 0, done = 0;
    for (;;) {
        const qsizetype at = (count < 0 || done < count) ? rest.indexOf(find, from, cs) : -1;
        if (at < 0)
            break;
        out += QStringView(rest).mid(from, at - from);
        out += by;
        from = at + find.size();
        ++done;
        if (out.size() > kMaxText)
            throw kOverflow;
    }
    out += QStringView(rest).mid(from);
    c.SetText(out);
}

void FnStrComp(TCall& c) {
    const QString a = c.Text(0), b = c.Text(1);
    int r;
    if (CompareMode(c, 2) == Qt::CaseSensitive)
        r = QString::compare(a, b, Qt::CaseSensitive);
    else
        r = CompareText(a, b);
    c.SetInteger(r < 0 ? -1 : (r > 0 ? 1 : 0));
}

void FnChr(TCall& c) {
    c.SetText(QString(AnsiChar(c.Whole(0))));
}
void FnChrW(TCall& c) {
    qint64 code = c.Whole(0);
    if (code < 0 && code >= -32768)
        code += 65536;
    if (code < 0 || code > 0xFFFF)
        throw kInvalidArgument;
    c.SetText(QString(QChar(char16_t(code))));
}
void FnAsc(TCall& c) {
    const QString s = c.Text(0);
    if (s.isEmpty())
        throw kInvalidArgument;
    c.SetInteger(AnsiCode(s[0]));
}
void FnAscW(TCall& c) {
    const QString s = c.Text(0);
    if (s.isEmpty())
        throw kInvalidArgument;
    c.SetInteger(s[0].unicode());
}

// Str: the number with a point as decimal separator and a leading blank
// for the sign of a positive number.
void FnStr(TCall& c) {
    const double v = c.Number(0);
    QString s;
    if (v == std::trunc(v) && std::fabs(v) < 1e15)
        s = QString::number(static_cast<qint64>(v));
    else
        s = QString::number(v, 'g', 15).replace(u'e', u'E');
    c.SetText(v >= 0 ? u' ' + s : s);
}

void FnCStr(TCall& c) {
    c.SetText(c.Text(0));
}

void FnHex(TCall& c) {
    const qint64 v = c.Whole(0);
    const quint64 bits = v < 0 && v >= std::numeric_limits<int>::min()
                             ? static_cast<quint32>(static_cast<qint32>(v))
                             : static_cast<quint64>(v);
    c.SetText(QString::number(bits, 16).toUpper());
}
void FnOct(TCall& c) {
    const qint64 v = c.Whole(0);
    const quint64 bits = v < 0 && v >= std::numeric_limits<int>::min()
                             ? static_cast<quint32>(static_cast<qint32>(v))
                             : static_cast<quint64>(v);
    c.SetText(QString::number(bits, 8));
}

// --- Conversions and tests -----------------------------------------------------

void FnVal(TCall& c) {
    if (c.IsNumber(0))
        return c.SetValue(0);
    c.SetDouble(LeadingNumber(c.Text(0)));
}

void FnIsNull(TCall& c) {
    c.SetBoolean(c.IsNull(0));
}
void FnIsNumeric(TCall& c) {
    double v = 0;
    c.SetBoolean(c.IsNumber(0) || (c.Type(0) == SQLITE_TEXT && ParseNumberText(c.Text(0), v)));
}
void FnIsDate(TCall& c) {
    c.SetBoolean(c.Type(0) == SQLITE_TEXT && c.TryDate(0).has_value());
}

void FnCInt(TCall& c) {
    const qint64 v = c.Whole(0);
    if (v < -32768 || v > 32767)
        throw kOverflow;
    c.SetInteger(v);
}
void FnCLng(TCall& c) {
    c.SetInteger(c.Int32(0));
}
void FnCDbl(TCall& c) {
    c.SetDouble(c.Number(0));
}
void FnCSng(TCall& c) {
    const double v = c.Number(0);
    if (std::fabs(v) > 3.402823e38)
        throw kOverflow;
    c.SetDouble(QString::number(v, 'g', 7).toDouble());
}
// Currency keeps four decimals, rounded half to even.
void FnCCur(TCall& c) {
    const double v = c.Number(0);
    if (std::fabs(v) > 922337203685477.0)
        throw kOverflow;
    c.SetDouble(RoundHalfEven(v, 4));
}
void FnCBool(TCall& c) {
    if (c.Type(0) == SQLITE_TEXT) {
        const QString t = c.Text(0).trimmed().toLower();
        if (t == u"true" || t == u"vrai")
            return c.SetBoolean(true);
        if (t == u"false" || t == u"faux")
            return c.SetBoolean(false);
    }
    c.SetBoolean(c.Number(0) != 0);
}
void FnCDate(TCall& c) {
    c.SetDate(c.Date(0));
}

void FnIIf(TCall& c) {
    const bool condition = !c.IsNull(0) && sqlite3_value_double(c.Value(0)) != 0.0;
    c.SetValue(condition ? 1 : 2);
}

void FnNz(TCall& c) {
    if (!c.IsNull(0))
        return c.SetValue(0);
    if (c.Count() > 1)
        return c.SetValue(1);
    c.SetText(QString());
}

// Switch(condition, value, ...): the value of the first true condition.
void FnSwitch(TCall& c) {
    if (c.Count() % 2)
        throw kInvalidArgument;
    for (int i = 0; i + 1 < c.Count(); i += 2)
        if (!c.IsNull(i) && c.Number(i) != 0)
            return c.SetValue(i + 1);
    c.SetNull();
}

// Choose(index, first, second, ...).
void FnChoose(TCall& c) {
    if (c.IsNull(0))
        return c.SetNull();
    const qint64 index = c.Whole(0);
    if (index < 1 || index >= c.Count())
        return c.SetNull();
    c.SetValue(static_cast<int>(index));
}

// --- Numbers ---------------------------------------------------------------------

void FnAbs(TCall& c) {
    if (c.Type(0) == SQLITE_INTEGER &&
        sqlite3_value_int64(c.Value(0)) != std::numeric_limits<qint64>::min())
        return c.SetInteger(std::llabs(sqlite3_value_int64(c.Value(0))));
    c.SetNumber(std::fabs(c.Number(0)));
}
void FnInt(TCall& c) {
    if (c.Type(0) == SQLITE_INTEGER)
        return c.SetValue(0);
    c.SetNumber(std::floor(c.Number(0)));
}
void FnFix(TCall& c) {
    if (c.Type(0) == SQLITE_INTEGER)
        return c.SetValue(0);
    c.SetNumber(std::trunc(c.Number(0)));
}
// Round(x[, decimals]): half to even, on the decimal digits (Round(2.5) = 2,
// Round(3.5) = 4, Round(2.675, 2) = 2.68).
void FnRound(TCall& c) {
    const qint64 decimals = c.Count() > 1 ? c.Whole(1) : 0;
    if (decimals < 0 || decimals > 22)
        throw kInvalidArgument;
    if (c.Type(0) == SQLITE_INTEGER)
        return c.SetValue(0);
    const double v = RoundHalfEven(c.Number(0), static_cast<int>(decimals));
    if (decimals == 0)
        c.SetNumber(v);
    else
        c.SetDouble(v);
}
void FnSgn(TCall& c) {
    const double v = c.Number(0);
    c.SetInteger(v > 0 ? 1 : (v < 0 ? -1 : 0));
}
void FnSqr(TCall& c) {
    const double v = c.Number(0);
    if (v < 0)
        throw kInvalidArgument;
    c.SetDouble(std::sqrt(v));
}
void FnExp(TCall& c) {
    c.SetDouble(std::exp(c.Number(0)));
}
void FnLog(TCall& c) {
    const double v = c.Number(0);
    if (v <= 0)
        throw kInvalidArgument;
    c.SetDouble(std::log(v));
}

// --- Operators ---------------------------------------------------------------------

// a & b & c: null counts as empty text; the result is null when all are.
void FnConcat(TCall& c) {
    QString out;
    bool any = false;
    for (int i = 0; i < c.Count(); ++i) {
        if (c.IsNull(i))
            continue;
        any = true;
        out += c.Text(i);
    }
    if (!any)
        return c.SetNull();
    c.SetText(out);
}

std::optional<TJetDate> StoredDate(const TCall& c, int i) {
    if (c.Type(i) != SQLITE_TEXT)
        return std::nullopt;
    TJetDate d;
    if (ParseIsoDate(c.Text(i), d))
        return d;
    return std::nullopt;
}

std::optional<TJetDate> AddDays(const TJetDate& d, double days) {
    if (!std::isfinite(days) || std::fabs(days) > 4e6)
        return std::nullopt;
    return FromAbsoluteSeconds(AbsoluteSeconds(d) + std::llround(days * kSecondsPerDay));
}

void AddNumbers(TCall& c, bool subtract) {
    if (c.Type(0) == SQLITE_INTEGER && c.Type(1) == SQLITE_INTEGER) {
        const qint64 a = sqlite3_value_int64(c.Value(0)), b = sqlite3_value_int64(c.Value(1));
        qint64 r;
        if (!(subtract ? __builtin_sub_overflow(a, b, &r) : __builtin_add_overflow(a, b, &r)))
            return c.SetInteger(r);
    }
    const double a = c.Number(0), b = c.Number(1);
    const double r = subtract ? a - b : a + b;
    if (c.Type(0) == SQLITE_FLOAT || c.Type(1) == SQLITE_FLOAT)
        c.SetDouble(r);
    else
        c.SetNumber(r);
}

// a + b: texts concatenate, a date and a number add days, dates add as date
// numbers, null wins.
void FnAdd(TCall& c) {
    if (c.IsNull(0) || c.IsNull(1))
        return c.SetNull();
    const auto da = StoredDate(c, 0), db = StoredDate(c, 1);
    if (da && db)
        return c.SetDate(SerialToDate(DateToSerial(*da) + DateToSerial(*db)));
    if (da && c.IsNumber(1))
        return c.SetDate(AddDays(*da, c.Number(1)));
    if (db && c.IsNumber(0))
        return c.SetDate(AddDays(*db, c.Number(0)));
    if (c.Type(0) == SQLITE_TEXT && c.Type(1) == SQLITE_TEXT)
        return c.SetText(c.Text(0) + c.Text(1));
    AddNumbers(c, false);
}

// a - b: the days between two dates, a date some days earlier, or a difference.
void FnSub(TCall& c) {
    if (c.IsNull(0) || c.IsNull(1))
        return c.SetNull();
    const auto da = StoredDate(c, 0), db = StoredDate(c, 1);
    if (da && db)
        return c.SetNumber(DateToSerial(*da) - DateToSerial(*db));
    if (da && c.IsNumber(1))
        return c.SetDate(AddDays(*da, -c.Number(1)));
    AddNumbers(c, true);
}

// a / b: always a real division. Division by zero gives null, as SQLite's own.
void FnDiv(TCall& c) {
    const double b = c.Number(1);
    if (b == 0)
        return c.SetNull();
    c.SetDouble(c.Number(0) / b);
}
// a \ b and a Mod b: on the operands rounded half to even; the remainder has
// the sign of the dividend.
void FnIntDiv(TCall& c) {
    const qint64 b = c.Whole(1);
    if (b == 0)
        return c.SetNull();
    const qint64 a = c.Whole(0);
    c.SetInteger(b == -1 ? -a : a / b);
}
void FnMod(TCall& c) {
    const qint64 b = c.Whole(1);
    if (b == 0)
        return c.SetNull();
    c.SetInteger(b == -1 ? 0 : c.Whole(0) % b);
}
void FnPow(TCall& c) {
    const double r = std::pow(c.Number(0), c.Number(1));
    if (std::isnan(r))
        throw kInvalidArgument;
    c.SetDouble(r);
}
void FnXor(TCall& c) {
    c.SetInteger(c.Whole(0) ^ c.Whole(1));
}
void FnEqv(TCall& c) {
    c.SetInteger(~(c.Whole(0) ^ c.Whole(1)));
}
void FnImp(TCall& c) {
    c.SetInteger(~c.Whole(0) | c.Whole(1));
}

void FnLike(TCall& c) {
    // The compiled pattern is kept while the pattern argument stays the same.
    auto* pattern = static_cast<TLikePattern*>(sqlite3_get_auxdata(c.Context(), 1));
    if (!pattern) {
        auto* fresh = new TLikePattern(c.Text(1));
        sqlite3_set_auxdata(c.Context(), 1, fresh,
                            [](void* p) { delete static_cast<TLikePattern*>(p); });
        pattern = static_cast<TLikePattern*>(sqlite3_get_auxdata(c.Context(), 1));
        if (!pattern) // not kept (or out of memory): SQLite has deleted it
            return c.SetBoolean(TLikePattern(c.Text(1)).Matches(c.Text(0)));
    }
    c.SetBoolean(pattern->Matches(c.Text(0)));
}

} // namespace

// ==========================================================================
// Dates and Format
// ==========================================================================

namespace {

// Sunday = 1 ... Saturday = 7.
int SundayWeekday(const QDate& d) {
    return d.dayOfWeek() % 7 + 1;
}

// Jet's firstdayofweek: 1 Sunday ... 7 Saturday; 0 the system's (Monday here).
int FirstDayOfWeek(const TCall& c, int i, int fallback = 1) {
    if (!c.Has(i))
        return fallback;
    const qint64 f = c.Whole(i);
    if (f == 0)
        return 2;
    if (f < 1 || f > 7)
        throw kInvalidArgument;
    return static_cast<int>(f);
}

// Jet's firstweekofyear: 1 the week of January 1, 2 the first week with four
// days, 3 the first full week; 0 the system's (four days here).
int FirstWeekOfYear(const TCall& c, int i) {
    if (!c.Has(i))
        return 1;
    const qint64 w = c.Whole(i);
    if (w == 0)
        return 2;
    if (w < 1 || w > 3)
        throw kInvalidArgument;
    return static_cast<int>(w);
}

int Weekday(const QDate& d, int firstDay) {
    return (SundayWeekday(d) - firstDay + 7) % 7 + 1;
}

QDate WeekStart(const QDate& d, int firstDay) {
    return d.addDays(1 - Weekday(d, firstDay));
}

QDate FirstWeekStart(int year, int firstDay, int firstWeek) {
    const QDate jan1(year, 1, 1);
    QDate start = WeekStart(jan1, firstDay);
    if ((firstWeek == 2 && start.daysTo(jan1) >= 4) || (firstWeek == 3 && start != jan1))
        start = start.addDays(7);
    return start;
}

int WeekOfYear(const QDate& d, int firstDay, int firstWeek) {
    QDate start = FirstWeekStart(d.year(), firstDay, firstWeek);
    if (d < start)
        start = FirstWeekStart(d.year() - 1, firstDay, firstWeek);
    return static_cast<int>(start.daysTo(d) / 7) + 1;
}

enum class TInterval { Year, Quarter, Month, DayOfYear, Day, Weekday, Week, Hour, Minute, Second };

TInterval IntervalOf(const TCall& c, int i) {
    const QString s = c.Text(i).trimmed().toLower();
    if (s == u"yyyy")
        return TInterval::Year;
    if (s == u"q")
        return TInterval::Quarter;
    if (s == u"m")
        return TInterval::Month;
    if (s == u"y")
        return TInterval::DayOfYear;
    if (s == u"d")
        return TInterval::Day;
    if (s == u"w")
        return TInterval::Weekday;
    if (s == u"ww")
        return TInterval::Week;
    if (s == u"h")
        return TInterval::Hour;
    if (s == u"n")
        return TInterval::Minute;
    if (s == u"s")
        return TInterval::Second;
    throw kInvalidArgument;
}

void FnNow(TCall& c) {
    const QDateTime now = QDateTime::currentDateTime();
    c.SetDate(TJetDate{now.date(), now.time().msecsSinceStartOfDay() / 1000});
}
void FnToday(TCall& c) {
    c.SetDate(TJetDate{QDate::currentDate(), 0});
}
void FnTimeNow(TCall& c) {
    c.SetDate(TJetDate{DayZero(), QTime::currentTime().msecsSinceStartOfDay() / 1000});
}

void FnYear(TCall& c) {
    c.SetInteger(c.Date(0).Date.year());
}
void FnMonth(TCall& c) {
    c.SetInteger(c.Date(0).Date.month());
}
void FnDay(TCall& c) {
    c.SetInteger(c.Date(0).Date.day());
}
void FnHour(TCall& c) {
    c.SetInteger(c.Date(0).Seconds / 3600);
}
void FnMinute(TCall& c) {
    c.SetInteger(c.Date(0).Seconds / 60 % 60);
}
void FnSecond(TCall& c) {
    c.SetInteger(c.Date(0).Seconds % 60);
}
void FnWeekday(TCall& c) {
    c.SetInteger(Weekday(c.Date(0).Date, FirstDayOfWeek(c, 1)));
}

// DateAdd(interval, number, date): months and years keep the day when the
// month has it, else take the month's last day; the number is truncated.
void FnDateAdd(TCall& c) {
    const TInterval interval = IntervalOf(c, 0);
    const double number = std::trunc(c.Number(1));
    const TJetDate d = c.Date(2);
    if (std::fabs(number) > 1e9)
        throw kOverflow;
    const int n = static_cast<int>(number);
    TJetDate r = d;
    switch (interval) {
    case TInterval::Year:
        r.Date = d.Date.addYears(n);
        break;
    case TInterval::Quarter:
        r.Date = d.Date.addMonths(3 * n);
        break;
    case TInterval::Month:
        r.Date = d.Date.addMonths(n);
        break;
    case TInterval::DayOfYear:
    case TInterval::Day:
    case TInterval::Weekday:
        r.Date = d.Date.addDays(n);
        break;
    case TInterval::Week:
        r.Date = d.Date.addDays(7 * qint64(n));
        break;
    case TInterval::Hour:
        return c.SetDate(FromAbsoluteSeconds(AbsoluteSeconds(d) + 3600 * qint64(n)));
    case TInterval::Minute:
        return c.SetDate(FromAbsoluteSeconds(AbsoluteSeconds(d) + 60 * qint64(n)));
    case TInterval::Second:
        return c.SetDate(FromAbsoluteSeconds(AbsoluteSeconds(d) + n));
    }
    c.SetDate(InJetRange(r.Date) ? std::optional<TJetDate>(r) : std::nullopt);
}

qint64 FloorDiv(qint64 a, qint64 b) {
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// DateDiff(interval, date1, date2[, firstdayofweek]): the number of interval
// boundaries crossed from date1 to date2 (year ends, month ends, midnights,
// week starts, hours...); "w" counts whole weeks.
void FnDateDiff(TCall& c) {
    const TInterval interval = IntervalOf(c, 0);
    const TJetDate a = c.Date(1), b = c.Date(2);
    const int firstDay = FirstDayOfWeek(c, 3);
    qint64 r = 0;
    switch (interval) {
    case TInterval::Year:
        r = b.Date.year() - a.Date.year();
        break;
    case TInterval::Quarter:
        r = (b.Date.year() * 4 + (b.Date.month() - 1) / 3) -
            (a.Date.year() * 4 + (a.Date.month() - 1) / 3);
        break;
    case TInterval::Month:
        r = (b.Date.year() * 12 + b.Date.month()) - (a.Date.year() * 12 + a.Date.month());
        break;
    case TInterval::DayOfYear:
    case TInterval::Day:
        r = a.Date.daysTo(b.Date);
        break;
    case TInterval::Weekday:
        r = a.Date.daysTo(b.Date) / 7;
        break;
    case TInterval::Week:
        r = WeekStart(a.Date, firstDay).daysTo(WeekStart(b.Date, firstDay)) / 7;
        break;
    case TInterval::Hour:
        r = FloorDiv(AbsoluteSeconds(b), 3600) - FloorDiv(AbsoluteSeconds(a), 3600);
        break;
    case TInterval::Minute:
        r = FloorDiv(AbsoluteSeconds(b), 60) - FloorDiv(AbsoluteSeconds(a), 60);
        break;
    case TInterval::Second:
        r = AbsoluteSeconds(b) - AbsoluteSeconds(a);
        break;
    }
    c.SetInteger(r);
}

// DatePart(interval, date[, firstdayofweek[, firstweekofyear]]).
void FnDatePart(TCall& c) {
    const TInterval interval = IntervalOf(c, 0);
    const TJetDate d = c.Date(1);
    const int firstDay = FirstDayOfWeek(c, 2);
    switch (interval) {
    case TInterval::Year:
        return c.SetInteger(d.Date.year());
    case TInterval::Quarter:
        return c.SetInteger((d.Date.month() - 1) / 3 + 1);
    case TInterval::Month:
        return c.SetInteger(d.Date.month());
    case TInterval::DayOfYear:
        return c.SetInteger(d.Date.dayOfYear());
    case TInterval::Day:
        return c.SetInteger(d.Date.day());
    case TInterval::Weekday:
        return c.SetInteger(Weekday(d.Date, firstDay));
    case TInterval::Week:
        return c.SetInteger(WeekOfYear(d.Date, firstDay, FirstWeekOfYear(c, 3)));
    case TInterval::Hour:
        return c.SetInteger(d.Seconds / 3600);
    case TInterval::Minute:
        return c.SetInteger(d.Seconds / 60 % 60);
    case TInterval::Second:
        return c.SetInteger(d.Seconds % 60);
    }
}

// DateSerial(year, month, day): months and days beyond their range carry
// over (DateSerial(2024, 13, 1) is 2025-01-01, day 0 the month's eve).
void FnDateSerial(TCall& c) {
    const qint64 y = c.Whole(0), m = c.Whole(1), d = c.Whole(2);
    if (y < 0 || y > 9999 || std::llabs(m) > 120000 || std::llabs(d) > 4000000)
        throw kOverflow;
    const int year = WindowYear(static_cast<int>(y), y < 100 ? 2 : 4);
    const QDate date = QDate(year, 1, 1).addMonths(static_cast<int>(m - 1)).addDays(d - 1);
    c.SetDate(InJetRange(date) ? std::optional<TJetDate>(TJetDate{date, 0}) : std::nullopt);
}

void FnTimeSerial(TCall& c) {
    const qint64 h = c.Whole(0), m = c.Whole(1), s = c.Whole(2);
    if (std::llabs(h) > 1000000 || std::llabs(m) > 60000000 || std::llabs(s) > 3600000000LL)
        throw kOverflow;
    c.SetDate(FromAbsoluteSeconds(AbsoluteSeconds(TJetDate{DayZero(), 0}) + h * 3600 + m * 60 + s));
}

void FnDateValue(TCall& c) {
    c.SetDate(TJetDate{c.Date(0).Date, 0});
}
void FnTimeValue(TCall& c) {
    c.SetDate(TJetDate{DayZero(), c.Date(0).Seconds});
}

void FnMonthName(TCall& c) {
    const qint64 m = c.Whole(0);
    if (m < 1 || m > 12)
        throw kInvalidArgument;
    const bool shortName = c.Has(1) && c.Number(1) != 0;
    c.SetText(QString::fromUtf16(shortName ? kMonthShortNames[m - 1] : kMonthNames[m - 1]));
}

void FnWeekdayName(TCall& c) {
    const qint64 w = c.Whole(0);
    if (w < 1 || w > 7)
        throw kInvalidArgument;
    const bool shortName = c.Has(1) && c.Number(1) != 0;
    const int firstDay = FirstDayOfWeek(c, 2);
    const int sunday = static_cast<int>((w - 1 + firstDay - 1) % 7); // 0 = Sunday
    c.SetText(QString::fromUtf16(shortName ? kDayShortNames[sunday] : kDayNames[sunday]));
}

// --- Format ----------------------------------------------------------------------

// Splits a format on its unquoted semicolons.
QStringList FormatSections(const QString& f) {
    QStringList sections;
    QString current;
    for (qsizetype i = 0; i < f.size(); ++i) {
        const QChar ch = f[i];
        if (ch == u'"') {
            const qsizetype close = f.indexOf(u'"', i + 1);
            const qsizetype end = close < 0 ? f.size() : close + 1;
            current += QStringView(f).mid(i, end - i);
            i = end - 1;
        } else if (ch == u'\\' && i + 1 < f.size()) {
            current += QStringView(f).mid(i, 2);
            ++i;
        } else if (ch == u';') {
            sections.append(current);
            current.clear();
        } else {
            current += ch;
        }
    }
    sections.append(current);
    return sections;
}

enum class TFormatKind { Number, Date, Text };

TFormatKind FormatKindOf(const QString& f) {
    bool digits = false, dates = false, texts = false;
    for (qsizetype i = 0; i < f.size(); ++i) {
        const QChar ch = f[i];
        if (ch == u'"') {
            const qsizetype close = f.indexOf(u'"', i + 1);
            i = close < 0 ? f.size() : close;
        } else if (ch == u'\\') {
            ++i;
        } else if (ch == u'0' || ch == u'#') {
            digits = true;
        } else if (QStringView(u"dmyhnswqctDMYHNSWQCT").contains(ch) ||
                   QStringView(f).mid(i, 3).compare(u"a/p", Qt::CaseInsensitive) == 0) {
            dates = true;
        } else if (ch == u'@' || ch == u'&' || ch == u'<' || ch == u'>' || ch == u'!') {
            texts = true;
        }
    }
    if (digits)
        return TFormatKind::Number;
    if (dates)
        return TFormatKind::Date;
    return texts ? TFormatKind::Text : TFormatKind::Number;
}

QString GroupDigits(const QString& digits) {
    QString out;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += kNbsp;
        out += digits[i];
    }
    return out;
}

// One section of a number format: 0 and # digits, . the decimal comma, ,
// thousands (non-breaking spaces), % a percentage, E+00 an exponent, "text"
// and \c literals. Rounds half away from zero.
QString FormatNumberSection(double v, const QString& section) {
    struct TItem {
        enum { Literal, Zero, Hash, Point, Exponent } Kind;
        QString Text;   // the literal, or "E+" / "e-"...
        int Digits = 0; // exponent digits
    };
    QList<TItem> items;
    bool grouping = false, percent = false, seenPoint = false;
    qsizetype thousandsScale = 0;
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar ch = section[i];
        if (ch == u'"') {
            const qsizetype close = section.indexOf(u'"', i + 1);
            const qsizetype end = close < 0 ? section.size() : close;
            items.append(TItem{TItem::Literal, section.mid(i + 1, end - i - 1)});
            i = end;
        } else if (ch == u'\\' && i + 1 < section.size()) {
            items.append(TItem{TItem::Literal, QString(section[++i])});
        } else if (ch == u'0' || ch == u'#') {
            items.append(TItem{ch == u'0' ? TItem::Zero : TItem::Hash, {}});
        } else if (ch == u'.' && !seenPoint) {
            seenPoint = true;
            items.append(TItem{TItem::Point, {}});
        } else if (ch == u',' && !seenPoint) {
            // Between digits: thousands; before the point or the end: a scale.
            const bool digitAfter =
                i + 1 < section.size() && (section[i + 1] == u'0' || section[i + 1] == u'#');
            if (digitAfter)
                grouping = true;
            else
                ++thousandsScale;
        } else if ((ch == u'E' || ch == u'e') && i + 2 < section.size() &&
                   (section[i + 1] == u'+' || section[i + 1] == u'-') &&
                   (section[i + 2] == u'0' || section[i + 2] == u'#')) {
            qsizetype j = i + 2;
            while (j < section.size() && (section[j] == u'0' || section[j] == u'#'))
                ++j;
            items.append(TItem{TItem::Exponent, section.mid(i, 2), int(j - i - 2)});
            i = j - 1;
        } else if (ch == u'%') {
            percent = true;
            items.append(TItem{TItem::Literal, QStringLiteral("%")});
        } else {
            items.append(TItem{TItem::Literal, QString(ch)});
        }
    }
    if (percent)
        v *= 100;
    for (qsizetype k = 0; k < thousandsScale; ++k)
        v /= 1000;

    int intPlaces = 0, intZeros = 0, fracPlaces = 0;
    qsizetype exponentAt = -1;
    bool afterPoint = false;
    for (qsizetype k = 0; k < items.size(); ++k) {
        const TItem& it = items[k];
        if (it.Kind == TItem::Point)
            afterPoint = true;
        else if (it.Kind == TItem::Exponent) {
            exponentAt = k;
            break;
        } else if (it.Kind == TItem::Zero || it.Kind == TItem::Hash) {
            if (afterPoint)
                ++fracPlaces;
            else {
                ++intPlaces;
                intZeros += it.Kind == TItem::Zero;
            }
        }
    }
    const bool negative = v < 0;
    v = std::fabs(v);
    int exponent = 0;
    if (exponentAt >= 0 && v != 0) {
        exponent = static_cast<int>(std::floor(std::log10(v))) - (std::max(intPlaces, 1) - 1);
        const TDecimal m = ToDecimal(v / std::pow(10.0, exponent), fracPlaces, false);
        if (m.Whole.size() > std::max(intPlaces, 1))
            ++exponent;
        v /= std::pow(10.0, exponent);
    }
    const TDecimal d = ToDecimal(v, fracPlaces, false);
    QString whole = d.Whole;
    if (whole.size() < intZeros)
        whole = QString(intZeros - whole.size(), u'0') + whole;
    if (grouping)
        whole = GroupDigits(whole);

    // Integer digits fill the placeholders from the right; the first one takes
    // what is left. Decimals fill from the left; trailing # drop their zeros.
    QString fraction = d.Fraction;
    {
        int trailingHash = 0;
        for (qsizetype k = items.size() - 1, seen = 0; k >= 0; --k) {
            const TItem& it = items[k];
            if (exponentAt >= 0 && k >= exponentAt)
                continue;
            if ((it.Kind == TItem::Zero || it.Kind == TItem::Hash) && seen < fracPlaces) {
                bool isFraction = false;
                for (qsizetype j = 0; j < k; ++j)
                    isFraction = isFraction || items[j].Kind == TItem::Point;
                if (!isFraction)
                    break;
                ++seen;
                if (it.Kind == TItem::Zero)
                    break;
                ++trailingHash;
            }
        }
        while (trailingHash-- > 0 && fraction.endsWith(u'0'))
            fraction.chop(1);
    }
    QString out;
    int intSeen = 0;
    qsizetype fracUsed = 0;
    const qsizetype wholeDigits = whole.size();
    qsizetype wholeUsed = 0;
    afterPoint = false;
    for (qsizetype k = 0; k < items.size(); ++k) {
        const TItem& it = items[k];
        switch (it.Kind) {
        case TItem::Literal:
            out += it.Text;
            break;
        case TItem::Point:
            afterPoint = true;
            out += u',';
            break;
        case TItem::Zero:
        case TItem::Hash:
            if (afterPoint) {
                if (fracUsed < fraction.size())
                    out += fraction[fracUsed++];
            } else if (grouping) {
                if (intSeen++ == 0)
                    out += whole;
            } else {
                // This placeholder's digit counted from the right.
                const int fromRight = intPlaces - 1 - intSeen++;
                if (intSeen == 1 && wholeDigits > intPlaces) {
                    wholeUsed = wholeDigits - intPlaces + 1;
                    out += QStringView(whole).left(wholeUsed);
                } else {
                    const qsizetype at = wholeDigits - 1 - fromRight;
                    if (at >= 0)
                        out += whole[at];
                }
            }
            break;
        case TItem::Exponent: {
            out += it.Text[0];
            if (exponent < 0)
                out += u'-';
            else if (it.Text[1] == u'+')
                out += u'+';
            QString e = QString::number(std::abs(exponent));
            if (e.size() < it.Digits)
                e = QString(it.Digits - e.size(), u'0') + e;
            out += e;
            break;
        }
        }
    }
    bool zero = d.Whole.isEmpty();
    for (QChar ch : d.Fraction)
        zero = zero && ch == u'0';
    return negative && !zero ? u'-' + out : out;
}

QString FormatNumber(double v, const QString& format) {
    const QStringList sections = FormatSections(format);
    auto section = [&](qsizetype i) {
        return i < sections.size() && !sections[i].isEmpty() ? sections[i] : sections[0];
    };
    if (v < 0 && sections.size() > 1 && !sections[1].isEmpty())
        return FormatNumberSection(-v, sections[1]);
    if (v == 0 && sections.size() > 2)
        return FormatNumberSection(0, section(2));
    return FormatNumberSection(v, sections[0]);
}

QString FormatDate(const TJetDate& d, const QString& format, int firstDay, int firstWeek);

QString GeneralDate(const TJetDate& d) {
    if (d.Date == DayZero() && d.Seconds)
        return FormatDate(d, QStringLiteral("hh:nn:ss"), 1, 1);
    if (!d.Seconds)
        return FormatDate(d, QStringLiteral("dd/mm/yyyy"), 1, 1);
    return FormatDate(d, QStringLiteral("dd/mm/yyyy hh:nn:ss"), 1, 1);
}

// A date format: d dd ddd dddd ddddd dddddd, w ww, m mm mmm mmmm (minutes
// after h or before s), q, y yy yyyy, h hh, n nn, s ss, ttttt, c, AM/PM
// am/pm A/P a/p AMPM, / and :, "text" and \c literals.
QString FormatDate(const TJetDate& d, const QString& format, int firstDay, int firstWeek) {
    struct TItem {
        QChar Letter; // d w m q y h n s t c, 'a' for AM/PM, 0 for a literal
        int Count = 0;
        QString Text; // the literal, or the AM/PM form
    };
    QList<TItem> items;
    bool twelveHours = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar ch = format[i];
        const QChar lower = ch.toLower();
        if (ch == u'"') {
            const qsizetype close = format.indexOf(u'"', i + 1);
            const qsizetype end = close < 0 ? format.size() : close;
            items.append(TItem{QChar(), 0, format.mid(i + 1, end - i - 1)});
            i = end + 1;
        } else if (ch == u'\\' && i + 1 < format.size()) {
            items.append(TItem{QChar(), 0, QString(format[i + 1])});
            i += 2;
        } else if (QStringView(format).mid(i, 5).compare(u"am/pm", Qt::CaseInsensitive) == 0) {
            items.append(TItem{u'a', 5, format.mid(i, 5)});
            twelveHours = true;
            i += 5;
        } else if (QStringView(format).mid(i, 3).compare(u"a/p", Qt::CaseInsensitive) == 0) {
            items.append(TItem{u'a', 3, format.mid(i, 3)});
            twelveHours = true;
            i += 3;
        } else if (QStringView(format).mid(i, 4).compare(u"ampm", Qt::CaseInsensitive) == 0) {
            items.append(TItem{u'a', 4, QStringLiteral("AM/PM")});
            twelveHours = true;
            i += 4;
        } else if (QStringView(u"dwmqyhnstc").contains(lower)) {
            qsizetype j = i;
            while (j < format.size() && format[j].toLower() == lower)
                ++j;
            items.append(TItem{lower, int(j - i), {}});
            i = j;
        } else {
            items.append(TItem{QChar(), 0, QString(ch)});
            ++i;
        }
    }
    // m and mm are minutes right after an hour or before a second.
    for (qsizetype k = 0; k < items.size(); ++k) {
        if (items[k].Letter != u'm' || items[k].Count > 2)
            continue;
        qsizetype p = k - 1, n = k + 1;
        while (p >= 0 && items[p].Letter.isNull())
            --p;
        while (n < items.size() && items[n].Letter.isNull())
            ++n;
        if ((p >= 0 && items[p].Letter == u'h') || (n < items.size() && items[n].Letter == u's'))
            items[k].Letter = u'n';
    }
    const QDate& date = d.Date;
    const int hour = d.Seconds / 3600, minute = d.Seconds / 60 % 60, second = d.Seconds % 60;
    QString out;
    auto number = [&](int v, int count) {
        if (count >= 2)
            AppendPadded(out, v, 2);
        else
            out += QString::number(v);
    };
    for (const TItem& it : items) {
        switch (it.Letter.unicode()) {
        case 0:
            out += it.Text;
            break;
        case u'd':
            if (it.Count <= 2)
                number(date.day(), it.Count);
            else if (it.Count == 3)
                out += QString::fromUtf16(kDayShortNames[SundayWeekday(date) - 1]);
            else if (it.Count == 4)
                out += QString::fromUtf16(kDayNames[SundayWeekday(date) - 1]);
            else if (it.Count == 5)
                out += FormatDate(d, QStringLiteral("dd/mm/yyyy"), firstDay, firstWeek);
            else
                out += FormatDate(d, QStringLiteral("dddd d mmmm yyyy"), firstDay, firstWeek);
            break;
        case u'w':
            out += QString::number(it.Count == 1 ? Weekday(date, firstDay)
                                                 : WeekOfYear(date, firstDay, firstWeek));
            break;
        case u'm':
            if (it.Count <= 2)
                number(date.month(), it.Count);
            else if (it.Count == 3)
                out += QString::fromUtf16(kMonthShortNames[date.month() - 1]);
            else
                out += QString::fromUtf16(kMonthNames[date.month() - 1]);
            break;
        case u'q':
            out += QString::number((date.month() - 1) / 3 + 1);
            break;
        case u'y':
            if (it.Count == 1)
                out += QString::number(date.dayOfYear());
            else if (it.Count == 2)
                AppendPadded(out, date.year() % 100, 2);
            else
                AppendPadded(out, date.year(), 4);
            break;
        case u'h': {
            int h = hour;
            if (twelveHours) {
                h %= 12;
                if (h == 0)
                    h = 12;
            }
            number(h, it.Count);
            break;
        }
        case u'n':
            number(minute, it.Count);
            break;
        case u's':
            number(second, it.Count);
            break;
        case u't':
            if (it.Count == 5)
                out += FormatDate(d, QStringLiteral("hh:nn:ss"), firstDay, firstWeek);
            else
                out += QString(it.Count, u't');
            break;
        case u'c':
            out += GeneralDate(d);
            break;
        case u'a': {
            const bool pm = hour >= 12;
            if (it.Count == 3) { // A/P or a/p: the case of the letter written
                out += pm ? it.Text[2] : it.Text[0];
            } else {
                const bool lowerCase = it.Text[0].isLower();
                const QString s = pm ? QStringLiteral("PM") : QStringLiteral("AM");
                out += lowerCase ? s.toLower() : s;
            }
            break;
        }
        default:
            break;
        }
    }
    return out;
}

// A text format: > upper case, < lower case, @ a character or a blank, & a
// character or nothing; placeholders fill from the right unless ! is given.
QString FormatText(const QString& value, const QString& format) {
    QString text = value;
    if (format.contains(u'>'))
        text = text.toUpper();
    else if (format.contains(u'<'))
        text = text.toLower();
    qsizetype placeholders = 0;
    for (QChar ch : format)
        placeholders += ch == u'@' || ch == u'&';
    if (!placeholders)
        return text;
    const bool leftToRight = format.contains(u'!');
    QString out;
    if (leftToRight) {
        qsizetype used = 0;
        for (QChar ch : format) {
            if (ch == u'@' || ch == u'&')
                out += used < text.size() ? QString(text[used++])
                                          : (ch == u'@' ? QStringLiteral(" ") : QString());
            else if (ch != u'<' && ch != u'>' && ch != u'!')
                out += ch;
        }
        return out + text.mid(used);
    }
    qsizetype left = text.size();
    for (qsizetype k = format.size() - 1; k >= 0; --k) {
        const QChar ch = format[k];
        if (ch == u'@' || ch == u'&')
            out.prepend(left > 0 ? QString(text[--left])
                                 : (ch == u'@' ? QStringLiteral(" ") : QString()));
        else if (ch != u'<' && ch != u'>' && ch != u'!')
            out.prepend(ch);
    }
    return text.left(left) + out;
}

struct TNamedFormat {
    const char16_t* Name;
    TFormatKind Kind;
    const char16_t* Pattern; // null for the special cases
};

const TNamedFormat kNamedFormats[] = {
    {u"general date", TFormatKind::Date, nullptr},
    {u"long date", TFormatKind::Date, u"dddd d mmmm yyyy"},
    {u"medium date", TFormatKind::Date, u"dd-mmm-yy"},
    {u"short date", TFormatKind::Date, u"dd/mm/yyyy"},
    {u"long time", TFormatKind::Date, u"hh:nn:ss"},
    {u"medium time", TFormatKind::Date, u"hh:nn AM/PM"},
    {u"short time", TFormatKind::Date, u"hh:nn"},
    {u"general number", TFormatKind::Number, nullptr},
    {u"currency", TFormatKind::Number, u"#,##0.00\u00A0€"},
    {u"euro", TFormatKind::Number, u"#,##0.00\u00A0€"},
    {u"fixed", TFormatKind::Number, u"0.00"},
    {u"standard", TFormatKind::Number, u"#,##0.00"},
    {u"percent", TFormatKind::Number, u"0.00%"},
    {u"scientific", TFormatKind::Number, u"0.00E+00"},
    {u"yes/no", TFormatKind::Number, u";\"Oui\";\"Non\""},
    {u"true/false", TFormatKind::Number, u";\"Vrai\";\"Faux\""},
    {u"on/off", TFormatKind::Number, u";\"Actif\";\"Inactif\""},
};

// Format(value[, format[, firstdayofweek[, firstweekofyear]]]).
void FnFormat(TCall& c) {
    const QString format = c.Has(1) ? c.Text(1) : QString();
    const int firstDay = FirstDayOfWeek(c, 2), firstWeek = FirstWeekOfYear(c, 3);
    if (c.IsNull(0)) {
        // A number format's fourth section is for null.
        const QStringList sections = FormatSections(format);
        if (sections.size() >= 4 && FormatKindOf(format) == TFormatKind::Number)
            return c.SetText(FormatNumberSection(0, sections[3]));
        return c.SetNull();
    }
    TFormatKind kind = TFormatKind::Number;
    QString pattern = format;
    bool general = false;
    const QString key = format.trimmed().toLower();
    const TNamedFormat* named = nullptr;
    for (const TNamedFormat& f : kNamedFormats)
        if (key == QStringView(f.Name))
            named = &f;
    if (named) {
        kind = named->Kind;
        general = !named->Pattern;
        pattern = general ? QString() : QString::fromUtf16(named->Pattern);
    } else if (format.isEmpty()) {
        general = true;
        TJetDate d;
        kind = c.Type(0) == SQLITE_TEXT && ParseIsoDate(c.Text(0), d) ? TFormatKind::Date
                                                                      : TFormatKind::Text;
    } else {
        kind = FormatKindOf(format);
    }
    switch (kind) {
    case TFormatKind::Date: {
        const auto d = c.TryDate(0);
        if (!d)
            return c.SetText(c.Text(0));
        return c.SetText(general ? GeneralDate(*d) : FormatDate(*d, pattern, firstDay, firstWeek));
    }
    case TFormatKind::Number: {
        const auto v = c.TryNumber(0);
        if (!v)
            return c.SetText(c.Text(0));
        return c.SetText(general ? NumberText(*v) : FormatNumber(*v, pattern));
    }
    case TFormatKind::Text:
        return c.SetText(general ? c.Text(0) : FormatText(c.Text(0), pattern));
    }
}

} // namespace

// ==========================================================================
// Aggregates and registration
// ==========================================================================

namespace {

struct TFirstLast {
    sqlite3_value* Value;
    bool Set;
};

template <bool Last> void FirstLastStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto* s = static_cast<TFirstLast*>(sqlite3_aggregate_context(ctx, sizeof(TFirstLast)));
    if (!s)
        return sqlite3_result_error_nomem(ctx);
    if (s->Set && !Last)
        return;
    if (s->Value)
        sqlite3_value_free(s->Value);
    s->Value = sqlite3_value_dup(argv[0]);
    s->Set = true;
    if (!s->Value)
        sqlite3_result_error_nomem(ctx);
}

void FirstLastFinal(sqlite3_context* ctx) {
    auto* s = static_cast<TFirstLast*>(sqlite3_aggregate_context(ctx, 0));
    if (!s || !s->Value)
        return sqlite3_result_null(ctx);
    sqlite3_result_value(ctx, s->Value);
    sqlite3_value_free(s->Value);
    s->Value = nullptr;
}

// Variance over the non-null values (Welford's running sums).
struct TVariance {
    qint64 Count;
    double Mean;
    double Squares;
};

void VarianceStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto* s = static_cast<TVariance*>(sqlite3_aggregate_context(ctx, sizeof(TVariance)));
    if (!s)
        return sqlite3_result_error_nomem(ctx);
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return;
    TCall call(ctx, 1, argv);
    const auto v = call.TryNumber(0);
    if (!v)
        return;
    ++s->Count;
    const double delta = *v - s->Mean;
    s->Mean += delta / double(s->Count);
    s->Squares += delta * (*v - s->Mean);
}

template <bool Population, bool Root> void VarianceFinal(sqlite3_context* ctx) {
    auto* s = static_cast<TVariance*>(sqlite3_aggregate_context(ctx, 0));
    const qint64 n = s ? s->Count : 0;
    if (n < (Population ? 1 : 2))
        return sqlite3_result_null(ctx);
    const double variance = s->Squares / double(Population ? n : n - 1);
    sqlite3_result_double(ctx, Root ? std::sqrt(variance) : variance);
}

using TJetFunction = void (*)(TCall&);

struct TFunctionDef {
    const char* Name;
    int MinArgs;
    int MaxArgs;        // -1: any number
    bool NullIfAnyNull; // the usual Jet rule: a null argument gives null
    bool Deterministic;
    TJetFunction Fn;
};

const TFunctionDef kFunctions[] = {
    // Text
    {"UCase", 1, 1, true, true, FnUCase},
    {"LCase", 1, 1, true, true, FnLCase},
    {"Len", 1, 1, true, true, FnLen},
    {"JETLEFT", 2, 2, true, true, FnLeft},
    {"JETRIGHT", 2, 2, true, true, FnRight},
    {"Mid", 2, 3, true, true, FnMid},
    {"InStr", 2, 4, false, true, FnInStr},
    {"Trim", 1, 1, true, true, FnTrim},
    {"LTrim", 1, 1, true, true, FnLTrim},
    {"RTrim", 1, 1, true, true, FnRTrim},
    {"Space", 1, 1, true, true, FnSpace},
    {"String", 2, 2, true, true, FnString},
    {"Replace", 3, 6, true, true, FnReplace},
    {"StrComp", 2, 3, true, true, FnStrComp},
    {"Chr", 1, 1, true, true, FnChr},
    {"ChrW", 1, 1, true, true, FnChrW},
    {"Asc", 1, 1, true, true, FnAsc},
    {"AscW", 1, 1, true, true, FnAscW},
    {"Str", 1, 1, true, true, FnStr},
    {"CStr", 1, 1, true, true, FnCStr},
    {"Hex", 1, 1, true, true, FnHex},
    {"Oct", 1, 1, true, true, FnOct},
    {"Format", 1, 4, false, true, FnFormat},
    {"MonthName", 1, 2, true, true, FnMonthName},
    {"WeekdayName", 1, 3, true, true, FnWeekdayName},
    // Conversions and tests
    {"Val", 1, 1, true, true, FnVal},
    {"JETISNULL", 1, 1, false, true, FnIsNull},
    {"IsNumeric", 1, 1, false, true, FnIsNumeric},
    {"IsDate", 1, 1, false, true, FnIsDate},
    {"CInt", 1, 1, true, true, FnCInt},
    {"CLng", 1, 1, true, true, FnCLng},
    {"CDbl", 1, 1, true, true, FnCDbl},
    {"CSng", 1, 1, true, true, FnCSng},
    {"CCur", 1, 1, true, true, FnCCur},
    {"CBool", 1, 1, true, true, FnCBool},
    {"CDate", 1, 1, true, true, FnCDate},
    {"IIf", 3, 3, false, true, FnIIf},
    {"Nz", 1, 2, false, true, FnNz},
    {"Switch", 2, -1, false, true, FnSwitch},
    {"Choose", 2, -1, false, true, FnChoose},
    // Numbers
    {"Abs", 1, 1, true, true, FnAbs},
    {"Int", 1, 1, true, true, FnInt},
    {"Fix", 1, 1, true, true, FnFix},
    {"Round", 1, 2, true, true, FnRound},
    {"Sgn", 1, 1, true, true, FnSgn},
    {"Sqr", 1, 1, true, true, FnSqr},
    {"Exp", 1, 1, true, true, FnExp},
    {"Log", 1, 1, true, true, FnLog},
    // Dates
    {"Now", 0, 0, false, false, FnNow},
    {"JETDATE", 0, 0, false, false, FnToday},
    {"JETTIME", 0, 0, false, false, FnTimeNow},
    {"Year", 1, 1, true, true, FnYear},
    {"Month", 1, 1, true, true, FnMonth},
    {"Day", 1, 1, true, true, FnDay},
    {"Hour", 1, 1, true, true, FnHour},
    {"Minute", 1, 1, true, true, FnMinute},
    {"Second", 1, 1, true, true, FnSecond},
    {"Weekday", 1, 2, true, true, FnWeekday},
    {"DateAdd", 3, 3, true, true, FnDateAdd},
    {"DateDiff", 3, 4, true, true, FnDateDiff},
    {"DatePart", 2, 4, true, true, FnDatePart},
    {"DateSerial", 3, 3, true, true, FnDateSerial},
    {"TimeSerial", 3, 3, true, true, FnTimeSerial},
    {"DateValue", 1, 1, true, true, FnDateValue},
    {"TimeValue", 1, 1, true, true, FnTimeValue},
    // Operators of the translation
    {"JETCONCAT", 1, -1, false, true, FnConcat},
    {"JETADD", 2, 2, false, true, FnAdd},
    {"JETSUB", 2, 2, false, true, FnSub},
    {"JETDIV", 2, 2, true, true, FnDiv},
    {"JETIDIV", 2, 2, true, true, FnIntDiv},
    {"JETMOD", 2, 2, true, true, FnMod},
    {"JETPOW", 2, 2, true, true, FnPow},
    {"JETXOR", 2, 2, true, true, FnXor},
    {"JETEQV", 2, 2, true, true, FnEqv},
    {"JETIMP", 2, 2, true, true, FnImp},
    {"JETLIKE", 2, 2, true, true, FnLike},
};

void Dispatch(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    const auto* def = static_cast<const TFunctionDef*>(sqlite3_user_data(ctx));
    if (argc < def->MinArgs) {
        sqlite3_result_error(ctx, "wrong number of arguments", -1);
        return;
    }
    if (def->NullIfAnyNull)
        for (int i = 0; i < argc; ++i)
            if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
                return sqlite3_result_null(ctx);
    try {
        TCall call(ctx, argc, argv);
        def->Fn(call);
    } catch (const TJetError& e) {
        const QByteArray message = QByteArray(def->Name) + ": " + e.Message;
        sqlite3_result_error(ctx, message.constData(), int(message.size()));
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(ctx);
    } catch (...) {
        const QByteArray message = QByteArray(def->Name) + ": internal error";
        sqlite3_result_error(ctx, message.constData(), int(message.size()));
    }
}

} // namespace

bool RegisterJetFunctions(sqlite3* db) {
    if (!db)
        return false;
    bool ok = sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, CompareNoCase,
                                          nullptr) == SQLITE_OK;
    for (const TFunctionDef& f : kFunctions) {
        const int flags = SQLITE_UTF8 | (f.Deterministic ? SQLITE_DETERMINISTIC : 0);
        auto* data = const_cast<TFunctionDef*>(&f);
        if (f.MaxArgs < 0) {
            ok = sqlite3_create_function_v2(db, f.Name, -1, flags, data, Dispatch, nullptr, nullptr,
                                            nullptr) == SQLITE_OK &&
                 ok;
            continue;
        }
        for (int n = f.MinArgs; n <= f.MaxArgs; ++n)
            ok = sqlite3_create_function_v2(db, f.Name, n, flags, data, Dispatch, nullptr, nullptr,
                                            nullptr) == SQLITE_OK &&
                 ok;
    }
    struct TAggregate {
        const char* Name;
        void (*Step)(sqlite3_context*, int, sqlite3_value**);
        void (*Final)(sqlite3_context*);
    };
    static const TAggregate aggregates[] = {
        {"First", FirstLastStep<false>, FirstLastFinal},
        {"Last", FirstLastStep<true>, FirstLastFinal},
        {"StDev", VarianceStep, VarianceFinal<false, true>},
        {"StDevP", VarianceStep, VarianceFinal<true, true>},
        {"Var", VarianceStep, VarianceFinal<false, false>},
        {"VarP", VarianceStep, VarianceFinal<true, false>},
    };
    for (const TAggregate& a : aggregates)
        ok = sqlite3_create_function_v2(db, a.Name, 1, SQLITE_UTF8, nullptr, nullptr, a.Step,
                                        a.Final, nullptr) == SQLITE_OK &&
             ok;
    return ok;
}
