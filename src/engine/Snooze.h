#pragma once

#include <QDateTime>
#include <QString>

// How long the notifications pause (the tray menu's choices).
enum class SnoozeLength
{
    ThirtyMinutes,
    OneHour,
    UntilTomorrow,
    UntilResumed
};

// A pause of the notifications: until a time or until resumed, with the
// number of announced changes it held back.
struct Snooze
{
    bool active = false;
    QDateTime until; // invalid: until resumed
    int held = 0;

    // The end of a pause of `length` begun at `now`: "until tomorrow" ends
    // at the next midnight; invalid for "until resumed".
    static QDateTime EndFor(SnoozeLength length, const QDateTime &now);
    bool expiredAt(const QDateTime &now) const { return active && until.isValid() && now >= until; }

    // The stored form of `until`: a UTC time in ISO 8601, or "UntilResumed";
    // a text that is neither reads as no pause.
    QString untilText() const;
    static Snooze FromStored(const QString &untilText, const QString &heldText);
};
