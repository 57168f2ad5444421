#pragma once

#include "UExceptions.h"
#include "ULang.h"

// A message of the language table's "Database" section with its "%s" filled in;
// the key itself stands in when the table lacks it, so a message is never empty.
inline QString DatabaseMessage(const char* key, std::initializer_list<QString> args = {}) {
    const QString pattern =
        Language().SectionText(QStringLiteral("Database"), QLatin1String(key), QLatin1String(key));
    return FormatText(pattern, args);
}
