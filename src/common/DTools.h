#pragma once

#include <QString>

// Runtime file and shell helpers. None of them keeps state or shows a message.

// The path separator of this platform, used by the folder rules below.
inline constexpr QChar PathDelim = u'/';

// The user's temporary folder, ending in a path separator.
QString TempFolder();

// A file name in a folder built from the current time: "~" followed by hour,
// minute, second and the first two digits of the milliseconds, then the extension
// (".tmp" when empty). The name is not checked and no file is created.
QString TempFileName(const QString& folder, const QString& extension);

// Windows shell folder numbers that the runtime uses.
inline constexpr int CSIDL_COMMON_APPDATA = 35;
inline constexpr int CSIDL_COMMON_DOCUMENTS = 46;

// The machine-wide folder for a shell folder number, without trailing separator:
// 35 (common application data) is $ORV_COMMON_APPDATA, else /usr/local/share;
// 46 (common documents) is $ORV_COMMON_DOCUMENTS, else /var/local/documents.
// Any other number gives the empty text.
QString SpecialFolder(int csidl);

// Trims the path, ends it with one separator and collapses runs of separators,
// keeping a leading pair (a network path). An empty path stays empty.
QString NormalizeFolder(const QString& path);

// Copies a file, replacing an existing target; true when the copy succeeded.
// The target is written to a temporary file and renamed, so a failed copy never
// leaves a half-written target behind.
bool CopyFileTo(const QString& source, const QString& target);

// Opens a document or web address with the desktop's default opener
// ($ORV_OPENER, else xdg-open). The show mode is accepted for the callers'
// sake; a failure is silent.
void RunProgram(const QString& target, int showMode = 1);
