// The poll over a database written as VSS writes it, through the native
// reader: wall-clock dates, and a soak of check-outs, undos and check-ins
// while another process is writing the database.
#include "VssPollFixture.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QtTest>

#include <ctime>

using VssGen::at;
using VssGen::by;

class tst_VssGenPoll : public QObject
{
    Q_OBJECT

private slots:
    // VSS stores wall-clock times: a check-in in the watcher's spring-forward
    // gap or autumn fold is newer by its fields, and kept as written.
    void checkInsAtDaylightSavingChanges()
    {
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "Europe/Berlin");
        tzset();
        const auto restore = qScopeGuard([&] {
            zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
            tzset();
        });
        const QString a = "$/Web/a.txt";
        const QDateTime created = WallClockTime(QDate(2026, 3, 28), QTime(12, 0));
        VssPollFixture f;
        VssWriter w(f.db);
        w.addProject("$/Web", by("Guest", created));
        w.addFile(a, by("Guest", created));
        f.watch(a, created);
        QVERIFY(f.start());
        for (const QDate day : {QDate(2026, 3, 29), QDate(2026, 10, 25)}) {
            const QDateTime in = WallClockTime(day, QTime(2, 30));
            w.checkout(a, by("Guest", in));
            w.checkin(a, by("Guest", in));
            f.poll();
            QVERIFY(f.zel.EventsFound && f.file(a).DateIn() == in);
        }
        f.poll();
        QVERIFY(!f.zel.EventsFound);
    }

    // The code page is guessed at the first session and kept: names added
    // later that would make a fresh guess GBK (each 1252 text here is a run
    // of valid GBK bytes) do not turn how the watched name is read; a name
    // not found says the code page it was read in. A database copied to
    // another data folder, srcsafe.ini then pointed there with the old folder
    // left in place, is read where it moved from the next poll on.
    void theDatabaseKeepsItsCodePageAndIsFollowedWhereItMoves()
    {
        const QString watched = QString::fromUtf8("$/Web/M\u00fcller.txt");
        VssPollFixture f;
        VssWriter(f.db).addProject("$/Web", by("Guest", 0));
        VssWriter(f.db).addFile(watched, by("Guest", 1));
        f.watch(watched, at(1));
        QVERIFY(f.start());
        QCOMPARE(f.zel.settings.CodePage + f.zel.settings.CodePageDatabase,
                 "windows-1252" + f.zel.settings.Inifile);
        for (int i = 0; i < 3; ++i)
            VssWriter(f.db).addFile(QString::fromUtf8("$/\u00c4\u00d6\u00dc\u00df%1").arg(i),
                                    by("Guest", 2));
        for (const auto &[codePage, found] :
             {std::pair{"windows-1252", true}, {"", false}, {"windows-1252", true}}) {
            f.zel.ReleaseDatabase();
            f.zel.settings.CodePage = codePage;
            QCOMPARE(f.start(), found);
        }
        QVERIFY2(f.zel.StartFailure.contains("code page GBK"), qPrintable(f.zel.StartFailure));

        QDirIterator files(f.db + "/data", QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString from = files.next(), to = QString(from).replace("/data/", "/moved/");
            QVERIFY(QDir().mkpath(QFileInfo(to).path()) && QFile::copy(from, to));
        }
        const QString ini = f.db + "/srcsafe.ini";
        QVERIFY(TestFiles::write(ini, TestFiles::read(ini).replace("= data", "= moved")));
        VssWriter(f.db).checkout(watched, by("Guest", 2));
        f.poll();
        QCOMPARE(f.file(watched).Status(), qint16(1));
    }

    // With my own changes left out (I am Raul), over histories as VSS writes
    // them: my check-out and check-in are not told, a colleague's check-out
    // and check-in right after mine are (rule C, then A2 a second later).
    // Changes beside mine in one poll: tst_poll, the same decision.
    void ownChangesLeftOutColleaguesTold()
    {
        const QString a = "$/a.txt";
        VssPollFixture f;
        f.zel.settings.IgnoreOwnChanges = true;
        VssWriter w(f.db);
        w.addFile(a, by("Guest", 0));
        f.watch(a, at(0));
        w.checkout(a, by("Raul", 1));
        QVERIFY(f.start());
        f.poll(); // my check-out: not told
        w.checkin(a, by("Raul", 2));
        w.checkout(a, by("Guest", 3));
        w.checkin(a, by("Guest", 4));
        f.poll();
        f.timers.fire(f.zel.settlePollTimerId());
        QCOMPARE(f.records(), (QList<QPair<QString, QString>>{{a, "check in"}}));
        QCOMPARE(f.rows().lastRow().user, "");
    }

    // A writer process changes the database while polls run without pause:
    // every reported event is one the writer made, in its order, and each
    // change the writer leaves in place until a poll has seen it is reported.
    // A few seconds by default; `./run bench` runs it a full minute
    // (QUORVIK_SOAK_SECONDS sets any length).
    void pollsWhileAnotherProcessWrites()
    {
        const int fromEnv = qEnvironmentVariableIntValue("QUORVIK_SOAK_SECONDS");
        const int seconds = fromEnv > 0 ? fromEnv : 4;
        const QString vssgen = QStringLiteral(QUORVIK_BIN_DIR "/vssgen" QUORVIK_EXE_SUFFIX);
        QVERIFY2(QFile::exists(vssgen), qPrintable(vssgen));
        VssDbOptions options;
        options.stampSettleMs = 50; // files left alone that long are looked at by their stamps
        VssPollFixture f(false, options);
        VssWriter w(f.db);
        w.addProject("$/Soak", by("Raul", 0));
        const QStringList specs = {"$/Soak/f0.txt", "$/Soak/f1.txt", "$/Soak/f2.txt"};
        QHash<QString, QString> holders;
        QHash<QString, QDateTime> datesIn;
        for (const QString &spec : specs) {
            w.addFile(spec, by("Raul", 1));
            f.watch(spec, at(1));
        }
        QVERIFY(f.start());
        QRandomGenerator random(20240506);
        QList<QPair<QString, QString>> expected; // the writer's own log
        QElapsedTimer clock;
        clock.start();
        int minute = 10, ops = 0, pollsDuringWrites = 0;
        while (clock.elapsed() < seconds * 1000 || ops < 24) {
            const QString spec = specs[random.bounded(int(specs.size()))];
            const QString coin = random.bounded(2) ? "Guest" : "Raul";
            const bool checkIn = random.bounded(3) > 0;
            const QString held = holders.value(spec), user = held.isEmpty() ? coin : held;
            const QString action = held.isEmpty() ? "checkout" : checkIn ? "checkin" : "undo";
            QStringList args{action, f.db, spec};
            if (held.isEmpty() && random.bounded(2))
                args << "--shared";
            args << "--user" << user << "--time" << at(++minute).toString("yyyy-MM-ddTHH:mm:ss");
            QProcess writer;
            writer.start(vssgen, args);
            QVERIFY2(writer.waitForStarted(), qPrintable(writer.errorString()));
            while (!writer.waitForFinished(0)) {
                f.zel.CheckFiles();
                ++pollsDuringWrites;
            }
            QVERIFY2(writer.exitStatus() == QProcess::NormalExit && writer.exitCode() == 0,
                     writer.readAllStandardError().constData());
            ++ops;
            // Two polls after the write: a check-in is rule C, then rule A
            // amending its row; the re-read guard keeps one that lands between
            // two reads from showing first as a new version.
            f.zel.CheckFiles();
            f.zel.CheckFiles();
            holders[spec] = action == "checkout" ? user : QString();
            if (action == "checkin")
                datesIn[spec] = at(minute);
            expected.append({spec, action == "checkout" ? "Check Out"
                                   : action == "undo"   ? "Check In (Undo Check Out)"
                                                        : "check in"});
            for (const QString &s : specs) {
                QCOMPARE(int(f.file(s).Status()), holders.value(s).isEmpty() ? 0
                                                  : holders[s] == "Raul"     ? 2
                                                                             : 1);
                QCOMPARE(f.file(s).DateIn(), datesIn.value(s, at(1)));
            }
            QCOMPARE(f.records(), expected);
        }
        qInfo("%d writes, %d polls while a write was in progress", ops, pollsDuringWrites);
    }
};

QTEST_GUILESS_MAIN(tst_VssGenPoll)
#include "tst_vssgenpoll.moc"
