#pragma once

#include "engine/settings/ShareLogin.h"

#include <QObject>
#include <QString>

#include <functional>

class QSocketNotifier;

// The server's change notification on a folder of a share and everything
// below it, with one request outstanding at a time. The request waits on the
// server until something changes, so it runs outside the event loop: in a
// child process of its own, since a thread would hold libsmbclient's lock
// (SmbContext::lock()) for as long as it waits. The child hands each
// changed file's name through a pipe; the callback runs in the event loop.
// The child is forked while no other thread is inside libsmbclient
// (SmbContext::lock()).
// A request that fails (the connection broke, the server restarted) is made
// again after a pause that grows to 30 s; one that had worked reports an
// unknown change first, as writes may have been missed meanwhile.
class SmbNotifier : public QObject
{
public:
    SmbNotifier(QString folder, ShareLogin login, std::function<void(const QString &)> onChange);
    ~SmbNotifier() override;

    // Starts the child; false when it could not be started.
    bool start();

private:
    void readNames();
    [[noreturn]] void runChild(int out);

    const QString m_folder;
    ShareLogin m_login;
    std::function<void(const QString &)> m_onChange;
    int m_pid = -1;
    int m_fd = -1;
    QByteArray m_pending;
    QSocketNotifier *m_notifier = nullptr;
};
