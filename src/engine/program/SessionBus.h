#pragma once

#include <QByteArray>
#include <QString>

// A session bus that takes connections but never answers holds a Qt program
// at its first use of D-Bus for ever (the accessibility bridge asks it while
// the first window is built). The bus is asked once, with a time-out, before
// Qt connects; one that does not answer is left out for this run.
namespace SessionBus {

// Whether the bus at `address` (as in DBUS_SESSION_BUS_ADDRESS) answers the
// start of a connection within `timeoutMs`. An address that is not a Unix
// socket, or where nothing listens, counts as answering: connecting to it
// fails at once by itself.
bool Answers(const QByteArray &address, int timeoutMs);

// When the session bus does not answer, points DBUS_SESSION_BUS_ADDRESS at
// no bus for this process (Qt then goes on without one) and returns why, for
// the user; else returns an empty text.
QString LeaveOutIfSilent(int timeoutMs = 3000);

} // namespace SessionBus
