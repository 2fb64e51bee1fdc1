#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>

// Encodings of the stored values. Every reader falls back to the caller's
// default when the text cannot be converted.

// Flags are written True / False; read case-insensitively, a whole number
// also reads (zero false, anything else true).
QString FlagToSetting(bool value);
bool FlagFromSetting(const QString &text, bool defaultValue);

// A decimal whole number (surrounding spaces tolerated), or nothing.
std::optional<int> WholeNumberFromSetting(const QString &text);

// A list of VSS user names: separated by commas, spaces around a name
// dropped, empty names and repeats (in any case) left out; written with ", ".
QStringList UserNamesFromSetting(const QString &text);
QString UserNamesToSetting(const QStringList &names);

// The date of a file whose state was never recorded (a wall-clock time).
QDateTime NeverRecordedDate();

// Date-times are stored by their wall-clock fields (see WallClock.h) in one
// form for every locale: "yyyy-MM-dd HH:mm:ss", or "yyyy-MM-dd" alone at
// exactly midnight; milliseconds are dropped. Reading also accepts the forms
// written before, in `locale`: its short date (with a two- or four-digit
// year) followed by its long or short time, or alone, and "T" between an ISO
// date and time. The result is a wall-clock time; an unreadable text gives
// NeverRecordedDate() with *ok false. The overload in Settings.h reads with
// QLocale::system().
QString DateToSetting(const QDateTime &value);
QDateTime DateFromSetting(const QString &text, const QLocale &locale, bool *ok = nullptr);

// A date-time as `locale` shows it in general: its short date with a
// four-digit year, then its long time without the zone, the time left out
// at exactly midnight (texts for the user, never stored).
QString LocaleDateTimeText(const QDateTime &value, const QLocale &locale);
