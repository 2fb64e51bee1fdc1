// How soon a change shows: the time from a check-out written by the test
// writer to its event record on the standard output of `quorvik --headless`
// polling every 60 minutes, on a local database. Check-outs and undos
// alternate on one of the watched files. Usage: bench_notify [rounds [files]];
// defaults 10 and 50. Prints one name=value figure per line.
#include "VssWriter.h"

#include "engine/Suspects.h"
#include "engine/settings/Settings.h"
#include "engine/settings/SettingsStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {

// Waits for the next complete line of `p`'s standard output.
QByteArray nextLine(QProcess &p, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!p.canReadLine() && waited.elapsed() < timeoutMs)
        p.waitForReadyRead(50);
    return p.canReadLine() ? p.readLine() : QByteArray();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int rounds = args.size() > 1 ? args[1].toInt() : 10;
    const int files = args.size() > 2 ? args[2].toInt() : 50;

    QTemporaryDir dir;
    const QString db = dir.filePath("db"), config = dir.filePath("config");
    const QDateTime created = QDateTime::currentDateTime().addDays(-1);
    VssWriter::create(db, {{"Dora", ""}, {"me", "pw"}}, created);
    VssWriter writer(db);
    writer.addProject("$/Src", {"Admin", created, {}});
    Suspects watched;
    for (int i = 0; i < files; ++i) {
        const QString spec = QStringLiteral("$/Src/file%1.cpp").arg(i);
        writer.addFile(spec, {"Admin", created, {}}, "x");
        watched.Add(spec, 0, 1, created);
    }
    {
        SettingsStore store(config);
        auto set = [&](const char *key, const QString &value) {
            store.SaveSetting(kAppName, "Params", key, value);
        };
        set("Inifile", db + "/srcsafe.ini");
        set("Username", "me");
        set("Password", XorByLength("pw"));
        set("Logfile", dir.filePath("QVEvent.txt"));
        set("StartUp", "False");
        set("PollDelay", "7");
        StoreFileList(watched, store);
    }

    QProcess quorvik;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", dir.path());
    quorvik.setProcessEnvironment(env);
    quorvik.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    quorvik.start(QStringLiteral(QUORVIK_BIN_DIR "/quorvik"),
                  {"--headless", "--config-dir", config});
    if (!quorvik.waitForStarted())
        return std::fprintf(stderr, "cannot start quorvik\n"), 1;
    QThread::msleep(2000); // the session start

    const QString spec = QStringLiteral("$/Src/file%1.cpp").arg(files / 2);
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        if (i % 2 == 0)
            writer.checkout(spec, {"Dora", QDateTime::currentDateTime(), {}});
        else
            writer.undoCheckout(spec, {"Dora", QDateTime::currentDateTime(), {}});
        if (nextLine(quorvik, 30000).isEmpty())
            return std::fprintf(stderr, "no event within 30 s\n"), 1;
        ms.push_back(t.nsecsElapsed() / 1e6);
        QThread::msleep(500);
    }
    quorvik.terminate();
    quorvik.waitForFinished();

    std::sort(ms.begin(), ms.end());
    std::printf("notify_interval_s=3600\nnotify_watched_files=%d\nnotify_rounds=%d\n", files,
                rounds);
    std::printf("notify_latency_median_ms=%.0f\nnotify_latency_max_ms=%.0f\n", ms[ms.size() / 2],
                ms.back());
    return 0;
}
