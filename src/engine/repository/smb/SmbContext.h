#pragma once

#include "engine/settings/ShareLogin.h"

#include <QByteArray>
#include <QString>

typedef struct _SMBCCTX SMBCCTX;

// One libsmbclient context: its own connections to the servers it reaches,
// with `login` (its credentials file read). libsmbclient is used by one
// thread of a process only.
class SmbContext
{
public:
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
