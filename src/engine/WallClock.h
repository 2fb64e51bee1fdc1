#pragma once

#include <QDateTime>

// VSS stores the writer's local wall-clock time. Such a time is kept as a
// QDateTime of spec Qt::UTC holding those same fields: it is never invalid
// (a time in the spring-forward gap) and never shifts (a time in the autumn
// fold). The repository hands out dates in this form, rule A compares them
// field by field, DateIn stores them and quorvik-vss prints them; they are
// never converted to another zone.
inline QDateTime WallClockTime(QDate date, QTime time)
{
    return QDateTime(date, time, Qt::UTC);
}

// The date and time fields `value` shows, as a wall-clock time; invalid
// stays invalid.
inline QDateTime WallClockTime(const QDateTime &value)
{
    return value.isValid() ? WallClockTime(value.date(), value.time()) : QDateTime();
}
