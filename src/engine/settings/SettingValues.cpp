#include "SettingValues.h"

#include "Settings.h"
#include "engine/WallClock.h"

#include <functional>

namespace {

// Rewrites the runs of one pattern letter outside quoted literal text.
QString mapLetterRuns(const QString &format, QChar letter,
                      const std::function<QString(int runLength)> &replace)
{
    QString out;
    bool quoted = false;
    for (int i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            out += c;
            ++i;
            continue;
        }
        if (quoted || c != letter) {
            out += c;
            ++i;
            continue;
        }
        int run = 0;
        while (i + run < format.size() && format.at(i + run) == letter)
            ++run;
        out += replace(run);
        i += run;
    }
    return out;
}

// The locale's general form, shown to the user and stored before: its short
// date with a four-digit year (a two-digit one would read "1900-01-01" back
// as 2000), then its long time without the zone.
QString localeDateFormat(const QLocale &locale)
{
    return mapLetterRuns(locale.dateFormat(QLocale::ShortFormat), QLatin1Char('y'),
                         [](int run) { return QString(run == 2 ? 4 : run, QLatin1Char('y')); });
}

QString localeTimeFormat(const QLocale &locale)
{
    QString format = mapLetterRuns(locale.timeFormat(QLocale::LongFormat), QLatin1Char('t'),
                                   [](int) { return QString(); });
    format.remove(QStringLiteral("()"));
    return format.trimmed();
}

QDateTime atMidnight(QDate date)
{
    return date.isValid() ? WallClockTime(date, QTime(0, 0)) : QDateTime();
}

// The number written with `count` ASCII digits from `at`; -1 when another
// character is there.
int digitsAt(const QString &text, int at, int count)
{
    int value = 0;
    for (int i = at; i < at + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// "yyyy-MM-dd", alone or followed by a space or "T" and "HH:mm:ss". Date and
// time are read apart, so a time in a daylight-saving gap reads too. Read by
// hand: Qt's format parser asks the time zone several times per value, a
// system call each, ten per watched file when the list loads.
QDateTime parseIso(const QString &text)
{
    if ((text.size() != 10 && text.size() != 19) || text[4] != QLatin1Char('-') ||
        text[7] != QLatin1Char('-'))
        return {};
    const int year = digitsAt(text, 0, 4);
    const QDate date = year < 0 ? QDate() : QDate(year, digitsAt(text, 5, 2), digitsAt(text, 8, 2));
    if (text.size() == 10)
        return atMidnight(date);
    if ((text[10] != QLatin1Char(' ') && text[10] != QLatin1Char('T')) ||
        text[13] != QLatin1Char(':') || text[16] != QLatin1Char(':'))
        return {};
    const QTime time(digitsAt(text, 11, 2), digitsAt(text, 14, 2), digitsAt(text, 17, 2));
    return date.isValid() && time.isValid() ? WallClockTime(date, time) : QDateTime();
}

QDateTime parseLegacy(const QString &text, const QLocale &locale)
{
    const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
    const QString space = QStringLiteral(" ");
    const QStringList dateTimeForms = {
        localeDateFormat(locale) + space + localeTimeFormat(locale),
        shortDate + space + locale.timeFormat(QLocale::LongFormat),
        shortDate + space + locale.timeFormat(QLocale::ShortFormat),
    };
    for (const QString &form : dateTimeForms) {
        const QDateTime value = locale.toDateTime(text, form);
        if (value.isValid())
            return WallClockTime(value);
    }
    for (const QString &form : {localeDateFormat(locale), shortDate}) {
        const QDateTime value = atMidnight(locale.toDate(text, form));
        if (value.isValid())
            return value;
    }
    return {};
}

} // namespace

QString FlagToSetting(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

bool FlagFromSetting(const QString &text, bool defaultValue)
{
    const QString word = text.trimmed();
    if (word.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const qlonglong number = word.toLongLong(&ok);
    return ok ? number != 0 : defaultValue;
}

std::optional<int> WholeNumberFromSetting(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

QDateTime NeverRecordedDate()
{
    return WallClockTime(QDate(1900, 1, 1), QTime(0, 0));
}

QString DateToSetting(const QDateTime &value)
{
    const QDateTime stored = value.isValid() ? value : NeverRecordedDate();
    const QString date = stored.date().toString(QStringLiteral("yyyy-MM-dd"));
    if (stored.time().msecsSinceStartOfDay() < 1000)
        return date;
    return date + stored.time().toString(QStringLiteral(" HH:mm:ss"));
}

QString LocaleDateTimeText(const QDateTime &value, const QLocale &locale)
{
    if (value.time().msecsSinceStartOfDay() < 1000)
        return locale.toString(value.date(), localeDateFormat(locale));
    return locale.toString(value,
                           localeDateFormat(locale) + QLatin1Char(' ') + localeTimeFormat(locale));
}

QDateTime DateFromSetting(const QString &text, const QLocale &locale, bool *ok)
{
    const QString trimmed = text.trimmed();
    QDateTime value = parseIso(trimmed);
    if (!value.isValid())
        value = parseLegacy(trimmed, locale);
    if (ok)
        *ok = value.isValid();
    return value.isValid() ? value : NeverRecordedDate();
}

QDateTime DateFromSetting(const QString &text, bool *ok)
{
    return DateFromSetting(text, QLocale::system(), ok);
}

QStringList UserNamesFromSetting(const QString &text)
{
    QStringList names;
    for (const QString &part : text.split(QLatin1Char(',')))
        if (const QString name = part.trimmed();
            !name.isEmpty() && !names.contains(name, Qt::CaseInsensitive))
            names << name;
    return names;
}

QString UserNamesToSetting(const QStringList &names)
{
    return names.join(QStringLiteral(", "));
}
