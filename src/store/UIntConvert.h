#pragma once

#include <QString>
#include <QtGlobal>

// Converts a text to a 32-bit integer. Accepted: leading blanks (characters up to and
// including the space), an optional '+' or '-', then either decimal digits or
// hexadecimal digits after "$", "x", "X", "0x" or "0X". Nothing may follow the digits.
// A decimal value must lie in the 32-bit signed range; a hexadecimal value may go up to
// FFFFFFFF and stands for the 32-bit two's complement pattern ("$FFFFFFFF" gives -1), the
// sign negating that pattern ("-$1A" gives -26). On failure value is left unchanged.
bool TryStrToInt(const QString& text, qint32& value);

// The converted text, or def when the conversion fails.
qint32 StrToIntDef(const QString& text, qint32 def);
