#include "support/EngineFixture.h"

#include "engine/eventlog/EventList.h"
#include "engine/eventlog/LogLock.h"
#include "engine/eventlog/LogText.h"
#include "engine/settings/Settings.h"
#include "engine/settings/SettingsStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

#include <optional>

using Records = QList<QPair<QString, QString>>;

class TestPoll : public QObject
{
    Q_OBJECT

    const QString a = QStringLiteral("$/Web/a.txt");
    const QString b = QStringLiteral("$/Web/b.txt");
    static Suspect &file(EngineFixture &f, int i) { return *f.zel.MonitoredFiles.Item(i); }
    // The list's rows as (object, action) pairs, in display order.
    static Records rowsOf(EngineFixture &f)
    {
        Records rows;
        for (int i = 0; i < f.rows().count(); ++i)
            rows.append({f.rows().row(i).object, f.rows().row(i).text});
        return rows;
    }

private slots:
    void checkOutAddsRowRecordMessageAndStatus()
    {
        EngineFixture f;
        f.zel.settings.ShowMessages = false;
        QVERIFY(f.startWatching({a}));
        f.repo->checkOut(a, "Dora");
        f.poll(); // 2026-12-06 09:01:00 on the manual clock
        const EventRow row = f.zel.lvTrace().lastRow();
        QCOMPARE(QStringList({row.text, row.user, row.object, row.date, row.time}),
                 QStringList({"Check Out", "Dora", a, "2026-12-06", "09:01:00"}));
        QCOMPARE(f.logBytes(), "2026-12-06\t09:01:00\t$/Web/a.txt\tCheck Out\r\n");
        QVERIFY(!f.zel.PendingMessage.isEmpty()); // its text and the look: tst_notifications
        f.poll(); // nothing changed: nothing reported, the message cleared
        QVERIFY(f.zel.lvTrace().count() == 1 && f.zel.PendingMessage.isEmpty());
        QCOMPARE(f.shell.refreshes, 1);
    }

    // Each row: changes made between polls, then the records (and the rows)
    // seen, and the user of the newest row.
    void rules_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<Records>("records");
        QTest::addColumn<QString>("user");
        const QString a = this->a, b = this->b;
        const auto row = [](const char *name, const char *script, const Records &records,
                            const char *user) {
            QTest::newRow(name) << QString(script) << records << QString(user);
        };
        row("undo, then a check-in amends the newest row", "out a|undo a|in a",
            {{a, "Check Out"}, {a, "check in"}}, "");
        row("out and in within one period: one check-in", "out a,in a", {{a, "Check In"}}, "");
        row("check-in keeping the check-out: amends", "out a|keep a", {{a, "check in"}}, "Dora");
        // The newest row belongs to a file whose spec merely contains ours.
        row("only the file's own row is amended", "out a.bak|in a",
            {{a + ".bak", "Check Out"}, {a, "Check In"}}, "");
        row("label sharing the version number: one event", "in a,label a", {{a, "Check In"}}, "");
        row("user 1 to 2 is not reported", "out a|undo a,mine a", {{a, "Check Out"}}, "Dora");
        row("b and a in one poll: list order", "out b,out a", {{a, "Check Out"}, {b, "Check Out"}},
            "Dora");
        row("several holders: the last names the user", "out a,eve a", {{a, "Check Out"}}, "Eve");
        // The check-in lands after the check-out state was read and before the
        // version is: the file is skipped, then reported once (rules C, A).
        row("check-in between two reads of a poll", "out a|race a||",
            {{a, "Check Out"}, {a, "check in"}}, "");
    }
    void rules()
    {
        QFETCH(QString, script);
        EngineFixture f;
        QVERIFY(f.startWatching({a, b}));
        f.watch(a + ".bak");
        const QHash<QString, QString> holders{{"out", "Dora"}, {"eve", "Eve"}, {"mine", "me"}};
        int second = 0;
        for (const QString &poll : script.split('|')) {
            for (const QString &step : poll.split(',', Qt::SkipEmptyParts)) {
                const QString verb = step.section(' ', 0, 0), name = step.section(' ', 1);
                const QString path = name == "b" ? b : name == "a" ? a : a + ".bak";
                const QDateTime when = f.clock.now().addSecs(++second);
                if (holders.contains(verb))
                    f.repo->checkOut(path, holders[verb], false);
                else if (verb == "undo")
                    f.repo->undoCheckOut(path, "Dora");
                else if (verb == "in" || verb == "keep")
                    f.repo->checkIn(path, "Dora", when, verb == "keep");
                else if (verb == "label")
                    f.repo->label(path, "Release", when);
                else if (verb == "race")
                    f.repo->onNextCall("VersionNumber", [&f, path] {
                        f.repo->checkIn(path, "Dora", f.clock.now());
                    });
            }
            f.poll();
        }
        f.poll();
        QTEST(f.records(), "records");
        QTEST(rowsOf(f), "records");
        QTEST(f.rows().lastRow().user, "user");
    }

    // Each gate silences only its own rules; the state is kept either way.
    void gatesApart()
    {
        for (const char rule : {'A', 'B', 'C'})
            for (const bool notifyIn : {true, false}) {
                const QString row = (rule == 'B') == notifyIn ? ""
                                    : rule == 'A'             ? "Check In"
                                    : rule == 'B'             ? "Check Out"
                                                              : "Check In (Undo Check Out)";
                EngineFixture f;
                f.zel.settings.ShowMessages = false;
                f.zel.settings.NotifyIn = notifyIn;
                f.zel.settings.NotifyOut = !notifyIn;
                f.watch(a);
                if (rule == 'C') {
                    f.repo->checkOut(a, "Dora");
                    file(f, 1).setStatus(1);
                }
                QVERIFY(f.start());
                const QDateTime when = f.clock.now();
                if (rule == 'A')
                    f.repo->checkIn(a, "Dora", when);
                else if (rule == 'B')
                    f.repo->checkOut(a, "Dora");
                else
                    f.repo->undoCheckOut(a, "Dora");
                f.poll();
                QCOMPARE(f.records(), row.isEmpty() ? Records() : Records({{a, row}}));
                QVERIFY(f.zel.lvTrace().count() == int(!row.isEmpty()) &&
                        f.zel.PendingMessage.isEmpty() == row.isEmpty() &&
                        f.shell.notes.isEmpty() == row.isEmpty());
                QCOMPARE(f.shell.look, row.isEmpty() ? TrayLook::Normal : TrayLook::Change);
                QVERIFY(file(f, 1).Status() == (rule == 'B' ? 1 : 0) && f.shell.refreshes == 1);
                QCOMPARE(file(f, 1).DateIn(),
                         rule == 'A' ? when : f.clock.now().addDays(-1).addSecs(-60));
            }
    }

    // Rule A counts whole seconds: a version in the same second as the one
    // last seen is not new, one a second later is (seen, version, fires).
    void ruleAWholeSeconds()
    {
        using Row = std::tuple<int, int, bool>;
        for (const auto &[seenMs, versionMs, fires] :
             {Row{0, 0, false}, Row{0, 999, false}, Row{0, 1000, true}, Row{900, 1100, true},
              Row{2000, 1000, false}}) {
            EngineFixture f;
            const QDateTime t(QDate(2026, 12, 1), QTime(10, 0));
            f.watch(a, t.addMSecs(-5000));
            file(f, 1).setDateIn(t.addMSecs(seenMs));
            QVERIFY(f.start());
            f.repo->checkIn(a, "Dora", t.addMSecs(versionMs));
            f.poll();
            QVERIFY2((f.zel.lvTrace().count() == 1) == fires,
                     qPrintable(QString::number(versionMs)));
        }
    }

    void neverRecordedStates()
    {
        EngineFixture f;
        const QDateTime created = f.clock.now().addDays(-1);
        f.repo->addFile(a, "other", created);
        f.repo->addFile(b, "other", created);
        f.repo->checkOut(b, "Dora");
        f.zel.MonitoredFiles.Add(a, -1, 0, created);
        f.zel.MonitoredFiles.Add(b, -1, 0, created);
        QVERIFY(f.start());
        f.poll();
        f.poll(); // -1 and free: rule C once; -1 and checked out: nothing, ever
        QCOMPARE(f.records(), Records({{a, "Check In (Undo Check Out)"}}));
        QCOMPARE(file(f, 2).Status(), qint16(-1));
        file(f, 1).setDateIn(QDateTime(QDate(1900, 1, 1), QTime(0, 0))); // rule A at once
        f.poll();
        QVERIFY(f.zel.lvTrace().lastRow().text == "check in" && file(f, 1).DateIn() == created);
    }

    void deletedFileEndsThePollAndHidesLaterFiles()
    {
        EngineFixture f;
        f.zel.settings.ShowMessages = false;
        QVERIFY(f.startWatching({a, b}));
        f.repo->remove(a);
        f.repo->checkOut(b, "Dora");
        f.repo->resetCalls();
        f.poll();
        QCOMPARE(f.shell.statusText, QString("ERROR: Cannot find ") + a);
        QVERIFY(f.repo->calls("VSSItem") == 1 && f.zel.lvTrace().count() == 0);
        QVERIFY(file(f, 2).Status() == 0 && f.shell.refreshes == 0);
        f.shell.looks.clear();
        f.poll(); // seen while hidden: the error look, at every poll
        QCOMPARE(f.shell.looks, QList<TrayLook>{TrayLook::Error});
        f.repo->recover(a); // back again: every file is reached, the look recovers
        f.poll();
        QVERIFY(f.zel.lvTrace().count() == 1 && f.shell.look == TrayLook::Change);
        QCOMPARE(f.shell.statusText, QString("Files in the list: 2"));
    }

    void unreadableValueSkipsOnlyThatFile()
    {
        EngineFixture f;
        QVERIFY(f.startWatching({a, b}));
        f.repo->checkOut(a, "Dora");
        f.repo->checkOut(b, "Dora");
        f.repo->failOn("Checkouts", a);
        f.poll(); // a's user could not be read: nothing fires, nothing is stored
        QVERIFY(file(f, 1).Status() == 0 && file(f, 2).Status() == 1);
        // Said once, again when the reason changes.
        QCOMPARE(f.shell.statusText, "ERROR: Cannot read " + a + ": Injected failure of Checkouts");
        f.shell.statusText.clear();
        f.poll();
        QVERIFY(f.shell.statusText.isEmpty());
        f.repo->clearFailures();
        f.repo->failOn("IsCheckedOut", a);
        f.poll();
        QVERIFY(f.shell.statusText.endsWith(a + ": Injected failure of IsCheckedOut"));
        f.repo->clearFailures();
        f.repo->failOn("Versions", b);
        f.poll(); // a is reported late, never falsely; b's history is unreadable
        QCOMPARE(f.records(), (Records{{b, "Check Out"}, {a, "Check Out"}}));
    }

    // Another program's record after a's: rule A2 never rewrites it.
    void amendmentNeverRewritesAnotherFilesRecord()
    {
        EngineFixture f;
        QVERIFY(f.startWatching({a}));
        f.repo->checkOut(a, "Dora");
        f.poll();
        QVERIFY(
            TestFiles::write(f.zel.eventLog.EventLogPath,
                             f.logBytes() + "2026-12-06\t09:01:30\t$/Web/b.txt\tCheck Out\r\n"));
        f.repo->checkIn(a, "Dora", f.clock.now(), true);
        f.poll();
        QCOMPARE(f.records(), (Records{{a, "Check Out"}, {b, "Check Out"}, {a, "Check In"}}));
    }

    // An event the log cannot take still reaches the list, message, tray and
    // standard output; the failure is said; the state moves on.
    void eventThatCannotBeLoggedIsStillDelivered()
    {
        for (const QString log :
             {"missing/QVEvent.txt", "folder", "readonly.txt", "/dev/full", "huge.txt"}) {
            EngineFixture f;
            const QString path = log.startsWith('/') ? log : f.dir.filePath(log);
            if (log == "folder")
                QDir().mkpath(path);
            if (log == "huge.txt") // sparse
                QVERIFY(TestFiles::write(path, "x") && QFile::resize(path, 300LL << 20));
            std::optional<TestFiles::ReadOnly> readOnly;
            if (log == "readonly.txt" && TestFiles::write(path, ""))
                readOnly.emplace(path);
            if (log == "/dev/full" ? !QFile::exists(path)
                                   : log == "readonly.txt" && QFile(path).open(QIODevice::Append))
                continue; // no such fault here
            f.zel.eventLog.EventLogPath = path;
            f.zel.eventLog.MaxLogSize = "1";
            f.zel.settings.ShowMessages = false;
            QVERIFY(f.startWatching({a}));
            f.repo->checkOut(a, "Dora");
            f.poll();
            QVERIFY(f.zel.lvTrace().count() == 1 && f.zel.PendingMessage.startsWith(a));
            QVERIFY(f.shell.look == TrayLook::Change && f.shell.records.size() == 1 &&
                    f.zel.StoreFailed);
            QVERIFY2(f.shell.statusText.startsWith("ERROR: "), qPrintable(f.shell.statusText));
            QCOMPARE(QFileInfo(path).size() > (300LL << 20), log == "huge.txt"); // the record kept
            f.poll();                                                            // reported once
            QCOMPARE(f.shell.records.size(), 1);
        }
    }

    void listThatCannotBeStoredIsSaidAndNotRepeated()
    {
        EngineFixture f;
        const QString config = f.dir.filePath("config");
        QDir().mkpath(config + "/Quorvik.ini"); // a folder where the file belongs
        SettingsStore store(config);
        f.zel.setSettingsStore(&store);
        QVERIFY(f.startWatching({a}));
        f.repo->checkOut(a, "Dora");
        f.poll();
        QCOMPARE(f.shell.statusText, "ERROR: Cannot store the list of files: " +
                                         QDir::toNativeSeparators(config + "/Quorvik.ini") +
                                         " is not a regular file");
        QVERIFY(f.zel.StoreFailed && file(f, 1).Status() == 1);
        f.poll();
        QCOMPARE(f.zel.lvTrace().count(), 1);
    }

    // A long poll stores the list as it goes: a crash repeats at most the
    // last second's events, not the whole poll's.
    void longPollStoresTheListEverySecond()
    {
        EngineFixture f;
        f.zel.settings.ShowMessages = false;
        const QString config = f.dir.filePath("config");
        SettingsStore store(config);
        f.zel.setSettingsStore(&store);
        constexpr int kFiles = 6;
        for (int i = 0; i < kFiles; ++i)
            f.watch(QString("$/Web/%1.txt").arg(i));
        QVERIFY(f.start());
        for (int i = 0; i < kFiles; ++i)
            f.repo->checkOut(QString("$/Web/%1.txt").arg(i), "Dora");
        QList<int> behind; // events handed on but not stored, as each is handed on
        f.shell.onRecorded = [&] {
            int stored = 0;
            for (int i = 1; i <= kFiles; ++i)
                stored += storedEntryStatus(config, i) == "1";
            behind << int(f.shell.records.size()) - stored;
            QThread::msleep(400); // a slow outlet: 6 events take 2.4 s
        };
        f.poll();
        QCOMPARE(behind.size(), kFiles);
        QVERIFY2(*std::max_element(behind.cbegin(), behind.cend()) <= 4,
                 qPrintable(QString("behind: %1").arg(QDebug::toString(behind))));
        QCOMPARE(storedEntryStatus(config, kFiles), QString("1"));
    }
    static QString storedEntryStatus(const QString &config, int i)
    {
        return SettingsStore(config)
            .GetSetting(kAppName, "Files", QString::number(i))
            .section(';', 0, 0);
    }

    // Another program holding the event log's lock stalls a poll once, not
    // once per record; what went in without the lock is said.
    void heldLogLockStallsAPollOnceAndIsSaid()
    {
        EngineFixture f;
        f.zel.settings.ShowMessages = false;
        f.zel.eventLog.LockBudgetMs = 1500;
        const QString c = "$/Web/c.txt";
        QVERIFY(f.startWatching({a, b, c}));
        for (const QString &spec : {a, b, c})
            f.repo->checkOut(spec, "Dora");
        const LogLock other(f.zel.eventLog.EventLogPath);
        QVERIFY(other.held());
        QElapsedTimer took;
        took.start();
        f.poll();
        QVERIFY2(took.elapsed() < 6000, qPrintable(QString::number(took.elapsed())));
        QCOMPARE(f.records().size(), 3);
        QVERIFY2(f.shell.statusText.startsWith(
                     "ERROR: 3 event records were written without the event log's lock"),
                 qPrintable(f.shell.statusText));
    }

    // A name from the database may hold any character: none splits or
    // forges a record, in the log or on standard output.
    void controlCharactersNeitherSplitNorForgeRecords()
    {
        EngineFixture f;
        f.zel.settings.ShowMessages = false;
        const QString odd = "$/Web/x\r\n2026-01-01\t00:00:00\tforged\tCheck In\x7F\u0085.txt";
        const QString shown = "$/Web/x\u240D\u240A2026-01-01\u240900:00:00\u2409forged\u2409Check "
                              "In\u2421\uFFFD.txt";
        // The log holds what the 8-bit encoding keeps of it (the ANSI code
        // page on Windows has no control pictures).
        const QString logged = LogText::decode(LogText::encode(shown));
        QVERIFY(f.startWatching({odd}));
        f.repo->checkOut(odd, "Do\nra");
        f.poll();
        QCOMPARE(f.records(), Records({{logged, "Check Out"}}));
        QCOMPARE(f.shell.records.value(0).split('\t').value(2), shown);
        QVERIFY(f.zel.PendingMessage.endsWith("Do\u240Ara\r\n"));
        f.repo->checkIn(odd, "Dora", f.clock.now(), true);
        f.poll(); // the amendment still finds its own record
        QCOMPARE(f.records(), Records({{logged, "check in"}}));
    }

    // Without a viewer the list keeps only what rule A2 looks at.
    void boundedListKeepsOnlyTheNewestRow()
    {
        EngineFixture f;
        TestFiles::write(
            f.zel.eventLog.EventLogPath,
            QByteArray("2026-01-01\t09:00:00\t$/old.txt\tCheck Out\r\n").repeated(100));
        f.zel.KeepNewestEventOnly = true;
        QVERIFY(f.startWatching({a, b}));
        QCOMPARE(f.zel.lvTrace().count(), 1);
        f.repo->checkOut(a, "Dora");
        f.repo->checkOut(b, "Dora");
        f.poll();
        f.repo->checkIn(b, "Dora", f.clock.now(), true);
        f.poll();
        QVERIFY(f.zel.lvTrace().count() == 1 && f.zel.lvTrace().lastRow().text == "check in");
        QCOMPARE(f.records().last(), (QPair<QString, QString>{b, "check in"}));
    }

    // Loading the log takes little more than its rows: without a viewer only
    // its tail is read, and a viewer's load peaks below twice its size.
    void loadingTheLogTakesLittleMemory()
    {
#if !defined(Q_OS_LINUX) || defined(__SANITIZE_ADDRESS__)
        QSKIP("peak memory is read from /proc, without a sanitizer's quarantine");
#else
        EngineFixture f;
        QByteArray log;
        int records = 0;
        for (char line[96]; log.size() < (32 << 20); ++records)
            log.append(line, std::snprintf(
                                 line, sizeof line,
                                 "2026-%02d-%02d\t%02d:%02d:%02d\t$/Web/Sub/f%d.cpp\tCheck Out\r\n",
                                 records % 12 + 1, records % 28 + 1, records % 24, records % 60,
                                 records / 60 % 60, records % 500));
        QVERIFY(TestFiles::write(f.zel.eventLog.EventLogPath, log));
        const qint64 size = std::exchange(log, {}).size();
        const auto kb = [](const char *field) {
            QFile status("/proc/self/status");
            status.open(QIODevice::ReadOnly);
            const QByteArray text = status.readAll();
            const qsizetype at = text.indexOf(field) + qstrlen(field) + 1;
            return text.mid(at, text.indexOf('\n', at) - at).trimmed().split(' ')[0].toLongLong();
        };
        for (const bool headless : {true, false}) {
            f.zel.unloadEventList();
            f.zel.KeepNewestEventOnly = headless;
            QFile peak("/proc/self/clear_refs");
            if (!peak.open(QIODevice::WriteOnly) || peak.write("5") != 1)
                QSKIP("the peak cannot be reset here");
            peak.close();
            const qint64 before = kb("VmRSS:");
            QCOMPARE(f.zel.lvTrace().count(), headless ? 1 : records);
            const qint64 grew = (kb("VmHWM:") - before) * 1024;
            QVERIFY2(grew < (headless ? (4 << 20) : 2 * size),
                     qPrintable(QString("%1 MB for a %2 MB log").arg(grew >> 20).arg(size >> 20)));
        }
#endif
    }

    // Own changes (any case) left out when asked: the stored state moves on.
    void ownChangesLeftOutStillUpdateAndStore()
    {
        EngineFixture f;
        SettingsStore store(f.dir.path());
        f.zel.setSettingsStore(&store);
        f.zel.settings.IgnoreOwnChanges = true;
        QVERIFY(f.startWatching({a, b}));
        f.repo->checkOut(a, "ME");
        f.repo->checkIn(b, "ME", f.clock.now());
        f.poll();
        QCOMPARE(file(f, 1).Status(), qint16(2));
        QVERIFY(store.GetSetting("Quorvik", "Files", "1").startsWith("2;"));
        const QDateTime checkIn = f.clock.now();
        f.repo->checkIn(a, "ME", checkIn);
        f.poll(); // the end of the check-out
        f.poll(); // the new version
        QVERIFY(file(f, 1).Status() == 0 && file(f, 1).DateIn() == checkIn &&
                f.shell.refreshes == 3);
        QVERIFY(f.logBytes().isEmpty() && f.zel.PendingMessage.isEmpty() && !f.shell.reset);
        QVERIFY(!f.shell.looks.contains(TrayLook::Change) &&
                f.shell.beeps + f.shell.eventLogShown + f.shell.notes.size() == 0);
    }

    // Changes by the users named in "Ignore changes by" (any case) move the
    // stored state on silently; anyone else's change in the same poll, or on
    // the same file, is told as with the option off.
    void ignoredUsersLeftOutOthersTold()
    {
        EngineFixture f;
        f.zel.settings.IgnoreChangesBy = {"Robot", "ci"};
        const QString c = "$/Web/c.txt", d = "$/Web/d.txt";
        QVERIFY(f.startWatching({a, b, c, d}));
        f.repo->checkOut(a, "ROBOT");
        f.repo->checkOut(b, "Dora");
        f.repo->checkIn(c, "CI", f.clock.now());
        f.repo->checkOut(d, "Alice", false);
        f.repo->checkOut(d, "robot", false);
        f.poll();
        QCOMPARE(f.records(), Records({{b, "Check Out"}, {d, "Check Out"}}));
        QCOMPARE(f.rows().lastRow().user, "Alice");
        QVERIFY(file(f, 1).Status() == 1 && f.file(c).DateIn() == f.clock.now().addSecs(-60));
        f.repo->undoCheckOut(a, "robot"); // the end of the robot's check-out
        f.repo->checkIn(c, "Dora", f.clock.now());
        f.repo->checkIn(c, "Robot", f.clock.now().addSecs(5));
        f.poll();
        QCOMPARE(f.records().mid(2), Records({{c, "Check In"}}));
        // A check-out from before this run ended by the robot's check-in.
        f.repo->checkOut(a, "Robot");
        file(f, 1).setStatus(1);
        f.repo->checkIn(a, "Robot", f.clock.now());
        f.poll();
        f.poll();
        QVERIFY(f.records().size() == 3 && file(f, 1).Status() == 0);
    }

    // A poll (by timer or change) needs an open session, the main window
    // hidden and no poll busy; the viewer's Refresh needs only the session.
    void whenAPollRuns()
    {
        ManualChangeWatch watch;
        EngineFixture f;
        f.zel.setChangeWatch(&watch);
        f.watch(a);
        f.zel.PendingMessage = "old";
        f.zel.CheckFiles(); // no session yet: nothing but the message cleared
        QVERIFY(f.zel.PendingMessage.isEmpty());
        QVERIFY(f.start());
        f.repo->checkOut(a, "Dora");
        for (const auto &[gate, closed] : {std::pair{&f.shell.mainVisible, true},
                                           {&f.zel.PollBusy, true},
                                           {&f.zel.SessionOpen, false}}) {
            const bool open = std::exchange(*gate, closed);
            watch.fire();
            f.timers.fire(f.zel.TimerId);
            if (!closed) // no session: not even the viewer's Refresh
                f.zel.CheckFiles();
            *gate = open;
        }
        QCOMPARE(f.zel.lvTrace().count(), 0);
        f.zel.PollBusy = f.shell.mainVisible = true;
        f.zel.CheckFiles(); // the viewer's Refresh
        QCOMPARE(f.zel.lvTrace().count(), 1);
        f.zel.PollBusy = f.shell.mainVisible = false;
        f.repo->undoCheckOut(a, "Dora");
        watch.fire();
        watch.fire(); // just a poll: reported once
        QCOMPARE(f.zel.lvTrace().count(), 2);
        f.zel.ReleaseDatabase();
        QVERIFY(!watch.fire);
    }

    // After a poll in which rule C fired, one more poll comes a second later
    // (under the timer's conditions, killed with the timer), so a check-in
    // reads as one at once. Sorted by another column, rule A2 amends the
    // file's own newest row, never the last row shown.
    void checkInSettlesWithinASecondInAnySortOrder()
    {
        EngineFixture f;
        f.zel.settings.ShowMessages = false;
        QVERIFY(f.startWatching({a, b}));
        for (const QString &spec : {a, b})
            f.repo->checkOut(spec, "Dora");
        f.poll();
        QCOMPARE(f.zel.settlePollTimerId(), 0u);
        f.repo->checkIn(a, "Dora", f.clock.now());
        f.poll();                                                   // rule C
        f.rows().sort(EventList::ObjectColumn, Qt::AscendingOrder); // b's row shows last
        const quint32 settle = f.zel.settlePollTimerId();
        QCOMPARE(f.timers.running.value(settle).periodMs, 1000);
        f.timers.fire(settle);
        QVERIFY(!f.timers.running.contains(settle));
        QCOMPARE(rowsOf(f), Records({{a, "Check Out"}, {a, "check in"}, {b, "Check Out"}}));
        QCOMPARE(f.records(), Records({{a, "Check Out"}, {b, "Check Out"}, {a, "check in"}}));

        f.repo->undoCheckOut(b, "Dora");
        f.zel.KillPollTimer();
        f.zel.CheckFiles(); // the viewer's Refresh while nothing watches
        QVERIFY(f.zel.settlePollTimerId() == 0 && f.timers.running.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPoll)
#include "tst_poll.moc"
