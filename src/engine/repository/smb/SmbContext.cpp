#include "SmbContext.h"

#include "engine/settings/ShareLogin.h"

#include <QByteArray>

#include <cerrno>
#include <cstring>

namespace {

void copyOut(const QString &value, char *out, int size)
{
    const QByteArray bytes = value.toUtf8();
    if (size <= 0)
        return;
    const int n = std::min(int(bytes.size()), size - 1);
    std::memcpy(out, bytes.constData(), size_t(n));
    out[n] = '\0';
}

// libsmbclient asks for the login of each server and share it connects to.
void login(SMBCCTX *context, const char *, const char *, char *workgroup, int workgroupSize,
           char *user, int userSize, char *password, int passwordSize)
{
    const ShareLogin &l =
        *static_cast<const ShareLogin *>(SmbLibrary::api().smbc_getOptionUserData(context));
    if (!l.domain.isEmpty())
        copyOut(l.domain, workgroup, workgroupSize);
    // No user: the server's guest account, as an anonymous login is refused
    // by servers that map unknown users to the guest.
    copyOut(l.user.isEmpty() ? QStringLiteral("guest") : l.user, user, userSize);
    copyOut(l.password, password, passwordSize);
}

std::recursive_mutex *&libraryLock()
{
    static std::recursive_mutex *library = new std::recursive_mutex;
    return library;
}

} // namespace

std::unique_lock<std::recursive_mutex> SmbContext::lock()
{
    return std::unique_lock<std::recursive_mutex>(*libraryLock());
}

void SmbContext::forkedWhileLocked()
{
    libraryLock() = new std::recursive_mutex;
}

SmbContext::SmbContext(const ShareLogin &login) : m_login(login.resolved())
{
    const SmbLibrary *library = SmbLibrary::load(&m_error);
    if (!library)
        return;
    const auto locked = lock();
    m_context = SmbLibrary::api().smbc_new_context();
    if (!m_context) {
        m_error = errorText(errno);
        return;
    }
    SmbLibrary::api().smbc_setDebug(m_context, 0);
    SmbLibrary::api().smbc_setOptionUserData(m_context, &m_login);
    SmbLibrary::api().smbc_setFunctionAuthDataWithContext(m_context, ::login);
    SmbLibrary::api().smbc_setOptionUseKerberos(m_context, false);
    SmbLibrary::api().smbc_setOptionFallbackAfterKerberos(m_context, true);
    if (!SmbLibrary::api().smbc_init_context(m_context)) {
        m_error = errorText(errno);
        SmbLibrary::api().smbc_free_context(m_context, 1);
        m_context = nullptr;
    }
}

SmbContext::~SmbContext()
{
    const auto locked = lock();
    if (m_context)
        SmbLibrary::api().smbc_free_context(m_context, 1);
}

QByteArray SmbContext::url(const QString &path)
{
    // libsmbclient decodes %XX in paths: a literal % is written %25.
    return QString(path).replace(QLatin1Char('%'), QStringLiteral("%25")).toUtf8();
}

QString SmbContext::errorText(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("the server refused the login or access (check the share login)");
    case ENOENT:
        return QStringLiteral("no such file or folder on the share");
    case ETIMEDOUT:
    case ECONNREFUSED:
    case EHOSTUNREACH:
        return QStringLiteral("the server cannot be reached (%1)").arg(qt_error_string(error));
    default:
        return qt_error_string(error);
    }
}
