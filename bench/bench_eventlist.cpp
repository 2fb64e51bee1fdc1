// Loads a 64 MiB event log into the event list and prints, one per line:
//   load_sort_ms  loadFromFile (read and decoded in pieces) + sort by Date ascending
//   floor_ms      read + decode + split into lines and fields, no model
//   ratio         load_sort_ms / floor_ms
//   resort_ms     sort by Object (and other columns, for information)
//   append_us     one addRow of today into the list sorted by Date ascending
//   insert_front_us  one addRow that lands at position 0 (Date descending)
//   peak_rss_mb   peak resident memory of the model phase (VmHWM)
//   viewer_open_ms  opening the event log viewer on the file, first paint
//                 included (built with the widgets library only)
// Each *_ms figure is wall time, best of its runs; *_cpu_ms is the process's
// CPU time for the same run, a steadier figure on a busy machine.
// Usage: bench_eventlist [megabytes]

#include "engine/eventlog/EventList.h"

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#if __has_include(<QApplication>)
#include "engine/QtTimerService.h"
#include "engine/repository/memory/MemoryRepository.h"
#include "engine/settings/SettingsStore.h"
#include "ui/eventlog/frmLog.h"
#include "ui/eventlog/frmLogPlug.h"
#include "ui/main/frmZel.h"

#include <QApplication>
#define QUORVIK_BENCH_VIEWER 1
#endif

#include <array>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

namespace {

QByteArray makeLog(qint64 bytes)
{
    static const char *const actions[] = {"Check Out", "Check In", "Check In (Undo Check Out)",
                                          "check in"};
    static const int actionWeights[] = {45, 80, 90, 100};
    static const char *const extensions[] = {"cpp", "h", "frm", "bas", "txt"};
    QRandomGenerator random(1234);
    QByteArray log;
    log.reserve(bytes + 200);
    QDate date(2023, 1, 1);
    int second = 8 * 3600;
    const int recordsPerDay = 1500; // about a million records over two years
    int today = 0;
    while (log.size() < bytes) {
        if (++today > recordsPerDay) {
            today = 0;
            date = date.addDays(1);
            second = 8 * 3600;
        }
        second = std::min(second + int(random.bounded(40)), 86399);
        const int draw = int(random.bounded(100));
        int action = 0;
        while (draw >= actionWeights[action])
            ++action;
        char line[200];
        const int n = std::snprintf(
            line, sizeof line, "%s\t%02d:%02d:%02d\t$/Project%d/Sub%d/file%d.%s\t%s\r\n",
            date.toString("yyyy-MM-dd").toLatin1().constData(), second / 3600, second / 60 % 60,
            second % 60, int(random.bounded(40)), int(random.bounded(10)),
            int(random.bounded(5000)), extensions[random.bounded(5)], actions[action]);
        log.append(line, n);
    }
    return log;
}

QString readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// The least work any loader must do: read, decode, find lines and fields.
size_t splitOnly(const QString &path)
{
    const QString text = readText(path);
    const QStringView all(text);
    std::vector<std::array<QStringView, 4>> records;
    qsizetype start = 0;
    for (qsizetype lf, next = 0; (lf = all.indexOf(u'\n', next)) >= 0;) {
        next = lf + 1;
        if (lf == start || all[lf - 1] != u'\r')
            continue; // a lone LF belongs to the line
        const QStringView line = all.mid(start, lf - 1 - start);
        start = lf + 1;
        std::array<QStringView, 4> fields;
        qsizetype from = 0;
        int f = 0;
        for (; f < 3; ++f) {
            const qsizetype tab = line.indexOf(u'\t', from);
            if (tab < 0)
                break;
            fields[size_t(f)] = line.mid(from, tab - from);
            from = tab + 1;
        }
        if (f < 3)
            continue;
        const qsizetype tab = line.indexOf(u'\t', from);
        fields[3] = line.mid(from, tab < 0 ? -1 : tab - from);
        records.push_back(fields);
    }
    return records.size();
}

struct Timing
{
    double wallMs = 1e30;
    double cpuMs = 1e30;
};

double cpuNowMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Best of `runs`; `prepare` runs untimed before each.
Timing measure(
    int runs, const std::function<void()> &work, const std::function<void()> &prepare = [] {})
{
    Timing best;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QElapsedTimer timer;
        const double cpuStart = cpuNowMs();
        timer.start();
        work();
        best.wallMs = std::min(best.wallMs, timer.nsecsElapsed() / 1e6);
        best.cpuMs = std::min(best.cpuMs, cpuNowMs() - cpuStart);
    }
    return best;
}

void print(const char *name, const Timing &t, double scale = 1, const char *unit = "ms")
{
    std::printf("%s_%s=%.2f\n%s_cpu_%s=%.2f\n", name, unit, t.wallMs * scale, name, unit,
                t.cpuMs * scale);
}

long peakRssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

bool resetPeakRss()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

EventRow newRow(const QString &date, int i)
{
    const QString object = QStringLiteral("$/Project1/Sub1/new%1.cpp").arg(i);
    return EventRow{date + QStringLiteral(" 12:00:00") + object,
                    QStringLiteral("Check Out"),
                    date,
                    QStringLiteral("12:00:00"),
                    object,
                    QStringLiteral("someone")};
}

#ifdef QUORVIK_BENCH_VIEWER
// Opens the viewer of a main window (not started) on the log at `path`.
Timing openViewer(int argc, char **argv, const QString &path, const QString &configDir)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QtTimerService timers;
    SystemClock clock;
    SettingsStore store(configDir);
    frmZelServices services;
    services.timers = &timers;
    services.clock = &clock;
    services.factory = MemoryRepository::create()->factory();
    services.store = &store;
    frmZel main(services);
    frmLog &viewer = PlugEventLogViewer(main);
    main.zel().eventLog.EventLogPath = path;
    return measure(1, [&] {
        viewer.showViewer();
        QCoreApplication::processEvents();
    });
}
#endif

} // namespace

int main(int argc, char **argv)
{
    const qint64 megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 64;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QVEvent.txt"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(makeLog(megabytes << 20)) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("file_mb=%.1f\n", file.size() / 1048576.0);
    }

    size_t records = 0;
    const Timing floor = measure(3, [&] { records = splitOnly(path); });
    std::printf("records=%zu\n", records);

    const bool peakReset = resetPeakRss();
    // The viewer's load: a new list, the file's records, sorted by date.
    std::unique_ptr<EventList> list;
    const Timing loadSort = measure(
        3,
        [&] {
            list->loadFromFile(path);
            list->sort(EventList::DateColumn, Qt::AscendingOrder);
        },
        [&] {
            list.reset();
            list = std::make_unique<EventList>();
        });
    if (list->count() != int(records)) {
        std::fprintf(stderr, "loaded %d rows, expected %zu\n", list->count(), records);
        return 1;
    }
    print("load_sort", loadSort);
    print("floor", floor);
    std::printf("ratio=%.2f\nratio_cpu=%.2f\n", loadSort.wallMs / floor.wallMs,
                loadSort.cpuMs / floor.cpuMs);

    auto sortBy = [&](int column, Qt::SortOrder order) {
        return measure(1, [&] { list->sort(column, order); });
    };
    print("resort", sortBy(EventList::ObjectColumn, Qt::AscendingOrder));
    print("resort_reverse", sortBy(EventList::ObjectColumn, Qt::DescendingOrder));
    print("resort_action", sortBy(EventList::ActionColumn, Qt::AscendingOrder));
    print("resort_time", sortBy(EventList::TimeColumn, Qt::AscendingOrder));
    print("resort_date", sortBy(EventList::DateColumn, Qt::AscendingOrder));

    const QString today = QDate(2030, 1, 1).toString(QStringLiteral("yyyy-MM-dd"));
    const int appends = 1000;
    print("append",
          measure(1,
                  [&] {
                      for (int i = 0; i < appends; ++i)
                          list->addRow(newRow(today, i));
                  }),
          1000.0 / appends, "us");
    if (list->lastRow().date != today)
        std::fprintf(stderr, "an added row of today is not last\n");

    list->sort(EventList::DateColumn, Qt::DescendingOrder);
    const int fronts = 100;
    print("insert_front",
          measure(1,
                  [&] {
                      for (int i = 0; i < fronts; ++i)
                          list->addRow(
                              newRow(QDate(2031, 1, 1).addDays(i).toString("yyyy-MM-dd"), i));
                  }),
          1000.0 / fronts, "us");
    if (list->row(0).date != QDate(2031, 1, 1).addDays(fronts - 1).toString("yyyy-MM-dd"))
        std::fprintf(stderr, "the newest row is not first\n");

    std::printf("peak_rss_mb=%.1f%s\n", peakRssKb() / 1024.0,
                peakReset ? "" : " (peak of the whole run: could not reset VmHWM)");
#ifdef QUORVIK_BENCH_VIEWER
    list.reset();
    print("viewer_open", openViewer(argc, argv, path, dir.filePath(QStringLiteral("config"))));
#endif
    return 0;
}
