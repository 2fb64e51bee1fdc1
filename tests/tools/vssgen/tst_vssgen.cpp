// The database writer: what it writes reads back through the native reader
// as real databases do, and its records are laid out like the ones real VSS
// wrote in the fixture databases.
#include "engine/repository/vssdb/VssFixtures.h"
#include "support/TestFiles.h"
#include "support/VssGen.h"

#include "VssGenItems.h"
#include "VssGenNames.h"

#include "engine/repository/vssdb/VssLayout.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace VssLayout;
using TestFiles::read;
using VssGen::at;
using VssGen::by;

namespace {

// The records of an item file in file order: signature, and with `places`
// offset and payload size.
QStringList recordKinds(const QByteArray &file, bool places)
{
    QStringList kinds;
    const VssBytes bytes(file);
    for (qint64 offset = FileHeaderSize; bytes.has(offset, RecordHeaderSize);) {
        const quint32 length = bytes.u32(offset);
        kinds << QString::fromLatin1(file.mid(offset + 4, 2)) +
                     (places ? QStringLiteral("@%1:%2").arg(offset, 0, 16).arg(length, 0, 16)
                             : QString());
        offset += RecordHeaderSize + length;
    }
    return kinds;
}

// The parsed state, its DH flags, and the payload of the live or released CF.
struct Parsed
{
    VssItemState state;
    quint16 flags = 0;
    QByteArray cf;
    explicit Parsed(const QByteArray &file)
    {
        VssItemFile::parseState(VssBytes(file), state);
        const VssBytes dh(state.headerPayload);
        flags = dh.u16(DH::FileFlags);
        const qint32 at =
            dh.i32(DH::LiveCheckout) ? dh.i32(DH::LiveCheckout) : dh.i32(DH::SpareCheckout);
        VssRecord::View record;
        if (VssRecord::read(VssBytes(file), at, "CF", record).isEmpty())
            cf = record.payload.view().toByteArray();
    }
    quint32 cfField(qint64 offset) const { return VssBytes(cf).u32(offset); }
};

} // namespace

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
        QCOMPARE(int(versions.size()), 2);
        QCOMPARE(versions[0].Date, at(8));
        QCOMPARE(versions[0].Username, QString("Raul")); // the um.dat spelling
        QCOMPARE(versions[1].Date, at(4));
        QCOMPARE(db->VSSItem("$/Widgie/Main.cpp")->IsCheckedOut(), 2);
        const VSSItemPtr notes = db->VSSItem(deep + "/notes.txt");
        QCOMPARE(notes->VersionNumber(), 2); // a label takes the next number
        QCOMPARE(notes->Versions()[0].Label, QString("Release 1"));
        QCOMPARE(notes->Versions()[0].Date, at(11));
        QVERIFY_THROWS_EXCEPTION(RepositoryOpenError, openAs(dir, "Raul", "wrong"));

        w.undoCheckout("$/Widgie/Main.cpp", by("Raul", 12));
        w.remove("$/Widgie/Sub Project", by("Raul", 13));
        w.rename("$/Widgie/Main.cpp", "A much longer name than a short field holds.cpp",
                 by("Raul", 14));
        w.rename("$/Widgie", "Widgie Two", by("Raul", 15));
        const QString renamed = "$/Widgie Two/A much longer name than a short field holds.cpp";
        QCOMPARE(tree(*db), QStringList({"$/", "$/Widgie Two", renamed}));
        QCOMPARE(db->VSSItem(renamed)->Versions()[1].Date, at(4)); // the same history
        QVERIFY_THROWS_EXCEPTION(RepositoryError, db->VSSItem("$/Widgie Two/Sub Project"));
        QCOMPARE(db->VSSItem("$/Widgie Two/Sub Project", true)->Name(), QString("Sub Project"));
        // A name can be used again once its entry is deleted.
        w.addFile("$/Widgie Two/Sub Project", by("Raul", 16));
        QCOMPARE(db->VSSItem("$/Widgie Two/Sub Project")->Type(), int(VSSItem::File));
    }

    // Several holders at once, in the order VSS keeps them (the newest
    // last); a holder who leaves no longer counts while the others stay.
    void multipleCheckouts()
    {
        const QString dir = freshDatabase(true);
        VssWriter w(dir);
        w.addFile("$/a.txt", by("Raul", 1));
        w.checkout("$/a.txt", by("Guest", 2), false);
        w.checkout("$/a.txt", by("Raul", 3), false);
        w.checkout("$/a.txt", by("Admin", 4), false);
        QVERIFY_THROWS_EXCEPTION(VssGenError, w.checkout("$/a.txt", by("guest", 5)));
        const VSSItemPtr a = openAs(dir, "Raul", "secret")->VSSItem("$/a.txt");
        QCOMPARE(holders(*a), QStringList({"Guest", "Raul", "Admin"}));
        QCOMPARE(a->IsCheckedOut(), 2);
        w.checkin("$/a.txt", by("Raul", 6));
        QCOMPARE(holders(*a), QStringList({"Guest", "Admin"}));
        QCOMPARE(a->IsCheckedOut(), 1);
        QCOMPARE(a->VersionNumber(), 2);
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
            return QStringList{QString::number(item->VersionNumber()),
                               item->NewestVersionDate().toString("hh:mm"),
                               QString::number(item->Versions().size()),
                               item->Versions().front().Date.toString("hh:mm")};
        };
        QCOMPARE(seen("$/B/a.txt"), QStringList({"2", "09:04", "2", "09:04"}));
        const QStringList head = {"3", "09:06", "3", "09:06"};
        QCOMPARE(seen("$/A/a.txt"), head);
        w.pin("$/B/a.txt", 0, by("Raul", 10));
        QCOMPARE(seen("$/B/a.txt"), head);
    }

    void recordsMatchRealBytes()
    {
        const QDateTime local(QDate(2023, 5, 5), QTime(11, 34, 15));
        QCOMPARE(VssGenRecords::storedTime(local), 0x6454E9B7u); // the wall clock as UTC
        QCOMPARE(VssGenRecords::storedTime(local.toUTC()), 0x6454E9B7u);
        QCOMPARE(VssGenRecords::physicalName(515), QByteArray("VTAAAAAA"));
        QCOMPARE(VssGenRecords::physicalNumber("VTAAAAAA"), 515u);
        // A project entry written by VSS (the root list of the tempnjayaraj
        // database) and the long-name records of two of its files.
        const QString real = VssFixtures::root() + "/tempnjayaraj-vss/4c10b8f-Database.rar/data/";
        VssGenRecords::ProjectEntry e{true, 0, {true, "esign-java-authenticator", 0}, "BAAAAAAA"};
        QCOMPARE(VssGenRecords::projectEntry(e).toHex(), read(real + "a/aaaaaaaa.b").toHex());
        const VssGenNames::Plan plan = VssGenNames::plan("New Text Document.txt", false);
        QCOMPARE(plan.shortName, QByteArray("New_Text_Document.txt"));
        QCOMPARE(VssGenRecords::nameRecord(plan.names).toHex(),
                 read(real + "names.dat").mid(0xE2).toHex());
        // Over 31 characters: a cut name for the Macintosh client as well;
        // +0x02 of the payload is left unset by VSS.
        const auto cut = VssGenNames::plan("SN Activities or Meetings until now.pdf", false);
        QCOMPARE(cut.shortName, QByteArray("SN_Activities_or_Meetings_until_n"));
        QCOMPARE(VssGenRecords::nameRecord(cut.names).mid(12).toHex(),
                 read(real + "names.dat").mid(0x75 + 12, 0x6D - 12).toHex());
        QVERIFY(VssGenNames::plan("Le.txt", false).names.isEmpty());
        QCOMPARE(VssGenNames::plan("clingBling.txt", false).names,
                 (QList<QPair<quint16, QByteArray>>{{1, "clingB~1.txt"}}));
    }

    // Same records, at the same places for a held file, with the same flags
    // and check-out fields as files real VSS wrote.
    void itemFilesAreLaidOutLikeRealOnes_data()
    {
        QTest::addColumn<int>("checkouts"); // 1 exclusive, 2 not exclusive, 0 released
        QTest::addColumn<QString>("real");
        QTest::newRow("exclusive") << 1 << "rauls-newscaster/data/e/eaaaaaaa";
        QTest::newRow("not exclusive") << 2 << "rauls-newscaster/data/c/caaaaaaa";
        // clingBling.txt: checked in three times, its CF record released.
        QTest::newRow("released") << 0 << "tempnjayaraj-vss/4c10b8f-Database.rar/data/d/daaaaaaa";
    }
    void itemFilesAreLaidOutLikeRealOnes()
    {
        QFETCH(int, checkouts);
        QFETCH(QString, real);
        const QByteArray theirs = read(VssFixtures::root() + "/" + real);
        const QString dir = freshDatabase();
        VssWriter w(dir);
        const QString spec = "$/Widgie/Main.cpp";
        w.addProject("$/Widgie", by("Raul", 1));
        w.addFile(spec, by("Raul", 2, checkouts ? "" : "Adding"));
        for (int i = 0; i < (checkouts ? 0 : 3); ++i) {
            w.checkout(spec, by("Raul", 3 + 2 * i));
            w.checkin(spec, by("Raul", 4 + 2 * i, "changes"));
        }
        if (checkouts)
            w.checkout(spec, by("Raul", 3), checkouts == 1);
        auto db = openAs(dir, "Admin");
        const QString path = VssFixtures::itemFile(*db, *db->VSSItem(spec));
        const QByteArray mine = read(path);
        QCOMPARE(recordKinds(mine, checkouts), recordKinds(theirs, checkouts));
        const Parsed m(mine), r(theirs);
        QCOMPARE(m.flags & 0xFF, r.flags & 0xFF); // 0x100: VSS 2005 only
        QCOMPARE(m.flags, quint16(checkouts == 1 ? 0x41 : checkouts == 2 ? 0x01 : 0x00));
        QCOMPARE(m.state.header.liveCheckout, r.state.header.liveCheckout);
        QCOMPARE(VssBytes(m.state.headerPayload).i32(DH::SpareCheckout), checkouts ? 0 : 0x1A0);
        QCOMPARE(m.cf.at(CF::State), r.cf.at(CF::State));
        QCOMPARE(m.cfField(CF::Version) & 0xFFFF, r.cfField(CF::Version) & 0xFFFF);
        QCOMPARE(VssBytes(m.cf).text(CF::User, 32), QByteArray("Raul"));
        QCOMPARE(VssBytes(m.cf).text(CF::Project, 260), QByteArray("$/Widgie"));
        if (checkouts) { // the flags, own offset and version at the same places
            QCOMPARE(mine.size(), theirs.size());
            for (qint64 field : {CF::Flags, qint64(0x294), qint64(0x298)})
                QCOMPARE(m.cfField(field) & 0xFFFF, r.cfField(field) & 0xFFFF);
            return;
        }
        QCOMPARE(m.state.newest.version, r.state.newest.version);
        QCOMPARE(m.cfField(0x298), 3u); // the version that was checked out
        // An undo releases the same way and appends nothing.
        w.checkout(spec, by("Raul", 9));
        w.undoCheckout(spec, by("Raul", 10));
        const Parsed u(read(path));
        QCOMPARE(read(path).size(), mine.size());
        QCOMPARE(u.flags, quint16(0));
        QCOMPARE(quint8(u.cf.at(CF::State)), quint8(CF::StateReleased));
        QCOMPARE(u.cfField(0x298), 4u);
    }
};

QTEST_GUILESS_MAIN(tst_VssGen)
#include "tst_vssgen.moc"
