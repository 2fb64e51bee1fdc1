#include "engine/ZelError.h"
#include "engine/eventlog/AtomicFile.h"
#include "engine/eventlog/EventLogFile.h"
#include "support/ManualTimers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

const QByteArray kCrLf = "\r\n";

QByteArray record(const QDate &date, const QString &object, const QString &action = "Check Out")
{
    return (date.toString("yyyy-MM-dd") + "\t09:30:00\t" + object + "\t" + action).toUtf8();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray utf16File(const QString &text)
{
    QByteArray bytes("\xFF\xFE");
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

// The rewrite of the last action done the plain way: decode the whole file,
// cut after its last TAB, write it back in its encoding.
QByteArray referenceUpdateLastAction(const QString &path, const QString &action)
{
    const QString text = EventLogFile::ReadTextFile(path);
    const qsizetype tab = text.lastIndexOf('\t');
    if (tab < 0)
        return readBytes(path);
    const QString result = text.left(tab + 1) + action + "\r\n";
    return readBytes(path).startsWith("\xFF\xFE") ? utf16File(result) : result.toLocal8Bit(); // the system's 8-bit encoding
}

// The error that `step` raises; number 0 when it raises none.
ZelError errorOf(const std::function<void()> &step)
{
    try {
        step();
    } catch (const ZelError &e) {
        return e;
    }
    return ZelError(0, "", "");
}

constexpr int kWriterRecords = 60;

QByteArray writerRecord(const QString &writer, int i)
{
    return QString("2026-12-06\t09:00:00\t$/writer/%1/%2\tCheck Out").arg(writer).arg(i).toUtf8();
}

QFile::Permissions ownerGroupOther(const QString &path)
{
    return QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}

// Makes a folder refuse new entries while it lives (chmod; for root, which
// ignores modes, the immutable attribute). ok() is false when neither works.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString &path) : m_path(path)
    {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
        if (canCreate()) {
            m_immutable = QProcess::execute("chattr", {"+i", path}) == 0;
        }
    }
    ~ReadOnlyFolder()
    {
        if (m_immutable)
            QProcess::execute("chattr", {"-i", m_path});
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    bool ok() const { return !canCreate(); }

private:
    bool canCreate() const
    {
        QFile probe(m_path + "/probe");
        if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return false;
        probe.remove();
        return true;
    }
    QString m_path;
    bool m_immutable = false;
};

} // namespace

class tst_EventLogFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir *m_dir = nullptr;
    ManualClock m_clock; // 2026-12-06 09:00:00
    QDate today() const { return m_clock.current.date(); }
    QString path(const QString &name = "QVEvent.txt") const { return m_dir->filePath(name); }
    EventLogFile makeLog(qint16 maxAction = 0, const QString &maxKb = "1")
    {
        EventLogFile log(m_clock);
        log.EventLogPath = path();
        log.MaxAction = maxAction;
        log.MaxLogSize = maxKb;
        log.MaxDays = "7";
        return log;
    }
    // A log of `count` records of about 120 bytes each.
    QByteArray tenRecords(int count = 10)
    {
        QByteArray bytes;
        for (int i = 0; i < count; ++i)
            bytes += record(today(), QString("$/Project/%1/").arg(i) + QString(80, 'x')) + kCrLf;
        return bytes;
    }
    // What overwriting as needed keeps of a 1 KB log, counted the plain way:
    // all after the first line end from line 2 on that leaves at most the
    // limit, then an empty line.
    static QByteArray dropOldest(const QByteArray &content)
    {
        qsizetype cut = content.indexOf(kCrLf) + 2;
        while ((cut = content.indexOf(kCrLf, cut)) >= 0 && content.size() - cut > 1024)
            cut += 2;
        return content.mid(cut) + kCrLf;
    }
    void appendEvent(EventLogFile &log, const QByteArray &text)
    {
        log.WriteLog(log.EventLogPath, QString::fromUtf8(text), true);
    }

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
    }
    void cleanup()
    {
        AtomicFile::setBeforeReplaceHook({});
        delete m_dir;
    }

    // --- appending and the size rule ---
    void appendCreatesTheFileAndEndsEachRecordWithCrLf()
    {
        EventLogFile log = makeLog();
        log.MaxLogSize.clear();
        const QByteArray first = record(today(), "$/a.txt");
        const QByteArray second = record(today(), "$/b.txt", "Check In");
        appendEvent(log, first);
        appendEvent(log, second);
        QCOMPARE(readBytes(path()), first + kCrLf + second + kCrLf);
        QCOMPARE(log.MaxLogSize, QString("1024"));

        log.WriteLog(log.EventLogPath, "", true);
        log.WriteLog("", "text", true);
        QCOMPARE(readBytes(path()), first + kCrLf + second + kCrLf);
    }

    // Each row: a log under one policy and what of it is left before the
    // appended record.
    void trimPolicies_data()
    {
        QTest::addColumn<int>("maxAction");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("kept");
        QByteArray atLimit = tenRecords(7);
        atLimit += QByteArray(1024 - atLimit.size() - 2, 'p') + kCrLf;
        QByteArray old, young, allOld, allYoung;
        for (int age = 12; age >= 7; --age)
            old += record(today().addDays(-age), "$/old/" + QString(150, 'o')) + kCrLf;
        old += "a line\twith too few\tfields" + kCrLf;
        for (int age = 6; age >= 0; --age)
            young += record(today().addDays(-age), "$/young.txt") + kCrLf;
        young += record(today().addDays(-9), "$/old but after a young one") + kCrLf;
        for (int i = 0; i < 10; ++i) {
            allOld += record(today().addDays(-30), "$/old/" + QString(150, 'o')) + kCrLf;
            allYoung += record(today(), "$/young/" + QString(150, 'y')) + kCrLf;
        }
        // A damaged date stops the age walk: it and all after it stay.
        const QByteArray damaged = "yesterday\t09:00:00\t$/a\tCheck Out\r\n" + tenRecords();
        QTest::newRow("exactly the limit") << 0 << atLimit << atLimit;
        QTest::newRow("one byte over") << 0 << atLimit + "p" << dropOldest(atLimit + "p");
        // 1041 bytes: the cut after line 2 leaves exactly 1024 and is taken.
        const QByteArray tail = QByteArray(1020, 'b') + kCrLf;
        QTest::newRow("cut leaving exactly the limit")
            << 0 << "first" + kCrLf + QByteArray(10, 'a') + kCrLf + tail << kCrLf + tail + kCrLf;
        QTest::newRow("as needed") << 0 << tenRecords() << dropOldest(tenRecords());
        QTest::newRow("as needed, no cut") << 0 << QByteArray(2000, 'x') + kCrLf + "partial"
                                           << "partial" + kCrLf;
        QTest::newRow("older than") << 1 << old + young << young + kCrLf;
        QTest::newRow("older than, all old") << 1 << allOld << kCrLf;
        QTest::newRow("older than, none old") << 1 << allYoung << allYoung;
        QTest::newRow("older than, damaged date")
            << 1 << record(today().addDays(-30), "$/old") + kCrLf + damaged << damaged;
        QTest::newRow("do not overwrite") << 2 << tenRecords() << tenRecords();
    }
    void trimPolicies()
    {
        QFETCH(int, maxAction);
        QFETCH(QByteArray, content);
        EventLogFile log = makeLog(qint16(maxAction), "1");
        log.MaxDays.clear(); // reads as 7
        writeBytes(path(), content);
        const QByteArray rec = record(today(), "$/new.txt");
        appendEvent(log, rec);
        QFETCH(QByteArray, kept);
        QCOMPARE(readBytes(path()), kept + rec + kCrLf);
    }

    // --- rewriting the newest action ---
    void updateLastAction_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QByteArray rec = record(QDate(2026, 12, 1), "$/a.txt") + kCrLf;
        QTest::newRow("normal") << rec + rec;
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("no TAB") << QByteArray("just text\r\nmore\r\n");
        QTest::newRow("text after last line end") << rec + "2026-12-02\t10:00";
        QTest::newRow("TAB-less text after last line end") << rec + "garbage";
        QTest::newRow("no final line end") << rec + record(QDate(2026, 12, 2), "$/b");
        QTest::newRow("non-ASCII")
            << QString("2026-12-01\t09:00:00\t$/Über/naïve.txt\tCheck Out\r\n").toUtf8();
        QTest::newRow("TAB far from the end")
            << rec + QByteArray(200 * 1024, 'z') + kCrLf + QByteArray(70 * 1024, 'y');
        QTest::newRow("TAB at chunk boundary")
            << QByteArray(64 * 1024 - 1, 'a') + "\t" + QByteArray(64 * 1024, 'b');
        QTest::newRow("UTF-16") << utf16File("2026-12-01\t09:00:00\t$/Größe.txt\tCheck Out\r\n");
        QTest::newRow("UTF-16 without TAB") << utf16File("no tab here\r\n");
    }

    void updateLastAction()
    {
        QFETCH(QByteArray, content);
        EventLogFile log = makeLog();
        writeBytes(path(), content);
        const QByteArray expected = referenceUpdateLastAction(path(), "check in");
        log.UpdateLastAction("check in");
        QCOMPARE(readBytes(path()), expected);
    }

    // --- encodings and the raw reader and writer ---
    void rawReadAndWrite()
    {
        writeBytes(path("u16.txt"), utf16File("Größe\tÜ\r\n"));
        QCOMPARE(EventLogFile::ReadTextFile(path("u16.txt")), QString("Größe\tÜ\r\n"));
        const QByteArray eightBit = QString("Größe\r\n").toLocal8Bit(); // UTF-8 on Linux
        QCOMPARE(EventLogFile::WriteTextFile(path("u8.txt"), "Größe\r\n"), eightBit.size());
        QCOMPARE(readBytes(path("u8.txt")), eightBit);
        QCOMPARE(EventLogFile::ReadTextFile(path("u8.txt")), QString("Größe\r\n"));
        writeBytes(path("fffe-like.txt"), "\xFF");
        QCOMPARE(EventLogFile::ReadTextFile(path("fffe-like.txt")).size(), 1);
        QCOMPARE(EventLogFile::WriteTextFile(path("u8.txt"), ""), 0);
        QCOMPARE(QFileInfo(path("u8.txt")).size(), 0);
        // A missing file reads as empty and is not created (the first record does that).
        QCOMPARE(EventLogFile::ReadTextFile(path()), QString());
        QVERIFY(!QFileInfo::exists(path()));
        QCOMPARE(EventLogFile::ReadTextFile(path("no/such/folder.txt")), QString());
        QCOMPARE(EventLogFile::ReadTextFile(""), QString());
    }

    // A UTF-16 log takes appended, trimmed and amended records in UTF-16.
    void utf16LogKeepsItsEncoding()
    {
        EventLogFile log = makeLog(0, "1");
        const QString object = "$/Größe/" + QString(40, 'x');
        const QString rec = QString::fromUtf8(record(today(), object));
        QString text;
        writeBytes(path(), utf16File(text));
        for (int i = 0; i < 12; ++i) { // the last ones trim
            appendEvent(log, rec.toUtf8());
            const QByteArray bytes = readBytes(path());
            QVERIFY(bytes.startsWith("\xFF\xFE"));
            QVERIFY(bytes.size() <= 1024 + 2 * (rec.size() + 4));
            text = EventLogFile::ReadTextFile(path());
            QVERIFY(text.endsWith(rec + "\r\n"));
            QVERIFY(text.count(object) >= std::min(i + 1, 3));
        }
        QVERIFY(log.AmendLastAction(object, "check in"));
        QCOMPARE(readBytes(path()), utf16File(text.chopped(11) + "check in\r\n"));
    }

    // --- trace log ---
    void traceEntryHasEmptyLineTimestampAndMessage()
    {
        EventLogFile log = makeLog();
        const QString trace = path("state/sub/quorvik.log"); // folder created on write
        log.WriteLog(trace, "ZelIni: Cannot open VSS database\r\nD", false);
        m_clock.advance(61);
        log.WriteLog(trace, "second", false);
        QCOMPARE(readBytes(trace), QByteArray("\r\n2026-12-06 09:00:00 ZelIni: Cannot open VSS "
                                              "database\r\nD\r\n"
                                              "\r\n2026-12-06 09:01:01 second\r\n"));
        QVERIFY(QDir::isAbsolutePath(TraceLogPath()));
    }

    // --- atomic replacement ---
    void failureBeforeReplaceKeepsOldContentAndLeavesNoTempFile()
    {
        EventLogFile log = makeLog(0, "1");
        const QByteArray content = tenRecords();
        writeBytes(path(), content);
        QByteArray seenByReader;
        AtomicFile::setBeforeReplaceHook([&](const QString &) {
            seenByReader = readBytes(path());
            throw ZelError(57, "test", "simulated crash");
        });
        const auto checkUntouched = [&] {
            QCOMPARE(seenByReader, content);
            QVERIFY(readBytes(path()).startsWith(content));
            QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
                     (QStringList{"QVEvent.txt", "QVEvent.txt.lock"}));
            seenByReader.clear();
        };

        QVERIFY_THROWS_EXCEPTION(ZelError, EventLogFile::WriteTextFile(path(), ""));
        checkUntouched();
        QVERIFY_THROWS_EXCEPTION(ZelError, log.UpdateLastAction("check in"));
        checkUntouched();
        QCOMPARE(readBytes(path()), content);
        // A trim that fails still lets the record in, and says so.
        const ZelError error = errorOf([&] { appendEvent(log, record(today(), "$/new.txt")); });
        QCOMPARE(error.number(), 57);
        QVERIFY(error.description().endsWith("trimmed: simulated crash"));
        checkUntouched();
        QCOMPARE(readBytes(path()), content + record(today(), "$/new.txt") + kCrLf);
    }

    // --- bad input ---
    // A rewrite keeps what it does not understand byte for byte, and the
    // file's permissions.
    void rewritesKeepForeignBytesAndPermissions()
    {
        EventLogFile log = makeLog(0, "1");
        static const char raw[] = "2026-12-06\t09:00:00\t$/bad\xC3\x28\xFF\0name\tCheck Out\r\n";
        const QByteArray odd(raw, sizeof raw - 1);
        writeBytes(path(), tenRecords() + odd);
        const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(path(), mode));
        // Windows has no such modes to keep.
        const auto modeKept = [&] {
            return QSysInfo::kernelType() == "winnt" || ownerGroupOther(path()) == mode;
        };
        appendEvent(log, record(today(), "$/new.txt"));
        QVERIFY(readBytes(path()).contains(odd));
        QVERIFY(modeKept());
        log.UpdateLastAction("check in");
        QVERIFY(readBytes(path()).contains(odd));
        QVERIFY(readBytes(path()).endsWith("\tcheck in\r\n"));
        QVERIFY(modeKept());
        EventLogFile::WriteTextFile(path(), "");
        QVERIFY(modeKept());
    }

    void missingFolderIsAClearError()
    {
        EventLogFile log = makeLog();
        log.EventLogPath = path("missing/QVEvent.txt");
        const ZelError error = errorOf([&] { appendEvent(log, record(today(), "$/a.txt")); });
        QCOMPARE(error.number(), 76);
        QCOMPARE(error.source(), QString("WriteLog"));
        QVERIFY(error.description().contains("missing"));
        QVERIFY_THROWS_EXCEPTION(ZelError, EventLogFile::WriteTextFile(log.EventLogPath, "x"));
        QVERIFY(!QFile::exists(path("missing")));
    }

    // A folder that takes no temporary file: the writable log is rewritten
    // in place rather than losing the record.
    void readOnlyFolderRewritesInPlace()
    {
        EventLogFile log = makeLog(0, "1");
        const QByteArray content = tenRecords();
        writeBytes(path(), content);
        ReadOnlyFolder readOnly(m_dir->path());
        if (!readOnly.ok())
            QSKIP("cannot make a folder read-only here");
        const QByteArray rec = record(today(), "$/a.txt");
        appendEvent(log, rec);
        QCOMPARE(readBytes(path()), dropOldest(content) + rec + kCrLf);
        log.UpdateLastAction("check in");
        QCOMPARE(readBytes(path()), dropOldest(content) + rec.chopped(9) + "check in" + kCrLf);
    }

    // Two processes append to one log at its size limit, so every append
    // trims (rewrites) it: no record of either is lost.
    void twoWritersLoseNothing()
    {
        QByteArray filler;
        for (int i = 0; i < 520; ++i)
            filler += record(today(), "$/filler/" + QString(34, 'f')) + kCrLf;
        writeBytes(path(), filler);
        QList<QProcess *> writers;
        for (const char *name : {"A", "B"}) {
            auto *p = new QProcess(this);
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("QV_LOG_WRITER", QString(name) + ";" + path());
            p->setProcessEnvironment(env);
            p->start(QCoreApplication::applicationFilePath(), {});
            writers << p;
        }
        for (QProcess *p : writers) {
            QVERIFY(p->waitForFinished(120000));
            QCOMPARE(p->exitCode(), 0);
        }
        const QByteArray result = readBytes(path());
        for (const char *name : {"A", "B"})
            for (int i = 0; i < kWriterRecords; ++i)
                QVERIFY2(result.contains(writerRecord(name, i) + kCrLf), name);
    }

    void unwritableDeviceAndBadSizeAreErrors()
    {
        EventLogFile log = makeLog();
        if (QFile::exists("/dev/full")) {
            QCOMPARE(errorOf([&] { log.WriteLog("/dev/full", "message", false); }).number(), 61);
        }
        // An unreadable size falls back to 1024 KB: the record still goes in.
        log.MaxLogSize = "12ab";
        appendEvent(log, record(today(), "$/a.txt"));
        QCOMPARE(readBytes(path()), record(today(), "$/a.txt") + "\r\n");
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
            log.WriteLog(log.EventLogPath, writerRecord(writer[0], i), true);
        return 0;
    }
    tst_EventLogFile test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_eventlogfile.moc"
