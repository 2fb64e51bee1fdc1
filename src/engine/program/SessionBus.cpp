#include "SessionBus.h"

#include <QDeadlineTimer>
#include <QList>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace SessionBus {

#ifdef Q_OS_UNIX
namespace {

// The socket of the first "unix:" entry: path= or abstract=; false if none.
bool socketAddress(const QByteArray &address, sockaddr_un &socket, socklen_t &length)
{
    for (const QByteArray &entry : address.split(';')) {
        if (!entry.startsWith("unix:"))
            continue;
        for (const QByteArray &pair : entry.mid(5).split(',')) {
            const bool abstract = pair.startsWith("abstract=");
            if (!abstract && !pair.startsWith("path="))
                continue;
            const QByteArray name = pair.mid(pair.indexOf('=') + 1);
            std::memset(&socket, 0, sizeof socket);
            socket.sun_family = AF_UNIX;
            const size_t offset = abstract ? 1 : 0; // abstract names start with a NUL
            if (name.size() + offset >= sizeof socket.sun_path)
                return false;
            std::memcpy(socket.sun_path + offset, name.constData(), size_t(name.size()));
            length = socklen_t(offsetof(sockaddr_un, sun_path) + offset + size_t(name.size()) +
                               (abstract ? 0 : 1));
            return true;
        }
    }
    return false;
}

// Waits until `fd` is ready for `events`, at most until `deadline`.
bool ready(int fd, short events, const QDeadlineTimer &deadline)
{
    pollfd wanted{fd, events, 0};
    int n;
    do
        n = ::poll(&wanted, 1, int(deadline.remainingTime()));
    while (n < 0 && errno == EINTR);
    return n > 0;
}

} // namespace

bool Answers(const QByteArray &address, int timeoutMs)
{
    sockaddr_un bus;
    socklen_t length = 0;
    if (!socketAddress(address, bus, length))
        return true;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return true;
    const QDeadlineTimer deadline(timeoutMs);
    bool answers = true;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&bus), length) == 0 ||
        (errno == EINPROGRESS || errno == EAGAIN)) {
        // The start of the authentication every bus answers at once.
        const QByteArray hello = QByteArray(1, '\0') + "AUTH EXTERNAL " +
                                 QByteArray::number(::getuid()).toHex() + "\r\n";
        answers = ready(fd, POLLOUT, deadline) &&
                  ::send(fd, hello.constData(), size_t(hello.size()), MSG_NOSIGNAL) > 0 &&
                  ready(fd, POLLIN, deadline);
    }
    ::close(fd);
    return answers;
}

QString LeaveOutIfSilent(int timeoutMs)
{
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty() || Answers(address, timeoutMs))
        return {};
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    return QStringLiteral("The session bus (%1) does not answer: going on without it (no "
                          "desktop notifications, no accessibility)")
        .arg(QString::fromLocal8Bit(address));
}
#else
bool Answers(const QByteArray &, int)
{
    return true;
}

QString LeaveOutIfSilent(int)
{
    return {};
}
#endif

} // namespace SessionBus
