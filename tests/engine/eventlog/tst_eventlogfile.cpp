#include "engine/ZelError.h"
#include "engine/eventlog/AtomicFile.h"
#include "engine/eventlog/EventLogFile.h"
#include "engine/eventlog/LogLock.h"
#include "engine/eventlog/LogBirth.h"
#include "engine/eventlog/LogText.h"
#include "support/ManualTimers.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <functional>
#include <optional>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using TestFiles::read;

namespace {

const QByteArray kCrLf = "\r\n";

QByteArray record(const QDate &date, const QString &object, const QString &action = "Check Out")
{
    return (date.toString("yyyy-MM-dd") + "\t09:30:00\t" + object + "\t" + action).toUtf8();
}

// The text in UTF-16LE after its byte order mark (on a little-endian host).
QByteArray utf16File(const QString &text)
{
    return "\xFF\xFE" + QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

// The error that `step` raises; number 0 when it raises none.
template <typename Step> ZelError errorOf(Step step)
{
    try {
        step();
    } catch (const ZelError &e) {
        return e;
    }
    return ZelError(0, "", "");
}

constexpr int kWriterRecords = 60;

} // namespace

class tst_EventLogFile : public QObject
{
    Q_OBJECT

private:
    std::optional<QTemporaryDir> m_dir;
    ManualClock m_clock; // 2026-12-06 09:00:00
    QDate today() const { return m_clock.current.date(); }
    QString path(const QString &name = "QVEvent.txt") const { return m_dir->filePath(name); }
    EventLogFile makeLog(qint16 maxAction = 0) // MaxDays empty: 7
    {
        EventLogFile log(m_clock);
        log.EventLogPath = path();
        log.MaxAction = maxAction;
        log.MaxLogSize = "1";
        return log;
    }
    // Records `from` to `to` of a log of 124-byte records (1240 bytes for ten).
    QByteArray records(int from = 0, int to = 10)
    {
        QByteArray bytes;
        for (int i = from; i < to; ++i)
            bytes += record(today(), QString("$/Project/%1/").arg(i) + QString(80, 'x')) + kCrLf;
        return bytes;
    }
    void appendEvent(EventLogFile &log, const QByteArray &text)
    {
        log.WriteLog(log.EventLogPath, QString::fromUtf8(text), true);
    }

private slots:
    void init() { QVERIFY(m_dir.emplace().isValid()); }
    void cleanup() { AtomicFile::setBeforeReplaceHook({}); }

    // Each row: a log under one policy and what of it is left before the
    // appended record (created with CR LF line ends when missing).
    void trimPolicies_data()
    {
        QTest::addColumn<int>("maxAction");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("kept");
        const QByteArray atLimit = records(0, 8) + QByteArray(30, 'p') + kCrLf; // 1024 bytes
        QByteArray old, young, allOld;
        for (int age = 12; age >= 7; --age)
            old += record(today().addDays(-age), "$/old/" + QString(150, 'o')) + kCrLf;
        for (int age = 6; age >= 0; --age)
            young += record(today().addDays(-age), "$/young.txt") + kCrLf;
        old += "a line\twith too few\tfields" + kCrLf;
        young += record(today().addDays(-9), "$/old but after a young one") + kCrLf;
        for (int i = 0; i < 10; ++i)
            allOld += record(today().addDays(-30), "$/old/" + QString(150, 'o')) + kCrLf;
        // A damaged date stops the age walk: it and all after it stay.
        const QByteArray damaged = "yesterday\t09:00:00\t$/a\tCheck Out\r\n" + records();
        QTest::newRow("missing file") << 0 << QByteArray() << QByteArray();
        QTest::newRow("exactly the limit") << 0 << atLimit << atLimit;
        // Cut at the first line end from line 2 on that leaves at most the limit.
        QTest::newRow("one byte over")
            << 0 << atLimit + "p"
            << kCrLf + records(2, 8) + QByteArray(30, 'p') + kCrLf + "p" + kCrLf;
        const QByteArray tail = QByteArray(1020, 'b') + kCrLf; // the cut leaves exactly 1024
        QTest::newRow("cut leaving exactly the limit")
            << 0 << "first" + kCrLf + QByteArray(10, 'a') + kCrLf + tail << kCrLf + tail + kCrLf;
        const QByteArray last = QByteArray(1009, 'c') + kCrLf; // the cut at 16 leaves 1025
        QTest::newRow("cut leaving one byte over the limit")
            << 0 << "first" + kCrLf + QByteArray(9, 'a') + kCrLf + "bbbbbbbbbb" + kCrLf + last
            << kCrLf + last + kCrLf;
        QTest::newRow("as needed") << 0 << records() << kCrLf + records(2) + kCrLf;
        QTest::newRow("as needed, no cut") << 0 << QByteArray(2000, 'x') + kCrLf + "partial"
                                           << "partial" + kCrLf;
        QTest::newRow("older than") << 1 << old + young << young + kCrLf;
        QTest::newRow("older than, all old") << 1 << allOld << kCrLf;
        QTest::newRow("older than, none old") << 1 << records() << records();
        QTest::newRow("older than, damaged date")
            << 1 << record(today().addDays(-30), "$/old") + kCrLf + damaged << damaged;
        QTest::newRow("do not overwrite") << 2 << records() << records();
    }
    void trimPolicies()
    {
        QFETCH(int, maxAction);
        QFETCH(QByteArray, content);
        EventLogFile log = makeLog(qint16(maxAction));
        if (!content.isEmpty())
            QVERIFY(TestFiles::write(path(), content));
        const QByteArray rec = record(today(), "$/new.txt");
        appendEvent(log, rec);
        QFETCH(QByteArray, kept);
        QCOMPARE(read(path()), kept + rec + kCrLf);
    }

    // The action after the last TAB is replaced, in the file's encoding.
    void updateLastAction()
    {
        const QByteArray rec = "2026-12-01\t09:30:00\t$/a.txt\tCheck Out\r\n";
        const QByteArray in = "2026-12-01\t09:30:00\t$/a.txt\tcheck in\r\n";
        const QByteArray a(64 * 1024 - 1, 'a');
        for (const auto &[content, expected] : QList<QPair<QByteArray, QByteArray>>{
                 {rec + rec, rec + in},
                 {"", ""},
                 {"just text\r\n", "just text\r\n"}, // no TAB
                 {rec + "2026-12-02\t10:00",
                  rec + "2026-12-02\tcheck in\r\n"}, // after the last line end
                 {rec + "garbage", in},
                 {QString("2026-12-01\t$/Über/naïve.txt\tCheck Out").toUtf8(),
                  QString("2026-12-01\t$/Über/naïve.txt\tcheck in\r\n").toUtf8()},
                 {rec + QByteArray(200 * 1024, 'z') + kCrLf + QByteArray(70 * 1024, 'y'),
                  in}, // TAB far from the end
                 {a + "\t" + QByteArray(64 * 1024, 'b'),
                  a + "\tcheck in\r\n"}, // TAB at a chunk boundary
                 {utf16File("2026-12-01\t$/Größe.txt\tCheck Out\r\n"),
                  utf16File("2026-12-01\t$/Größe.txt\tcheck in\r\n")},
                 {utf16File("no tab\r\n"), utf16File("no tab\r\n")}}) {
            QVERIFY(TestFiles::write(path(), content));
            makeLog().UpdateLastAction("check in");
            QCOMPARE(read(path()), expected);
        }
    }

    // 8-bit text in the local encoding, UTF-16 after its mark; a missing file
    // reads as empty and is not created (the first record does that).
    void rawReadAndWrite()
    {
        // The 8-bit encoding: UTF-8 here, the ANSI code page on Windows.
        QCOMPARE(EventLogFile::WriteTextFile(path("u8.txt"), "Größe\r\n"),
                 qint32(LogText::encode(u"Größe\r\n").size()));
        QVERIFY(TestFiles::write(path("fffe-like.txt"), "\xFF"));
        QCOMPARE(QStringList({EventLogFile::ReadTextFile(path("u8.txt")),
                              EventLogFile::ReadTextFile(path("fffe-like.txt")),
                              EventLogFile::ReadTextFile(path()), EventLogFile::ReadTextFile("")}),
                 QStringList({"Größe\r\n", LogText::decode("\xFF"), "", ""})); // no BOM
        QVERIFY(!QFileInfo::exists(path()));
    }

    // A UTF-16 log takes appended, trimmed and amended records in UTF-16.
    void utf16LogKeepsItsEncoding()
    {
        EventLogFile log = makeLog();
        const QString object = "$/Größe/" + QString(40, 'x');
        const QString rec = QString::fromUtf8(record(today(), object));
        QString text;
        QVERIFY(TestFiles::write(path(), utf16File(text)));
        for (int i = 0; i < 12; ++i) { // the last ones trim
            appendEvent(log, rec.toUtf8());
            const QByteArray bytes = read(path());
            QVERIFY(bytes.startsWith("\xFF\xFE") && bytes.size() <= 1024 + 2 * (rec.size() + 4));
            text = EventLogFile::ReadTextFile(path());
            QVERIFY(text.endsWith(rec + "\r\n") && text.count(object) >= std::min(i + 1, 3));
        }
        QVERIFY(log.AmendLastAction(object, "check in"));
        QCOMPARE(read(path()), utf16File(text.chopped(11) + "check in\r\n"));
    }

    void traceEntryHasEmptyLineTimestampAndMessage()
    {
        EventLogFile log = makeLog();
        const QString trace = path("state/sub/quorvik.log"); // folder created on write
        log.WriteLog(trace, "first\r\nD", false);
        m_clock.advance(61);
        log.WriteLog(trace, "second", false);
        QCOMPARE(read(trace),
                 "\r\n2026-12-06 09:00:00 first\r\nD\r\n\r\n2026-12-06 09:01:01 second\r\n");
    }

    // A failure before the replacement leaves the old content and no
    // temporary file; a trim that fails still lets the record in, and says so.
    void failureBeforeReplaceKeepsOldContent()
    {
        EventLogFile log = makeLog();
        const QByteArray content = records();
        QVERIFY(TestFiles::write(path(), content));
        AtomicFile::setBeforeReplaceHook(
            [&](const QString &) { throw ZelError(57, "test", "simulated crash"); });
        QVERIFY_THROWS_EXCEPTION(ZelError, EventLogFile::WriteTextFile(path(), ""));
        QVERIFY_THROWS_EXCEPTION(ZelError, log.UpdateLastAction("check in"));
        QCOMPARE(read(path()), content);
        const ZelError error = errorOf([&] { appendEvent(log, record(today(), "$/new.txt")); });
        QVERIFY(error.number() == 57 && error.description().endsWith("trimmed: simulated crash"));
        QCOMPARE(read(path()), content + record(today(), "$/new.txt") + kCrLf);
        // No temporary file is left (the lock file stays where flock is used).
        QStringList files = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
        files.removeOne(".QVEvent.txt.lock");
        QCOMPARE(files, QStringList{"QVEvent.txt"});
    }

    // A rewrite keeps what it does not understand byte for byte, the file's
    // permissions and its birth time.
    void rewritesKeepForeignBytesAndPermissions()
    {
        EventLogFile log = makeLog();
        static const char raw[] = "2026-12-06\t09:00:00\t$/bad\xC3\x28\xFF\0name\tCheck Out\r\n";
        const QByteArray odd(raw, sizeof raw - 1);
        QVERIFY(TestFiles::write(path(), records() + odd));
        const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(path(), mode));
        const auto kept = [&] { // Windows has no such modes to keep
            return read(path()).contains(odd) &&
                   (QSysInfo::kernelType() == "winnt" ||
                    (QFile::permissions(path()) & ~(QFile::ReadUser | QFile::WriteUser)) == mode);
        };
        appendEvent(log, record(today(), "$/new.txt"));
        QVERIFY(kept());
        const QDateTime born = LogBirth::of(path());
        QThread::msleep(20);
        log.UpdateLastAction("check in");
        QVERIFY(kept() && read(path()).endsWith("\tcheck in\r\n"));
#ifdef Q_OS_LINUX // Wine keeps no creation time a program sets
        QCOMPARE(LogBirth::of(path()), born);
#endif
    }

    // Failures are errors that say what failed; nothing else is written.
    void failuresAreClearErrors()
    {
        EventLogFile log = makeLog();
        log.EventLogPath = path("missing/QVEvent.txt");
        const ZelError error = errorOf([&] { appendEvent(log, record(today(), "$/a.txt")); });
        QVERIFY(error.number() == 76 && error.source() == "WriteLog" &&
                error.description().contains("missing"));
        QVERIFY(!QFile::exists(path("missing")));
        // An unreadable size falls back to 1024 KB: the record still goes in.
        log.EventLogPath = path();
        log.MaxLogSize = "12ab";
        appendEvent(log, record(today(), "$/a.txt"));
        appendEvent(log, ""); // nothing to add
        QCOMPARE(read(path()), record(today(), "$/a.txt") + kCrLf);
    }

    // A folder that takes no temporary file: the writable log is rewritten
    // in place rather than losing the record.
    void readOnlyFolderRewritesInPlace()
    {
        EventLogFile log = makeLog();
        QVERIFY(TestFiles::write(path(), records()));
        const TestFiles::ReadOnly folder(m_dir->path());
        if (QFile(path("probe")).open(QIODevice::WriteOnly))
            QSKIP("cannot make a folder read-only here");
        const QByteArray rec = record(today(), "$/a.txt");
        appendEvent(log, rec);
        const QByteArray kept = kCrLf + records(2) + kCrLf; // the trim's cut
        QCOMPARE(read(path()), kept + rec + kCrLf);
        log.UpdateLastAction("check in");
        QCOMPARE(read(path()), kept + rec.chopped(9) + "check in" + kCrLf);
    }

    // Two processes append to one log at its size limit, so every append
    // trims (rewrites) it, one of them through a symbolic link: no record of
    // either is lost.
    void twoWritersLoseNothing()
    {
        QVERIFY(TestFiles::write(
            path(), (record(today(), "$/filler/" + QString(34, 'f')) + kCrLf).repeated(520)));
        QString paths[2] = {path(), path()};
#ifndef Q_OS_WIN // links there are shortcut files
        QVERIFY(QFile::link(path(), paths[1] = path("link.txt")));
#endif
        QProcess writers[2];
        for (int w = 0; w < 2; ++w) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("QV_LOG_WRITER", QString("%1;%2").arg(w).arg(paths[w]));
            writers[w].setProcessEnvironment(env);
            writers[w].start(QCoreApplication::applicationFilePath(), {});
        }
        for (QProcess &p : writers)
            QVERIFY(p.waitForFinished(120000) && p.exitCode() == 0);
        const QByteArray result = read(path());
        for (int w = 0; w < 2; ++w)
            for (int i = 0; i < kWriterRecords; ++i)
                QVERIFY(result.contains(record(today(), QString("$/writer/%1/%2").arg(w).arg(i)) +
                                        kCrLf));
#ifndef Q_OS_WIN // QLockFile removes its file at each unlock
        // The lock file is out of sight and its owner's only; it goes at exit
        // unless another writer holds it.
        const QString lockFile = LogLock::lockPathFor(paths[1]);
        QCOMPARE(lockFile, path(".QVEvent.txt.lock"));
        QCOMPARE(QFile::permissions(lockFile) & ~(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner);
        {
            const LogLock held(path());
            LogLock::removeUnused(path());
            QVERIFY(QFile::exists(lockFile));
        }
        LogLock::removeUnused(path());
        QVERIFY(!QFile::exists(lockFile));
#endif
    }

    // A FIFO in place of the log is refused at once by every reader and
    // writer, never waited on.
    void fifoInPlaceOfTheLogIsRefusedAtOnce()
    {
#ifdef Q_OS_WIN
        QSKIP("no FIFOs there");
#else
        QVERIFY(::mkfifo(QFile::encodeName(path()).constData(), 0600) == 0);
        EventLogFile log = makeLog();
        const std::function<void()> steps[] = {
            [&] { EventLogFile::ReadTextFile(path()); },
            [&] { appendEvent(log, record(today(), "$/a.txt")); },
            [&] { log.WriteLog(path(), "trace", false); },
            [&] { log.UpdateLastAction("check in"); },
            [&] { EventLogFile::WriteTextFile(path(), "x"); }};
        for (const auto &step : steps)
            QVERIFY(errorOf(step).description().endsWith("(not a regular file)"));
#endif
    }
};

// With QV_LOG_WRITER=<name>;<log> set, the test program is one of the two
// writers of twoWritersLoseNothing.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList writer = qEnvironmentVariable("QV_LOG_WRITER").split(';');
    if (writer.size() == 2) {
        ManualClock clock;
        EventLogFile log(clock);
        log.EventLogPath = writer[1];
        log.MaxLogSize = "32";
        for (int i = 0; i < kWriterRecords; ++i)
            log.WriteLog(log.EventLogPath,
                         QString::fromUtf8(record(clock.current.date(),
                                                  QString("$/writer/%1/%2").arg(writer[0]).arg(i))),
                         true);
        return 0;
    }
    tst_EventLogFile test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_eventlogfile.moc"
