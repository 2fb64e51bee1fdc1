#pragma once

// A file server for tests and benchmarks: Samba's smbd on a free loopback
// port sharing a folder as a guest share, its request counters, and
// smbnetfs (FUSE) mounts of the share as other clients. Needs root, smbd,
// smbnetfs and /dev/fuse (available() says whether they are there).
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <map>
#include <netinet/in.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ShareServer {

// smbd and its status tool, and root to run it.
inline bool serverAvailable()
{
    return ::geteuid() == 0 && QFile::exists(QStringLiteral("/usr/sbin/smbd")) &&
           QFile::exists(QStringLiteral("/usr/bin/smbstatus"));
}

// smbnetfs mounts (FUSE) too.
inline bool available()
{
    return serverAvailable() && QFile::exists(QStringLiteral("/usr/bin/smbnetfs")) &&
           QFile::exists(QStringLiteral("/dev/fuse"));
}

using Counters = std::map<QByteArray, qint64>;

inline qint64 requests(const Counters &c)
{
    qint64 sum = 0;
    for (const auto &[name, value] : c)
        if (name.startsWith("smb2_") && name.endsWith("_count"))
            sum += value;
    return sum;
}

inline qint64 bytesRead(const Counters &c)
{
    const auto at = [&](const char *name) {
        const auto it = c.find(name);
        return it == c.end() ? 0 : it->second;
    };
    return at("syscall_pread_bytes") + at("syscall_asys_pread_bytes") +
           at("syscall_sendfile_bytes");
}

inline Counters minus(const Counters &after, const Counters &before)
{
    Counters d;
    for (const auto &[name, value] : after) {
        const auto it = before.find(name);
        d[name] = value - (it == before.end() ? 0 : it->second);
    }
    return d;
}

// Starts `program` in a session of its own (smbd, once stopped, signals its
// whole process group).
inline bool startDetached(QProcess &p, const QString &program, const QStringList &args,
                          const QString &log)
{
    p.setChildProcessModifier([] { ::setsid(); });
    p.setStandardOutputFile(log);
    p.setStandardErrorFile(log);
    p.start(program, args);
    return p.waitForStarted();
}

inline void stop(QProcess &p)
{
    if (p.state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(p.processId()), SIGTERM);
    if (!p.waitForFinished(10000)) {
        ::kill(pid_t(p.processId()), SIGKILL);
        p.waitForFinished(5000);
    }
}

// Binds (port 0: any free one) or connects a TCP socket on 127.0.0.1; the
// port bound, or whether the connection was taken.
inline int loopback(int port, bool connectTo)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(quint16(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    int result = 0;
    if (connectTo)
        result = ::connect(fd, reinterpret_cast<sockaddr *>(&a), length) == 0;
    else if (::bind(fd, reinterpret_cast<sockaddr *>(&a), length) == 0 &&
             ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &length) == 0)
        result = ntohs(a.sin_port);
    ::close(fd);
    return result;
}

inline void writeText(const QString &path, const QByteArray &text, QFile::Permissions mode = {})
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text) != text.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    if (mode)
        f.setPermissions(mode);
}

// smbd serving `shared` as guest share "share" on 127.0.0.1:port, its state
// in `scratch`.
class SmbServer
{
public:
    SmbServer(const QString &scratch, const QString &shared) : m_scratch(scratch)
    {
        m_port = loopback(0, false);
        m_conf = scratch + QStringLiteral("/smb.conf");
        QByteArray text = "[global]\n"
                          "server role = standalone server\n"
                          "interfaces = 127.0.0.1\n"
                          "bind interfaces only = yes\n"
                          "disable netbios = yes\n"
                          "load printers = no\n"
                          "printcap name = /dev/null\n"
                          "disable spoolss = yes\n"
                          "map to guest = Bad User\n"
                          "guest account = nobody\n"
                          "smbd profiling level = on\n";
        text += "smb ports = " + QByteArray::number(m_port) + '\n';
        for (const char *dir : {"lock directory", "state directory", "cache directory",
                                "private dir", "pid directory", "ncalrpc dir"}) {
            const QString path = scratch + QStringLiteral("/state/") +
                                 QString::fromLatin1(dir).section(QLatin1Char(' '), 0, 0);
            QDir().mkpath(path);
            text += QByteArray(dir) + " = " + QFile::encodeName(path) + '\n';
        }
        text += "log file = " + QFile::encodeName(scratch) + "/state/log.%m\n";
        text += "[share]\npath = " + QFile::encodeName(shared) +
                "\nguest ok = yes\nguest only = yes\nread only = no\nforce user = root\n";
        writeText(m_conf, text);
    }
    ~SmbServer() { stop(m_smbd); }

    bool start()
    {
        if (m_port == 0 ||
            !startDetached(m_smbd, QStringLiteral("/usr/sbin/smbd"),
                           {QStringLiteral("--foreground"), QStringLiteral("--no-process-group"),
                            QStringLiteral("-s"), m_conf},
                           m_scratch + QStringLiteral("/smbd.log")))
            return false;
        for (int i = 0; i < 100; ++i, QThread::msleep(100))
            if (loopback(m_port, true))
                return true; // listening
        return false;
    }
    int port() const { return m_port; }

    Counters counters() const
    {
        QProcess status;
        status.start(QStringLiteral("smbstatus"),
                     {QStringLiteral("-s"), m_conf, QStringLiteral("--profile")});
        status.waitForFinished(30000);
        Counters c;
        for (const QByteArray &line : status.readAllStandardOutput().split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                c[line.left(colon).trimmed()] = line.mid(colon + 1).trimmed().toLongLong();
        }
        return c;
    }
    // The counters once they stopped changing: smbd writes them out late.
    Counters settled() const
    {
        QThread::msleep(2000);
        Counters last = counters();
        for (int i = 0; i < 20; ++i) {
            QThread::msleep(500);
            Counters now = counters();
            if (requests(now) == requests(last) && bytesRead(now) == bytesRead(last))
                break;
            last = std::move(now);
        }
        return last;
    }
    // Waits until at least `atLeast` requests came and then at most
    // `perSecond` a second (none: 0) over `quietMs` (at most `limitMs` in all).
    void waitQuiet(int quietMs, int limitMs, qint64 atLeast = 0, int perSecond = 0) const
    {
        QElapsedTimer total, window;
        total.start();
        window.start();
        const qint64 first = requests(counters());
        qint64 windowStart = first;
        while (total.elapsed() < limitMs) {
            QThread::msleep(250);
            const qint64 now = requests(counters());
            if (now - first < atLeast || now - windowStart > qint64(perSecond) * quietMs / 1000) {
                windowStart = now;
                window.start();
            } else if (window.elapsed() >= quietMs) {
                return;
            }
        }
    }

private:
    QString m_scratch, m_conf;
    int m_port = 0;
    QProcess m_smbd;
};

// The share mounted with smbnetfs at `folder`, as guest; the share is at
// folder/127.0.0.1:PORT/share.
class FuseMount
{
public:
    FuseMount(const QString &folder, const QString &home) : m_folder(folder)
    {
        QDir().mkpath(folder);
        QDir().mkpath(home + QStringLiteral("/.smb"));
        m_config = home + QStringLiteral("/.smb/smbnetfs.conf");
        // smbnetfs reads its configuration only when no one else may.
        writeText(m_config, "auth \"guest\" \"\"\nsmb_query_browsers \"false\"\n",
                  QFile::ReadOwner | QFile::WriteOwner);
        writeText(home + QStringLiteral("/.smb/smb.conf"),
                  "[global]\nclient min protocol = SMB2\n");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        m_process.setProcessEnvironment(env);
        m_log = home + QStringLiteral("/smbnetfs.log");
    }
    ~FuseMount()
    {
        stop(m_process);
        ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    }
    bool mount(const QString &probe)
    {
        if (!startDetached(m_process, QStringLiteral("smbnetfs"),
                           {m_folder, QStringLiteral("-f"), QStringLiteral("-o"),
                            QStringLiteral("config=") + m_config},
                           m_log))
            return false;
        for (int i = 0; i < 100; ++i, QThread::msleep(100))
            if (QFile::exists(probe))
                return true;
        return false;
    }

private:
    QString m_folder, m_config, m_log;
    QProcess m_process;
};

} // namespace ShareServer
