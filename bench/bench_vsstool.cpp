// quorvik-vss on a large generated database: `tree` and `checkouts` as the
// user runs them, as processes, their output read through a pipe.
// Usage: bench_vsstool [files [projects [history [depth]]]]; defaults
// 99000 1000 20 4 (100,000 items with the root). One file in 1,000 is
// checked out. Prints one name=value figure per line: the time to the first
// line and to the end, the CPU time, the lines, and the peak resident memory,
// also for `history` of one file (the program's base) for comparison.
#include "BenchSupport.h"
#include "VssWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>

#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Run
{
    double firstLineMs = -1;
    double totalMs = 0;
    double cpuMs = 0; // user and system time of the program
    qint64 lines = 0;
    long peakRssKb = 0;
    int status = -1;
};

// Runs `program` with `args` under /usr/bin/time, which reports the peak
// memory of the program alone (a child forked from this process would count
// this process's pages too), reading its standard output as it comes.
Run runTool(const QString &program, const QStringList &args, const QString &report)
{
    QList<QByteArray> storage{
        "/usr/bin/time",           "-f", "%M %U %S", "-o", QFile::encodeName(report),
        QFile::encodeName(program)};
    for (const QString &a : args)
        storage << a.toUtf8();
    std::vector<char *> argv;
    for (QByteArray &a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    Run run;
    int fds[2];
    if (::pipe(fds) != 0)
        return run;
    QElapsedTimer t;
    t.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    char buffer[65536];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0)
            break;
        if (run.firstLineMs < 0)
            run.firstLineMs = t.nsecsElapsed() / 1e6;
        run.lines += std::count(buffer, buffer + n, '\n');
    }
    ::close(fds[0]);
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid)
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.totalMs = t.nsecsElapsed() / 1e6;
    QFile peak(report);
    if (peak.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> figures = peak.readAll().trimmed().split('\n').last().split(' ');
        run.peakRssKb = figures.value(0).toLong();
        run.cpuMs = (figures.value(1).toDouble() + figures.value(2).toDouble()) * 1000;
    }
    return run;
}

void print(const char *name, const Run &run)
{
    std::printf("%s_ms=%.0f\n%s_cpu_ms=%.0f\n%s_first_line_ms=%.1f\n%s_lines=%lld\n"
                "%s_peak_rss_kb=%ld\n",
                name, run.totalMs, name, run.cpuMs, name, run.firstLineMs, name,
                qlonglong(run.lines), name, run.peakRssKb);
    if (run.status != 0)
        std::printf("%s_exit_status=%d\n", name, run.status);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const VssGenPopulate::Options o = BenchSupport::largeDatabase(args);
    QStringList specs;
    const QString dir = BenchSupport::database(
        QStringLiteral("vsstool"), o, specs, [&o](const QString &folder, const QStringList &files) {
            VssWriter writer(folder);
            for (qsizetype i = 0; i < files.size(); i += 1000)
                writer.checkout(files[i], VssWriter::Stamp{o.user, o.start.addDays(1), {}});
        });
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/quorvik-vss");
    const QStringList db{QStringLiteral("--ini"), dir + QStringLiteral("/srcsafe.ini"),
                         QStringLiteral("--user"), o.user};

    std::printf("items=%lld\n", qlonglong(o.files) + o.projects + 1);
    const QString report = dir + QStringLiteral("/peak-rss.txt");
    print("base",
          runTool(tool, QStringList{QStringLiteral("history")} + db << specs.value(0), report));
    print("tree", runTool(tool, QStringList{QStringLiteral("tree")} + db, report));
    print("checkouts", runTool(tool, QStringList{QStringLiteral("checkouts")} + db, report));
    return 0;
}
