#include "Snooze.h"

namespace {

const QString kUntilResumed = QStringLiteral("UntilResumed");

} // namespace

QDateTime Snooze::EndFor(SnoozeLength length, const QDateTime &now)
{
    switch (length) {
    case SnoozeLength::ThirtyMinutes:
        return now.addSecs(30 * 60);
    case SnoozeLength::OneHour:
        return now.addSecs(60 * 60);
    case SnoozeLength::UntilTomorrow: {
        QDateTime midnight = now;
        midnight.setDate(now.date().addDays(1));
        midnight.setTime(QTime(0, 0));
        return midnight;
    }
    case SnoozeLength::UntilResumed:
        break;
    }
    return QDateTime();
}

QString Snooze::untilText() const
{
    if (!active)
        return QString();
    return until.isValid() ? until.toUTC().toString(Qt::ISODate) : kUntilResumed;
}

Snooze Snooze::FromStored(const QString &untilText, const QString &heldText)
{
    Snooze snooze;
    const QString text = untilText.trimmed();
    if (text.compare(kUntilResumed, Qt::CaseInsensitive) == 0) {
        snooze.active = true;
    } else {
        snooze.until = QDateTime::fromString(text, Qt::ISODate);
        snooze.active = snooze.until.isValid();
    }
    if (snooze.active)
        snooze.held = qMax(0, heldText.trimmed().toInt());
    return snooze;
}
