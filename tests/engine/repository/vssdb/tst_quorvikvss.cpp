// The quorvik-vss command-line tool on a real database.
#include "VssFixtures.h"

#include "support/TestFiles.h"
#include "support/VssGen.h"

#include "engine/repository/vssdb/VssLayout.h"

#include <QProcess>
#include <QTemporaryDir>

using namespace VssFixtures;
using namespace VssLayout;

namespace {

struct Run
{
    int exitCode = -1;
    QString out, err; // lines end in LF here, in CR LF on Windows
};
const QString SnapshotB = QStringLiteral("tempnjayaraj-vss/4c10b8f-Database.rar");

Run run(const QStringList &arguments, const QString &timeZone = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!timeZone.isEmpty())
        env.insert(QStringLiteral("TZ"), timeZone);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(QUORVIK_BIN_DIR "/quorvik-vss"), arguments);
    const bool ended = process.waitForFinished(30000);
    const auto text = [](const QByteArray &bytes) {
        return QString::fromUtf8(bytes).replace("\r\n", "\n");
    };
    return {ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            text(process.readAllStandardOutput()), text(process.readAllStandardError())};
}

QStringList database(const QString &name, const QString &user, const QString &password = {})
{
    QStringList args{QStringLiteral("--ini"), VssFixtures::ini(name), QStringLiteral("--user"),
                     user};
    if (!password.isEmpty())
        args << QStringLiteral("--password") << password;
    return args;
}

// Appends the entries of project `source` to the listing of `target`, with
// the header's count, as a damaged or hostile database may hold them.
bool appendListing(const QString &ini, const QString &target, const QString &source)
{
    auto db = VssFixtures::open(ini, QStringLiteral("Admin"));
    const VSSItemPtr to = db->VSSItem(target), from = db->VSSItem(source);
    const qint64 count = DH::FileOffset + RecordHeaderSize + DH::EntryCount;
    const QByteArray added = TestFiles::read(dataFile(*db, *from));
    const quint16 entries = VssBytes(TestFiles::read(itemFile(*db, *from))).u16(count);
    return TestFiles::edit(dataFile(*db, *to), [&](QByteArray &f) { f += added; }) &&
           TestFiles::edit(itemFile(*db, *to), [&](QByteArray &f) {
               VssPut::u16(f, count, VssBytes(f).u16(count) + entries);
               VssGen::reseal(f, DH::FileOffset);
           });
}

} // namespace

class tst_QuorvikVss : public QObject
{
    Q_OBJECT

private slots:
    void treeListsEveryItem()
    {
        const Run r = run(QStringList{"tree"} + database(SnapshotB, "johns"));
        QVERIFY(r.exitCode == 0 && r.err.isEmpty());
        const QStringList expected{
            "$/\t0\t2\t2023-05-05 11:26:47\t0\t-",
            "$/esign-java-authenticator\t0\t5\t2023-05-12 14:28:33\t0\t-",
            "$/esign-java-authenticator/clingBling.txt\t1\t4\t2023-05-12 14:27:01\t0\t-",
            "$/esign-java-authenticator/Le.txt\t1\t2\t2023-05-05 11:34:15\t0\t-",
            "$/esign-java-authenticator/Sample\t0\t2\t2023-05-12 14:29:00\t0\t-",
            "$/esign-java-authenticator/Sample/New Text Document.txt\t1\t2\t2023-05-12 "
            "14:30:07\t0\t-",
            "$/esign-java-authenticator/SN Activities or Meetings until now.pdf\t1\t1\t2023-05-12 "
            "14:27:30\t0\t-"};
        QCOMPARE(r.out.split('\n', Qt::SkipEmptyParts), expected);
    }

    void historyCheckoutsAndNames()
    {
        const Run history = run(QStringList{"history"} + database(SnapshotB, "johns")
                                << QStringLiteral("$/esign-java-authenticator/clingBling.txt"));
        QVERIFY(history.exitCode == 0 && history.out.count('\n') == 4);
        QVERIFY(history.out.startsWith(
            "4\t2023-05-12 14:27:01\tjohns\tChecked in $/esign-java-authenticator\t\n"));
        const Run held =
            run(QStringList{"checkouts"} + database("rauls-newscaster", "Raul", "raul") +
                QStringList{"--encoding", "1252"});
        QVERIFY(held.exitCode == 0 && held.out.count("\t2\tRaul\n") == 81 &&
                held.out.count('\n') == 81);
        const Run chinese = run(QStringList{"tree"} + database("chuing-Push114CRM", "Admin") +
                                QStringList{QStringLiteral(u"$/花城CRM/Tools")});
        QVERIFY(chinese.out.contains(QStringLiteral(u"$/花城CRM/Tools/加密解密工具.exe\t1\t1\t")));
    }

    // VSS stores wall-clock times: one in the spring-forward gap or the
    // autumn fold of the reader's zone prints as stored.
    void datesPrintAsStoredAcrossDaylightSaving()
    {
        QTemporaryDir dir;
        VssWriter w(VssGen::create(dir.path()));
        w.addProject("$/P", VssGen::by("Admin", 0));
        w.addFile("$/P/gap.txt",
                  VssGen::by("Admin", WallClockTime(QDate(2026, 3, 29), QTime(2, 30))));
        w.addFile("$/P/fold.txt",
                  VssGen::by("Admin", WallClockTime(QDate(2026, 10, 25), QTime(2, 30))));
        const Run r =
            run(QStringList{"tree", "--ini", dir.filePath("srcsafe.ini"), "--user", "Admin"},
                QStringLiteral("Europe/Berlin"));
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains("$/P/gap.txt\t1\t1\t2026-03-29 02:30:00\t"), qPrintable(r.out));
        QVERIFY2(r.out.contains("$/P/fold.txt\t1\t1\t2026-10-25 02:30:00\t"), qPrintable(r.out));
    }

    // A project listed twice at every level (root, 16 projects, 15 repeated
    // project lines, the file twice), or a cycle of two projects: each project
    // is walked once and each repeat is reported.
    void eachProjectIsWalkedOnce()
    {
        for (const bool cycle : {false, true}) {
            QTemporaryDir dir;
            const QString ini = dir.filePath("srcsafe.ini");
            VssWriter w(VssGen::create(dir.path()));
            QStringList projects{"$"};
            for (int i = 1; i <= 16; ++i)
                w.addProject(projects.emplaceBack(projects.last() + QString("/P%1").arg(i)),
                             VssGen::by("Admin", 0));
            projects.removeFirst();
            w.addFile(projects.last() + "/f.txt", VssGen::by("Admin", 0));
            if (cycle)
                QVERIFY(appendListing(ini, projects[1], QStringLiteral("$/"))); // P2 lists P1
            else
                for (const QString &project : projects)
                    QVERIFY(appendListing(ini, project, project));
            for (const char *command : {"tree", "checkouts"}) {
                const Run r = run(QStringList{command, "--ini", ini, "--user", "Admin"});
                QCOMPARE(r.exitCode, 1);
                QCOMPARE(r.out.count('\n'), command == QLatin1String("checkouts") ? 0
                                            : cycle                               ? 19
                                                                                  : 34);
                QCOMPARE(r.err.count("listed again"), cycle ? 1 : 15);
            }
        }
    }

    void errorsGoToStandardError()
    {
        const QStringList tree = QStringList{"tree"} + database(SnapshotB, "johns");
        for (const auto &[arguments, message] :
             {std::pair{QStringList{"tree"} + database(SnapshotB, "johns", "x"), "Wrong password"},
              {tree + QStringList{"$/nope"}, "does not exist"},
              {QStringList{"tree", "--ini", "/no/srcsafe.ini", "--user", "x"}, "does not exist"},
              {database(SnapshotB, "johns"), "--help"},
              {QStringList{"history"} + database(SnapshotB, "johns"), "--help"}}) {
            const Run r = run(arguments);
            QVERIFY(r.exitCode > 0 && r.out.isEmpty());
            QVERIFY2(r.err.contains(message), qPrintable(r.err));
        }
    }
};

QTEST_GUILESS_MAIN(tst_QuorvikVss)
#include "tst_quorvikvss.moc"
