#include "SmbNotifier.h"

#include "SmbContext.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr unsigned kWaitSliceMs = 1000;
constexpr int kLongestPauseMs = 30000;

// The child's side: a pipe to the parent and whether the request worked.
struct ChildState
{
    int out;
    bool answered;
};

void writeAll(int fd, const QByteArray &bytes)
{
    for (qsizetype at = 0; at < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + at, size_t(bytes.size() - at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ::_exit(0); // the parent is gone
        at += n;
    }
}

// Names come as paths below the watched folder with '\' separators; the
// parent gets each file's own name on a line.
int changed(const smbc_notify_callback_action *actions, size_t count, void *state)
{
    auto *child = static_cast<ChildState *>(state);
    child->answered = true;
    if (::getppid() == 1)
        ::_exit(0);
    QByteArray lines;
    for (size_t i = 0; i < count; ++i) {
        const QByteArray path(actions[i].filename);
        lines += path.mid(path.lastIndexOf('\\') + 1) + '\n';
    }
    if (!lines.isEmpty())
        writeAll(child->out, lines);
    return 0;
}

} // namespace

SmbNotifier::SmbNotifier(QString folder, ShareLogin login,
                         std::function<void(const QString &)> onChange)
    : m_folder(std::move(folder)), m_login(login.resolved()), m_onChange(std::move(onChange))
{
    m_login.credentialsFile.clear(); // read here: the child reads no file
}

SmbNotifier::~SmbNotifier()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
}

bool SmbNotifier::start()
{
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return false;
    const pid_t parent = ::getpid();
    // No other thread is inside libsmbclient while the child copies its state.
    auto locked = SmbContext::lock();
    m_pid = ::fork();
    if (m_pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(0);
        SmbContext::forkedWhileLocked();
        runChild(pipeEnds[1]);
    }
    locked.unlock();
    ::close(pipeEnds[1]);
    if (m_pid < 0) {
        ::close(pipeEnds[0]);
        return false;
    }
    m_fd = pipeEnds[0];
    ::fcntl(m_fd, F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SmbNotifier::readNames);
    return true;
}

void SmbNotifier::readNames()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0) {
            m_pending.append(buffer, n);
            continue;
        }
        if (n == 0) // the child ended: the poll timer alone is left
            m_notifier->setEnabled(false);
        break;
    }
    qsizetype end;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        const QString name = QString::fromUtf8(m_pending.left(end));
        m_pending.remove(0, end + 1);
        m_onChange(name);
    }
}

void SmbNotifier::runChild(int out)
{
    // Nothing of the parent's but the pipe: no lock or socket it holds may
    // outlive its closing it here.
    if (out != 3) {
        ::dup2(out, 3);
        out = 3;
    }
    ::fcntl(out, F_SETFD, 0);
    for (int fd = 4; fd < 65536; ++fd)
        ::close(fd);
    // The parent's signal handlers (stop, reload) are not the child's.
    for (int signal = 1; signal < NSIG; ++signal)
        if (signal != SIGKILL && signal != SIGSTOP)
            ::signal(signal, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    const uint32_t filter = SMBC_NOTIFY_CHANGE_FILE_NAME | SMBC_NOTIFY_CHANGE_SIZE |
                            SMBC_NOTIFY_CHANGE_LAST_WRITE | SMBC_NOTIFY_CHANGE_ATTRIBUTES;
    ChildState state{out, false};
    int pauseMs = 1000;
    for (;;) {
        {
            SmbContext context(m_login);
            SMBCCTX *c = context.get();
            SMBCFILE *dir = c ? SmbLibrary::api().smbc_getFunctionOpendir(c)(
                                    c, SmbContext::url(m_folder).constData())
                              : nullptr;
            if (dir) {
                state.answered = false;
                SmbLibrary::api().smbc_getFunctionNotify(c)(c, dir, true, filter, kWaitSliceMs,
                                                            changed, &state);
                SmbLibrary::api().smbc_getFunctionClosedir(c)(c, dir);
            }
        }
        if (state.answered) {
            pauseMs = 1000;
            writeAll(out, "\n"); // writes may have been missed
        }
        ::usleep(useconds_t(pauseMs) * 1000);
        pauseMs = std::min(pauseMs * 2, kLongestPauseMs);
    }
}
