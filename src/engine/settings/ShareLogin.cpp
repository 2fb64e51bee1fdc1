#include "ShareLogin.h"

#include <QFile>
#include <QMutex>

namespace {

QMutex &guard()
{
    static QMutex mutex;
    return mutex;
}

ShareLogin &stored()
{
    static ShareLogin login;
    return login;
}

// A credentials file is small; anything larger is not one.
constexpr qint64 kMaxCredentialsSize = 64 * 1024;

} // namespace

ShareLogin ShareLogin::resolved(QString *error) const
{
    ShareLogin out = *this;
    if (credentialsFile.isEmpty())
        return out;
    QFile file(credentialsFile);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxCredentialsSize) {
        if (error)
            *error = QStringLiteral("Cannot read the share credentials file %1: %2")
                         .arg(credentialsFile,
                              file.isOpen() ? QStringLiteral("too large") : file.errorString());
        return out;
    }
    for (QByteArray line : file.readAll().split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        const QByteArray key = line.left(equals).trimmed().toLower();
        // The value as written: a password may start or end with blanks.
        const QString value = QString::fromUtf8(line.mid(equals + 1));
        if (key == "username" || key == "user")
            out.user = value.trimmed();
        else if (key == "password" || key == "pass")
            out.password = value;
        else if (key == "domain" || key == "dom" || key == "workgroup")
            out.domain = value.trimmed();
    }
    return out;
}

void ShareLogin::setCurrent(const ShareLogin &login)
{
    QMutexLocker lock(&guard());
    stored() = login;
}

ShareLogin ShareLogin::current()
{
    QMutexLocker lock(&guard());
    return stored();
}
