#pragma once

#include "SmbLibrary.h"
#include "engine/settings/ShareLogin.h"

#include <QByteArray>
#include <QString>

#include <mutex>

typedef struct _SMBCCTX SMBCCTX;

// One libsmbclient context: its own connections to the servers it reaches,
// with `login` (its credentials file read).
//
// libsmbclient keeps process-wide state (its talloc stack, its
// configuration) that two threads would corrupt even with a context each
// (Debian builds it without thread support), so every call into it holds
// lock(): the poll and the check-outs window's reader then take turns.
class SmbContext
{
public:
    // Held around every call into libsmbclient.
    static std::unique_lock<std::recursive_mutex> lock();
    // In a child forked while lock() was held: a lock of its own. The
    // parent's stays held in the child, by a thread id the child does not
    // have (glibc records a mutex's owner by thread id), so taking it again
    // would wait for ever.
    static void forkedWhileLocked();

    explicit SmbContext(const ShareLogin &login);
    ~SmbContext();
    SmbContext(const SmbContext &) = delete;
    SmbContext &operator=(const SmbContext &) = delete;

    // Null when libsmbclient could not start (the reason in error()).
    SMBCCTX *get() const { return m_context; }
    QString error() const { return m_error; }

    // A path ("smb://server/share/...") as libsmbclient takes it.
    static QByteArray url(const QString &path);
    // What a failed call left in errno, said for a user.
    static QString errorText(int error);

private:
    SMBCCTX *m_context = nullptr;
    ShareLogin m_login;
    QString m_error;
};
