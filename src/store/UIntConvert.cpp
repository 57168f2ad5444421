#include "UIntConvert.h"

namespace {

// Value of an ASCII digit in the given base, or -1.
int DigitValue(QChar c, int base) {
    const char16_t u = c.unicode();
    int digit = -1;
    if (u >= u'0' && u <= u'9')
        digit = u - u'0';
    else if (base == 16 && u >= u'a' && u <= u'f')
        digit = u - u'a' + 10;
    else if (base == 16 && u >= u'A' && u <= u'F')
        digit = u - u'A' + 10;
    return digit;
}

} // namespace

bool TryStrToInt(const QString& text, qint32& value) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text[i].unicode() <= u' ')
        ++i;

    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }

    int base = 10;
    if (i < n && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }

    // Largest magnitude accepted: the full 32-bit pattern in hexadecimal, the signed range
    // in decimal (one more for a negative value).
    const quint64 limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    const qsizetype firstDigit = i;
    quint64 magnitude = 0;
    for (; i < n; ++i) {
        const int digit = DigitValue(text[i], base);
        if (digit < 0)
            return false;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return false;
    }
    if (i == firstDigit)
        return false;

    // Modular arithmetic on the 32-bit pattern: negating 0x80000000 or a hexadecimal
    // pattern wraps around as it does in two's complement.
    const quint32 bits = static_cast<quint32>(magnitude);
    value = static_cast<qint32>(negative ? 0u - bits : bits);
    return true;
}

qint32 StrToIntDef(const QString& text, qint32 def) {
    qint32 value = def;
    return TryStrToInt(text, value) ? value : def;
}
