#pragma once

#include <QString>
#include <stdexcept>

// Failures are raised as exceptions carrying a message for the user; the window
// that catches one shows the message.
class ERuntimeError : public std::runtime_error {
public:
    explicit ERuntimeError(const QString& message);
    const QString& message() const noexcept { return m_message; }

private:
    QString m_message;
};

// An error reported by the database engine, or a database file that cannot be used.
class EDatabaseError : public ERuntimeError {
public:
    using ERuntimeError::ERuntimeError;
};

// A file that cannot be opened, read or written.
class EFileError : public ERuntimeError {
public:
    using ERuntimeError::ERuntimeError;
};

// Replaces each "%s" of a pattern by the next argument, in order.
QString FormatText(const QString& pattern, std::initializer_list<QString> args);
