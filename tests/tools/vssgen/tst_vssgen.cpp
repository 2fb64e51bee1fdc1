// The database writer: what it writes reads back through the native reader
// as real databases do.
#include "engine/repository/vssdb/VssFixtures.h"
#include "support/VssGen.h"

#include <QTemporaryDir>
#include <QtTest>

using VssGen::at;
using VssGen::by;

class tst_VssGen : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    int m_serial = 0;

    QString freshDatabase(bool multipleCheckouts = false)
    {
        return VssGen::create(m_tmp.filePath(QString::number(++m_serial)), multipleCheckouts);
    }
    static std::unique_ptr<VssDbDatabase> openAs(const QString &dir, const QString &user,
                                                 const QString &password = {})
    {
        return VssFixtures::open(dir + "/srcsafe.ini", user, password);
    }
    static QStringList holders(const VSSItem &item)
    {
        QStringList names;
        for (int i = 1; i <= item.Checkouts().Count(); ++i)
            names << item.Checkouts().Item(i).Username;
        return names;
    }
    static QStringList tree(VssDbDatabase &db)
    {
        QStringList specs;
        VssFixtures::collect(*db.VSSItem("$/"), specs);
        return specs;
    }

private slots:
    // What the writer writes reads back: the tree, versions and their dates,
    // check-outs, labels, deletions and renames (long names included).
    void readerSeesWhatWasWritten()
    {
        const QString dir = freshDatabase();
        VssWriter w(dir);
        const QString deep = "$/Widgie/Sub Project/Deeper";
        w.addProject("$/Widgie", by("raul", 1));
        w.addProject("$/Widgie/Sub Project", by("Raul", 2));
        w.addProject(deep, by("Raul", 3));
        w.addFile("$/Widgie/Main.cpp", by("Raul", 4, "first"), "int main() {}\r\n");
        w.addFile(deep + "/notes.txt", by("Guest", 6));
        w.checkout("$/Widgie/Main.cpp", by("Raul", 7));
        w.checkin("$/Widgie/Main.cpp", by("Raul", 8, "fixed"));
        w.checkout("$/Widgie/Main.cpp", by("raul", 9));
        w.label(deep + "/notes.txt", "Release 1", by("Admin", 11, "ship it"));
        auto db = openAs(dir, "RAUL", "Secret");
        QCOMPARE(tree(*db), QStringList({"$/", "$/Widgie", "$/Widgie/Main.cpp",
                                         "$/Widgie/Sub Project", deep, deep + "/notes.txt"}));
        const auto versions = db->VSSItem("$/Widgie/Main.cpp")->Versions();
        QVERIFY(versions.size() == 2 && versions[0].Date == at(8) && versions[1].Date == at(4));
        QCOMPARE(versions[0].Username, QString("Raul")); // the um.dat spelling
        QCOMPARE(db->VSSItem("$/Widgie/Main.cpp")->IsCheckedOut(), 2);
        const VSSItemPtr notes = db->VSSItem(deep + "/notes.txt");
        QCOMPARE(notes->VersionNumber(), 2); // a label takes the next number
        QVERIFY(notes->Versions()[0].Label == "Release 1" && notes->Versions()[0].Date == at(11));
        QVERIFY_THROWS_EXCEPTION(RepositoryOpenError, openAs(dir, "Raul", "wrong"));

        w.undoCheckout("$/Widgie/Main.cpp", by("Raul", 12));
        w.remove("$/Widgie/Sub Project", by("Raul", 13));
        w.rename("$/Widgie/Main.cpp", "A much longer name than a short field holds.cpp",
                 by("Raul", 14));
        w.rename("$/Widgie", "Widgie Two", by("Raul", 15));
        const QString renamed = "$/Widgie Two/A much longer name than a short field holds.cpp";
        QCOMPARE(tree(*db), QStringList({"$/", "$/Widgie Two", renamed}));
        QCOMPARE(db->VSSItem(renamed)->Versions()[1].Date, at(4)); // the same history
        QCOMPARE(db->VSSItem("$/Widgie Two/Sub Project", true)->Name(), QString("Sub Project"));
        // A name can be used again once its entry is deleted: tst_vssdbpollcost.
    }

    // Several holders at once, in the order VSS keeps them (the newest
    // last); a holder who leaves no longer counts while the others stay.
    void multipleCheckouts()
    {
        const QString dir = freshDatabase(true);
        VssWriter w(dir);
        w.addFile("$/a.txt", by("Raul", 1));
        int minute = 1;
        for (const char *user : {"Guest", "Raul", "Admin"})
            w.checkout("$/a.txt", by(user, ++minute), false);
        QVERIFY_THROWS_EXCEPTION(VssGenError, w.checkout("$/a.txt", by("guest", 5)));
        const VSSItemPtr a = openAs(dir, "Raul", "secret")->VSSItem("$/a.txt");
        QCOMPARE(holders(*a), QStringList({"Guest", "Raul", "Admin"}));
        QCOMPARE(a->IsCheckedOut(), 2);
        w.checkin("$/a.txt", by("Raul", 6));
        QCOMPARE(holders(*a), QStringList({"Guest", "Admin"}));
        QVERIFY(a->IsCheckedOut() == 1 && a->VersionNumber() == 2);
        w.undoCheckout("$/a.txt", by("Admin", 7));
        w.undoCheckout("$/a.txt", by("Guest", 8));
        QCOMPARE(a->IsCheckedOut(), 0);
        w.checkout("$/a.txt", by("Guest", 9));
        QCOMPARE(holders(*a), QStringList{"Guest"});
        // One holder at a time where the database does not allow more; only
        // the holder releases; no second entry of a name, none without a project
        // or by an unknown user.
        VssWriter single(freshDatabase());
        single.addFile("$/b.txt", by("Raul", 1));
        QVERIFY_THROWS_EXCEPTION(VssGenError, single.undoCheckout("$/b.txt", by("Raul", 2)));
        single.checkout("$/b.txt", by("Raul", 2), false);
        QVERIFY_THROWS_EXCEPTION(VssGenError, single.checkout("$/b.txt", by("Guest", 3), false));
        QVERIFY_THROWS_EXCEPTION(VssGenError, single.checkin("$/b.txt", by("Guest", 3)));
        for (const char *spec : {"$/B.TXT", "$/x/y.txt"})
            QVERIFY_THROWS_EXCEPTION(VssGenError, single.addFile(spec, by("Raul", 3)));
        QVERIFY_THROWS_EXCEPTION(VssGenError, single.addFile("$/c.txt", by("Stranger", 3)));
        QVERIFY_THROWS_EXCEPTION(VssGenError, single.checkout("$/c.txt", by("Raul", 3)));
    }

    // A pinned entry shows the file as it was at the pinned version; the
    // entry it was shared from follows the newest, and so does it once unpinned.
    void pinnedSharedFile()
    {
        const QString dir = freshDatabase();
        VssWriter w(dir);
        w.addProject("$/A", by("Raul", 1));
        w.addProject("$/B", by("Raul", 1));
        w.addFile("$/A/a.txt", by("Raul", 2));
        for (int minute : {3, 5}) {
            w.checkout("$/A/a.txt", by("Raul", minute));
            w.checkin("$/A/a.txt", by("Raul", minute + 1));
        }
        w.share("$/A/a.txt", "$/B", by("Raul", 7));
        w.pin("$/B/a.txt", 2, by("Raul", 8));
        QVERIFY_THROWS_EXCEPTION(VssGenError, w.pin("$/B/a.txt", 4, by("Raul", 9)));
        auto db = openAs(dir, "Raul", "secret");
        const auto seen = [&](const QString &spec) {
            const VSSItemPtr item = db->VSSItem(spec);
            return QString("%1 %2 %3 %4")
                .arg(item->VersionNumber())
                .arg(item->NewestVersionDate().toString("hh:mm"))
                .arg(item->Versions().size())
                .arg(item->Versions().front().Date.toString("hh:mm"));
        };
        QCOMPARE(seen("$/B/a.txt"), "2 09:04 2 09:04");
        const QString head = "3 09:06 3 09:06";
        QCOMPARE(seen("$/A/a.txt"), head);
        w.pin("$/B/a.txt", 0, by("Raul", 10));
        QCOMPARE(seen("$/B/a.txt"), head);
    }
};

QTEST_GUILESS_MAIN(tst_VssGen)
#include "tst_vssgen.moc"
