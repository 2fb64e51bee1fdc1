#include "SettingValues.h"

#include "Settings.h"

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

// A two-digit year would read "1900-01-01" back as 2000.
QString dateFormat(const QLocale &locale)
{
    return mapLetterRuns(locale.dateFormat(QLocale::ShortFormat), QLatin1Char('y'),
                         [](int run) { return QString(run == 2 ? 4 : run, QLatin1Char('y')); });
}

// Zone names do not parse back reliably; the stored value is local time.
QString timeFormat(const QLocale &locale)
{
    QString format = mapLetterRuns(locale.timeFormat(QLocale::LongFormat), QLatin1Char('t'),
                                   [](int) { return QString(); });
    format.remove(QStringLiteral("()"));
    return format.trimmed();
}

QString dateTimeFormat(const QLocale &locale)
{
    return dateFormat(locale) + QLatin1Char(' ') + timeFormat(locale);
}

QDateTime atMidnight(QDate date)
{
    return date.isValid() ? QDateTime(date, QTime(0, 0)) : QDateTime();
}

QDateTime parseDateTime(const QString &text, const QLocale &locale)
{
    const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
    const QString space = QStringLiteral(" ");
    const QStringList localeForms = {
        dateTimeFormat(locale),
        shortDate + space + locale.timeFormat(QLocale::LongFormat),
        shortDate + space + locale.timeFormat(QLocale::ShortFormat),
    };
    for (const QString &form : localeForms) {
        const QDateTime value = locale.toDateTime(text, form);
        if (value.isValid())
            return value;
    }
    for (const QString &form : {dateFormat(locale), shortDate}) {
        const QDateTime value = atMidnight(locale.toDate(text, form));
        if (value.isValid())
            return value;
    }
    for (const char *form : {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss"}) {
        const QDateTime value = QDateTime::fromString(text, QLatin1String(form));
        if (value.isValid())
            return value;
    }
    return atMidnight(QDate::fromString(text, QStringLiteral("yyyy-MM-dd")));
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
    return QDateTime(QDate(1900, 1, 1), QTime(0, 0));
}

QString DateToSetting(const QDateTime &value, const QLocale &locale)
{
    const QDateTime local = value.isValid() ? value.toLocalTime() : NeverRecordedDate();
    if (local.time().msecsSinceStartOfDay() < 1000)
        return locale.toString(local.date(), dateFormat(locale));
    return locale.toString(local, dateTimeFormat(locale));
}

QDateTime DateFromSetting(const QString &text, const QLocale &locale, bool *ok)
{
    const QDateTime value = parseDateTime(text.trimmed(), locale);
    if (ok)
        *ok = value.isValid();
    return value.isValid() ? value : NeverRecordedDate();
}

QString DateToSetting(const QDateTime &value)
{
    return DateToSetting(value, QLocale::system());
}

QDateTime DateFromSetting(const QString &text, bool *ok)
{
    return DateFromSetting(text, QLocale::system(), ok);
}
