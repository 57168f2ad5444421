#include "UExceptions.h"

ERuntimeError::ERuntimeError(const QString& message)
    : std::runtime_error(message.toStdString()), m_message(message) {}

QString FormatText(const QString& pattern, std::initializer_list<QString> args) {
    QString result;
    result.reserve(pattern.size());
    auto arg = args.begin();
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == u'%' && i + 1 < pattern.size() && pattern[i + 1] == u's' &&
            arg != args.end()) {
            result += *arg++;
            ++i;
        } else {
            result += pattern[i];
        }
    }
    return result;
}
