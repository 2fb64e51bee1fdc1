#include "LogBirth.h"

#include <QFileDevice>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <sys/xattr.h>
#endif

namespace LogBirth {

#ifdef Q_OS_LINUX
namespace {

const char kAttribute[] = "user.quorvik.birth"; // milliseconds since the epoch, UTC

QDateTime carried(const QString &path)
{
    char text[32] = {};
    const ssize_t length =
        ::getxattr(QFile::encodeName(path).constData(), kAttribute, text, sizeof text - 1);
    if (length <= 0)
        return {};
    bool ok = false;
    const qint64 ms = QByteArray(text, int(length)).toLongLong(&ok);
    return ok ? QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toLocalTime() : QDateTime();
}

} // namespace
#endif

QDateTime of(const QString &path)
{
#ifdef Q_OS_LINUX
    if (const QDateTime born = carried(path); born.isValid())
        return born;
#endif
    return QFileInfo(path).birthTime();
}

void carryOver(const QString &path, QFileDevice &replacement)
{
    const QDateTime born = of(path);
    if (!born.isValid())
        return;
#ifdef Q_OS_LINUX
    const QByteArray value = QByteArray::number(born.toMSecsSinceEpoch());
    ::fsetxattr(replacement.handle(), kAttribute, value.constData(), size_t(value.size()), 0);
#else
    replacement.setFileTime(born, QFileDevice::FileBirthTime);
#endif
}

} // namespace LogBirth
