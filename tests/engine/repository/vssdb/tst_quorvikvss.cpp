// The quorvik-vss command-line tool on a real database.
#include "VssFixtures.h"

#include "support/TestFiles.h"
#include "support/VssGen.h"

#include "engine/repository/vssdb/VssLayout.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

using namespace VssFixtures;
using namespace VssLayout;

namespace {

struct Run
{
    int exitCode = -1;
    QString out, err; // lines end in LF here, in CR LF on Windows
    QByteArray bytes; // standard output as written
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
    const QByteArray out = process.readAllStandardOutput();
    return {ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            text(out), text(process.readAllStandardError()), out};
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
                QStringList{"--code-page", "1252"});
        QVERIFY(held.exitCode == 0 && held.out.count("\t2\tRaul\n") == 81 &&
                held.out.count('\n') == 81);
        const Run chinese = run(QStringList{"tree"} + database("chuing-Push114CRM", "Admin") +
                                QStringList{QStringLiteral(u"$/花城CRM/Tools")});
        QVERIFY(chinese.out.contains(QStringLiteral(u"$/花城CRM/Tools/加密解密工具.exe\t1\t1\t")));
    }

    // VSS stores wall-clock times: one in the spring-forward gap or the
    // autumn fold of the reader's zone prints as stored. A TAB, LF or CR in
    // a name prints as its control picture: no line splits.
    void datesAndNamesPrintAsStored()
    {
        QTemporaryDir dir;
        VssWriter w(VssGen::create(dir.path()));
        w.addProject("$/P", VssGen::by("Admin", 0));
        w.addFile("$/P/gap.txt",
                  VssGen::by("Admin", WallClockTime(QDate(2026, 3, 29), QTime(2, 30))));
        w.addFile("$/P/fold.txt",
                  VssGen::by("Admin", WallClockTime(QDate(2026, 10, 25), QTime(2, 30))));
        w.addFile("$/P/a\tb\nc\r.txt", VssGen::by("Admin", 0));
        const Run r =
            run(QStringList{"tree", "--ini", dir.filePath("srcsafe.ini"), "--user", "Admin"},
                QStringLiteral("Europe/Berlin"));
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains("$/P/gap.txt\t1\t1\t2026-03-29 02:30:00\t"), qPrintable(r.out));
        QVERIFY2(r.out.contains("$/P/fold.txt\t1\t1\t2026-10-25 02:30:00\t"), qPrintable(r.out));
        QVERIFY2(r.out.contains(QString::fromUtf8("\n$/P/a\u2409b\u240ac\u240d.txt\t1\t1\t")),
                 qPrintable(r.out));
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

    // Every recorded field of each live check-out (two holders of one
    // file, oldest first), in each format, with the characters each format
    // must quote or escape.
    void checkoutFormats()
    {
        QTemporaryDir dir;
        VssWriter w(VssGen::create(dir.path(), true));
        w.addProject("$/P", VssGen::by("Admin", 0));
        w.addFile("$/P/a,b.txt", VssGen::by("Admin", 1));
        w.addFile("$/P/m.txt", VssGen::by("Admin", 2));
        w.addFile("$/P/free.txt", VssGen::by("Admin", 3));
        w.checkout("$/P/a,b.txt", VssGen::by("Raul", 10, QString::fromUtf8("fix\n\"é\"")), true,
                   "C:\\w \"x\"", "PC1");
        w.checkout("$/P/m.txt", VssGen::by("Guest", 30), false);
        w.checkout("$/P/m.txt", VssGen::by("Raul", 20), false);
        w.checkout("$/P/free.txt", VssGen::by("Guest", 40));
        w.undoCheckout("$/P/free.txt", VssGen::by("Guest", 41));
        const QStringList args{"checkouts", "--ini", dir.filePath("srcsafe.ini"),
                               "--user",    "Admin", "--format"};

        const Run tsv = run(args + QStringList{"tsv"});
        QCOMPARE(tsv.out,
                 QString::fromUtf8(
                     "spec\tuser\tdate\tversion\tfolder\tmachine\tcomment\n"
                     "$/P/a,b.txt\tRaul\t2024-05-06 09:10:00\t1\tC:\\w \"x\"\tPC1\tfix␊\"é\"\n"
                     "$/P/m.txt\tRaul\t2024-05-06 09:20:00\t1\tC:\\work\tVSSGEN\t\n"
                     "$/P/m.txt\tGuest\t2024-05-06 09:30:00\t1\tC:\\work\tVSSGEN\t\n"));
        const Run csv = run(args + QStringList{"csv"});
        QVERIFY(csv.bytes.startsWith("spec,user,date,version,folder,machine,comment\r\n"
                                     "\"$/P/a,b.txt\",Raul,2024-05-06 09:10:00,1,\"C:\\w "
                                     "\"\"x\"\"\",PC1,\"fix\n\"\"\xc3\xa9\"\"\"\r\n"));
        QCOMPARE(csv.bytes.count("\r\n"), 4);
        const Run json = run(args + QStringList{"json"});
        const QJsonArray rows = QJsonDocument::fromJson(json.bytes).array();
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].toObject(), (QJsonObject{{"spec", "$/P/a,b.txt"},
                                                  {"user", "Raul"},
                                                  {"date", "2024-05-06 09:10:00"},
                                                  {"version", 1},
                                                  {"folder", "C:\\w \"x\""},
                                                  {"machine", "PC1"},
                                                  {"comment", QString::fromUtf8("fix\n\"é\"")}}));
        QCOMPARE(rows[2].toObject()["user"], "Guest");
    }

    void errorsGoToStandardError()
    {
        const QStringList tree = QStringList{"tree"} + database(SnapshotB, "johns");
        for (const auto &[arguments, message] :
             {std::pair{QStringList{"tree"} + database(SnapshotB, "johns", "x"), "Wrong password"},
              {tree + QStringList{"$/nope"}, "does not exist"},
              {QStringList{"tree", "--ini", "/no/srcsafe.ini", "--user", "x"}, "does not exist"},
              {database(SnapshotB, "johns"), "--help"},
              {QStringList{"history"} + database(SnapshotB, "johns"), "--help"},
              {tree + QStringList{"--format", "csv"}, "--format"}}) {
            const Run r = run(arguments);
            QVERIFY(r.exitCode > 0 && r.out.isEmpty());
            QVERIFY2(r.err.contains(message), qPrintable(r.err));
        }
    }
};

QTEST_GUILESS_MAIN(tst_QuorvikVss)
#include "tst_quorvikvss.moc"
