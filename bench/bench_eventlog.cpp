// Event log file costs on a 64 MiB log: rewriting the newest action, an
// append below the limit, and a trim. Prints one name=value figure per line.
#include "engine/Clock.h"
#include "engine/eventlog/AtomicFile.h"
#include "engine/eventlog/EventLogFile.h"
#include "engine/eventlog/LogFileIo.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr qint64 kLogBytes = 64LL * 1024 * 1024;
constexpr int kRuns = 7;

const char *const kActions[] = {"Check Out", "Check In", "Check In (Undo Check Out)"};

// A log of realistic records, oldest first, at least `bytes` long.
bool writeLog(const QString &path, qint64 bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDateTime stamp(QDate(2024, 1, 1), QTime(8, 0, 0));
    QByteArray block;
    for (int i = 0; file.size() + block.size() < bytes; ++i) {
        block += stamp.toString("yyyy-MM-dd\thh:mm:ss").toUtf8() +
                 QStringLiteral("\t$/Products/Quorvik/src/module%1/file%2.cpp\t")
                     .arg(i % 97, 3, 10, QLatin1Char('0'))
                     .arg(i % 4099, 4, 10, QLatin1Char('0'))
                     .toUtf8() +
                 kActions[i % 3] + "\r\n";
        stamp = stamp.addSecs(37);
        if (block.size() > 1024 * 1024) {
            file.write(block);
            block.clear();
        }
    }
    return file.write(block) == block.size();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Median wall time of `runs` calls, in milliseconds.
double medianMs(int runs, const std::function<void(int)> &step)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        step(run);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    return median(times);
}

const char *copyMethodName(AtomicFile::CopyMethod method)
{
    switch (method) {
    case AtomicFile::CopyMethod::Clone:
        return "reflink";
    case AtomicFile::CopyMethod::KernelCopy:
        return "copy_file_range";
    case AtomicFile::CopyMethod::ReadWrite:
        return "read_write";
    case AtomicFile::CopyMethod::None:
        break;
    }
    return "none";
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("QVEvent.txt");
    if (!dir.isValid() || !writeLog(path, kLogBytes)) {
        std::fprintf(stderr, "cannot build the log in %s\n", qPrintable(dir.path()));
        return 1;
    }
    SystemClock clock;
    EventLogFile log(clock);
    log.EventLogPath = path;
    log.MaxLogSize = "131072"; // 128 MiB: appends stay below the limit
    std::printf("log_bytes=%lld\n", QFile(path).size());

    const double searchMs =
        medianMs(kRuns, [&](int) { LogFileIo::lastIndexOf(path, '\t', QStringLiteral("bench")); });
    std::printf("amend_tail_search_us=%.1f\n", searchMs * 1000);

    const double amendMs =
        medianMs(kRuns, [&](int run) { log.UpdateLastAction(run % 2 ? "check in" : "Check Out"); });
    std::printf("amend_64MiB_ms=%.2f\n", amendMs);
    std::printf("amend_copy_method=%s\n", copyMethodName(AtomicFile::lastCopyMethod()));

    // For comparison: the whole-file way (read, decode, encode, rewrite).
    const double wholeMs = medianMs(3, [&](int) {
        const QString text = EventLogFile::ReadTextFile(path);
        EventLogFile::WriteTextFile(path, text.left(text.lastIndexOf('\t') + 1) + "check in\r\n");
    });
    std::printf("amend_whole_file_64MiB_ms=%.2f\n", wholeMs);

    const QString record = QDateTime::currentDateTime().toString("yyyy-MM-dd\thh:mm:ss") +
                           "\t$/Products/Quorvik/src/module001/file0001.cpp\tCheck Out";
    const double appendMs = medianMs(kRuns, [&](int) { log.WriteLog(path, record, true); });
    std::printf("append_ms=%.3f\n", appendMs);

    // One trim under "overwrite as needed": 64 MiB plus the appends above,
    // limit 64 MiB.
    log.MaxLogSize = "65536";
    const double trimMs = medianMs(1, [&](int) { log.WriteLog(path, record, true); });
    std::printf("trim_64MiB_append_ms=%.2f\n", trimMs);
    return 0;
}
