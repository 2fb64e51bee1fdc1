#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <optional>

// Encodings of the stored values. Every reader falls back to the caller's
// default when the text cannot be converted.

// Flags are written True / False; read case-insensitively, a whole number
// also reads (zero false, anything else true).
QString FlagToSetting(bool value);
bool FlagFromSetting(const QString &text, bool defaultValue);

// A decimal whole number (surrounding spaces tolerated), or nothing.
std::optional<int> WholeNumberFromSetting(const QString &text);

// The date of a file whose state was never recorded.
QDateTime NeverRecordedDate();

// Date-times: the locale's short date with a four-digit year, then the long
// time without its zone, the time left out at exactly midnight. Reading also
// accepts the locale's own short and long forms and ISO yyyy-MM-dd[ hh:mm:ss];
// a date alone reads as midnight. An unreadable text gives NeverRecordedDate()
// with *ok false. The overloads without a locale use QLocale::system().
QString DateToSetting(const QDateTime &value, const QLocale &locale);
QDateTime DateFromSetting(const QString &text, const QLocale &locale, bool *ok = nullptr);
