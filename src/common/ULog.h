#pragma once

#include <QString>

// The run's log: one timestamped line per message box, status text, start-up
// step and database error, in a file of the user's state folder, so that a user
// can send it when something goes wrong. Nothing is written before the log is
// opened; a log that cannot be written is silently skipped.

// The log file of an application: $XDG_STATE_HOME (else ~/.local/state)
// followed by "/orvalis/<application>.log".
QString LogFilePath(const QString& applicationName);

// Opens the log for the run; `echo` also writes every line to standard error.
void OpenLog(const QString& path, bool echo);
void CloseLog();

// Writes one line: "yyyy-MM-dd HH:mm:ss.zzz [category] text" (line feeds in the
// text are written as " | ").
void LogLine(const QString& category, const QString& text);
