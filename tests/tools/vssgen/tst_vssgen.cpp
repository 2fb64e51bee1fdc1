// The database writer: what it writes reads back through the native reader
// exactly as real databases do, and its records are laid out like the ones
// real VSS wrote in the fixture databases.
#include "engine/repository/vssdb/VssFixtures.h"
#include "support/TestFiles.h"
#include "support/VssGen.h"

#include "VssGenItems.h"
#include "VssGenNames.h"
#include "VssGenPopulate.h"
#include "VssWriter.h"

#include "engine/repository/vssdb/VssLayout.h"
#include "engine/repository/vssdb/VssRecord.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace VssLayout;
using TestFiles::read;
using VssGen::at;
using VssGen::by;

namespace {

const QString Proj = QStringLiteral("$/Widgie");
const QString Main = QStringLiteral("$/Widgie/Main.cpp");
const QString Long = QStringLiteral("$/Widgie/SN Activities or Meetings until now.pdf");
const QString Deep = QStringLiteral("$/Widgie/Sub Project/Deeper");

// Signature, offset and payload size of every record of an item file, in
// file order; only the signatures when `withPlaces` is false.
QStringList recordKinds(const QByteArray &file, bool withPlaces = true)
{
    QStringList kinds;
    const VssBytes bytes(file);
    for (qint64 offset = FileHeaderSize; bytes.has(offset, RecordHeaderSize);) {
        const quint32 length = bytes.u32(offset);
        const QString signature = QString::fromLatin1(file.mid(offset + 4, 2));
        kinds << (withPlaces ? QStringLiteral("%1@%2:%3")
                                   .arg(signature)
                                   .arg(offset, 0, 16)
                                   .arg(length, 0, 16)
                             : signature);
        offset += RecordHeaderSize + length;
    }
    return kinds;
}

struct Parsed
{
    VssItemState state;
    QByteArray cf; // payload of the record at DH +0x68 or, released, +0x6C
};

Parsed parse(const QByteArray &file)
{
    Parsed p;
    VssItemFile::parseState(VssBytes(file), p.state);
    const VssBytes dh(p.state.headerPayload);
    const qint32 cf =
        dh.i32(DH::LiveCheckout) ? dh.i32(DH::LiveCheckout) : dh.i32(DH::SpareCheckout);
    VssRecord::View record;
    if (VssRecord::read(VssBytes(file), cf, "CF", record).isEmpty())
        p.cf = record.payload.view().toByteArray();
    return p;
}

quint16 fileFlags(const Parsed &p)
{
    return VssBytes(p.state.headerPayload).u16(DH::FileFlags);
}

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
    static QStringList holders(const VSSItem &item)
    {
        QStringList names;
        const VSSCheckouts checkouts = item.Checkouts();
        for (int i = 1; i <= checkouts.Count(); ++i)
            names << checkouts.Item(i).Username;
        return names;
    }
    static std::unique_ptr<VssDbDatabase> openAs(const QString &dir, const QString &user,
                                                 const QString &password = {})
    {
        return VssFixtures::open(dir + "/srcsafe.ini", user, password);
    }
    QString itemFileOf(const QString &dir, const QString &spec)
    {
        auto db = openAs(dir, "Admin");
        const VSSItemPtr item = db->VSSItem(spec);
        return VssWriter(dir).itemPath(static_cast<VssDbItem &>(*item).physicalName());
    }

private slots:
    void readerSeesTreeVersionsDatesCheckoutsAndLabels()
    {
        const QString dir = freshDatabase();
        VssWriter w(dir);
        w.addProject(Proj, by("raul", 1));
        w.addProject("$/Widgie/Sub Project", by("Raul", 2));
        w.addProject(Deep, by("Raul", 3));
        w.addFile(Main, by("Raul", 4, "first"), "int main() {}\r\n");
        w.addFile(Long, by("Raul", 5), "%PDF", true);
        w.addFile(Deep + "/notes.txt", by("Guest", 6));
        w.checkout(Main, by("Raul", 7));
        w.checkin(Main, by("Raul", 8, "fixed"));
        w.checkout(Main, by("raul", 9));
        w.checkout(Long, by("Guest", 10), false);
        w.label(Deep + "/notes.txt", "Release 1", by("Admin", 11, "ship it"));

        auto db = openAs(dir, "RAUL", "Secret");
        QStringList specs;
        VssFixtures::collect(*db->VSSItem("$/"), specs);
        QCOMPARE(specs, QStringList({"$/", Proj, Main, Long, "$/Widgie/Sub Project", Deep,
                                     Deep + "/notes.txt"}));
        QCOMPARE(db->VSSItem(Deep)->Type(), int(VSSItem::Project));

        const VSSItemPtr main = db->VSSItem(Main);
        QCOMPARE(main->VersionNumber(), 2);
        const auto versions = main->Versions();
        QCOMPARE(int(versions.size()), 2);
        QCOMPARE(versions[0].Date, at(8));
        QCOMPARE(versions[0].Username, QString("Raul")); // the um.dat spelling
        QCOMPARE(versions[1].Date, at(4));
        QCOMPARE(main->IsCheckedOut(), 2);
        QCOMPARE(main->Checkouts().Item(1).Username, QString("Raul"));
        QCOMPARE(db->VSSItem(Long)->Checkouts().Item(1).Username, QString("Guest"));

        const VSSItemPtr notes = db->VSSItem(Deep + "/notes.txt");
        QCOMPARE(notes->VersionNumber(), 2); // a label takes the next number
        QCOMPARE(notes->Versions()[0].Label, QString("Release 1"));
        QCOMPARE(notes->Versions()[0].Date, at(11));

        // Wrong password and unknown user are refused as with real databases.
        QVERIFY_THROWS_EXCEPTION(RepositoryOpenError, openAs(dir, "Raul", "wrong"));
        QVERIFY_THROWS_EXCEPTION(RepositoryOpenError, openAs(dir, "Nobody"));
    }

    // (Check-out, undo and check-in as read back are followed by the poll
    // tests over written databases.)
    void refusesWhatVssWouldRefuse()
    {
        const QString dir = freshDatabase();
        VssWriter w(dir);
        w.addFile("$/a.txt", by("Raul", 1));
        // Only the holder releases a check-out; nothing else can be released.
        QVERIFY_THROWS_EXCEPTION(VssGenError, w.undoCheckout("$/a.txt", by("Raul", 6)));
        w.checkout("$/a.txt", by("Raul", 6));
        const QByteArray content = "new text";
        QVERIFY_THROWS_EXCEPTION(VssGenError, w.checkout("$/a.txt", by("Guest", 7)));
        QVERIFY_THROWS_EXCEPTION(VssGenError, w.checkin("$/a.txt", by("Guest", 7), &content));
        QVERIFY_THROWS_EXCEPTION(VssGenError, w.addFile("$/A.TXT", by("Raul", 7)));
        QVERIFY_THROWS_EXCEPTION(VssGenError, w.addFile("$/x/y.txt", by("Raul", 7)));
        QVERIFY_THROWS_EXCEPTION(VssGenError, w.checkout("$/b.txt", by("Raul", 7)));
        QVERIFY_THROWS_EXCEPTION(VssGenError, w.addFile("$/b.txt", by("Stranger", 7)));
        QCOMPARE(openAs(dir, "Guest")->VSSItem("$/a.txt")->IsCheckedOut(), 1);
    }

    // Several holders at once: the newest check-out is the last one listed,
    // and a holder who leaves no longer counts while the others stay.
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
        // One holder at a time where the database does not allow more.
        const QString single = freshDatabase();
        VssWriter(single).addFile("$/b.txt", by("Raul", 1));
        VssWriter(single).checkout("$/b.txt", by("Raul", 2), false);
        QVERIFY_THROWS_EXCEPTION(VssGenError,
                                 VssWriter(single).checkout("$/b.txt", by("Guest", 3), false));
    }

    // A pinned entry shows the file as it was at the pinned version; the
    // entry it was shared from follows the newest.
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
        const VSSItemPtr pinned = db->VSSItem("$/B/a.txt");
        QCOMPARE(pinned->VersionNumber(), 2);
        QCOMPARE(pinned->NewestVersionDate(), at(4));
        QCOMPARE(int(pinned->Versions().size()), 2);
        QCOMPARE(pinned->Versions().front().Date, at(4));
        const VSSItemPtr head = db->VSSItem("$/A/a.txt");
        QCOMPARE(head->VersionNumber(), 3);
        QCOMPARE(head->NewestVersionDate(), at(6));
        QCOMPARE(int(head->Versions().size()), 3);
        w.pin("$/B/a.txt", 0, by("Raul", 10));
        QCOMPARE(db->VSSItem("$/B/a.txt")->VersionNumber(), 3);
        QCOMPARE(db->VSSItem("$/B/a.txt")->NewestVersionDate(), at(6));
    }

    void deletedAndRenamedEntries()
    {
        const QString dir = freshDatabase();
        VssWriter w(dir);
        w.addProject(Proj, by("Raul", 1));
        w.addFile(Main, by("Raul", 2));
        w.addFile("$/Widgie/gone.txt", by("Raul", 3));
        w.remove("$/Widgie/gone.txt", by("Raul", 4));
        w.rename(Main, "A much longer name than a short field holds.cpp", by("Raul", 5));
        w.rename(Proj, "Widgie Two", by("Raul", 6));

        auto db = openAs(dir, "Raul", "secret");
        QStringList specs;
        VssFixtures::collect(*db->VSSItem("$/"), specs);
        QCOMPARE(specs,
                 QStringList({"$/", "$/Widgie Two",
                              "$/Widgie Two/A much longer name than a short field holds.cpp"}));
        QVERIFY_THROWS_EXCEPTION(RepositoryError, db->VSSItem(Main));
        QVERIFY_THROWS_EXCEPTION(RepositoryError, db->VSSItem("$/Widgie Two/gone.txt"));
        QCOMPARE(db->VSSItem("$/Widgie Two/gone.txt", true)->Name(), QString("gone.txt"));
        QCOMPARE(int(db->VSSItem("$/Widgie Two")->Items(true).size()), 2);
        // The same file: its history followed the rename.
        QCOMPARE(db->VSSItem("$/Widgie Two/a much longer name than a short field holds.cpp")
                     ->Versions()[0]
                     .Date,
                 at(2));
        // A name can be used again once its entry is deleted.
        w.addFile("$/Widgie Two/gone.txt", by("Raul", 7));
        QCOMPARE(db->VSSItem("$/Widgie Two/gone.txt")->Versions()[0].Date, at(7));
    }

    void storedTimeIsTheWallClockCountedAsUtc()
    {
        const QDateTime local(QDate(2023, 5, 5), QTime(11, 34, 15));
        QCOMPARE(VssGenRecords::storedTime(local), 0x6454E9B7u);
        QCOMPARE(VssGenRecords::storedTime(local.toUTC()), 0x6454E9B7u);
        QCOMPARE(VssGenRecords::physicalName(515), QByteArray("VTAAAAAA"));
        QCOMPARE(VssGenRecords::physicalNumber("VTAAAAAA"), 515u);
        QCOMPARE(VssGenRecords::physicalName(0), QByteArray("AAAAAAAA"));
    }

    void projectEntryAndNameRecordMatchRealBytes()
    {
        // A project entry written by VSS (the root list of the tempnjayaraj
        // database) and the long-name record of "New Text Document.txt".
        const QString real4c = VssFixtures::root() + "/tempnjayaraj-vss/4c10b8f-Database.rar/data/";
        const QByteArray realEntry = read(real4c + "a/aaaaaaaa.b");
        VssGenRecords::ProjectEntry e{true, 0, {true, "esign-java-authenticator", 0}, "BAAAAAAA"};
        QCOMPARE(VssGenRecords::projectEntry(e).toHex(), realEntry.toHex());

        const QByteArray real = read(real4c + "names.dat").mid(0xE2);
        const VssGenNames::Plan plan = VssGenNames::plan("New Text Document.txt", false);
        QCOMPARE(plan.shortName, QByteArray("New_Text_Document.txt"));
        QCOMPARE(VssGenRecords::nameRecord(plan.names).toHex(), real.toHex());
        // Over 31 characters: a cut name for the Macintosh client as well.
        const QByteArray longer = read(real4c + "names.dat").mid(0x75, 0x6D);
        const VssGenNames::Plan cut =
            VssGenNames::plan("SN Activities or Meetings until now.pdf", false);
        QCOMPARE(cut.shortName, QByteArray("SN_Activities_or_Meetings_until_n"));
        // (+0x02 of the payload is left unset by VSS; compare what follows)
        QCOMPARE(VssGenRecords::nameRecord(cut.names).mid(12).toHex(), longer.mid(12).toHex());
        QVERIFY(VssGenNames::plan("Le.txt", false).names.isEmpty());
        QCOMPARE(VssGenNames::plan("clingBling.txt", false).names,
                 (QList<QPair<quint16, QByteArray>>{{1, "clingB~1.txt"}}));
        QVERIFY(VssGenNames::plan("esign-java-authenticator", true).names.isEmpty());
    }

    void checkedOutFileIsLaidOutLikeRealOnes_data()
    {
        QTest::addColumn<bool>("exclusive");
        QTest::addColumn<QString>("realFile");
        QTest::newRow("exclusive") << true << "e/eaaaaaaa";
        QTest::newRow("not exclusive") << false << "c/caaaaaaa";
    }
    void checkedOutFileIsLaidOutLikeRealOnes()
    {
        QFETCH(bool, exclusive);
        QFETCH(QString, realFile);
        const QByteArray real = read(VssFixtures::root() + "/rauls-newscaster/data/" + realFile);
        const QString dir = freshDatabase();
        VssWriter w(dir);
        w.addProject(Proj, by("Raul", 1));
        w.addFile(Main, by("Raul", 2));
        w.checkout(Main, by("Raul", 3), exclusive);
        const QByteArray mine = read(itemFileOf(dir, Main));

        // Same records at the same offsets with the same payload sizes.
        QCOMPARE(recordKinds(mine), recordKinds(real));
        QCOMPARE(mine.size(), real.size());
        const Parsed m = parse(mine), r = parse(real);
        QCOMPARE(fileFlags(m), fileFlags(r));
        QCOMPARE(fileFlags(m), quint16(exclusive ? 0x41 : 0x01));
        QCOMPARE(VssBytes(m.state.headerPayload).i32(DH::SpareCheckout), 0);
        QCOMPARE(m.state.header.liveCheckout, r.state.header.liveCheckout);
        // CF: flags, versions, own offset and live state at the same places.
        for (qint64 field : {CF::Flags, CF::Version, qint64(0x294), qint64(0x298)})
            QCOMPARE(VssBytes(m.cf).u32(field) & 0xFFFF, VssBytes(r.cf).u32(field) & 0xFFFF);
        QCOMPARE(m.cf.at(CF::State), r.cf.at(CF::State));
        QCOMPARE(VssBytes(m.cf).text(CF::Project, 260), QByteArray("$/Widgie"));
    }

    void releasedCheckoutIsLaidOutLikeRealOnes()
    {
        // clingBling.txt: checked in three times, its CF record released.
        const QByteArray real =
            read(VssFixtures::root() + "/tempnjayaraj-vss/4c10b8f-Database.rar/data/d/daaaaaaa");
        const QString dir = freshDatabase();
        VssWriter w(dir);
        w.addFile("$/a.txt", by("Raul", 1, "Adding"));
        for (int i = 0; i < 3; ++i) {
            w.checkout("$/a.txt", by("Raul", 2 + 2 * i));
            w.checkin("$/a.txt", by("Raul", 3 + 2 * i, "changes"));
        }
        const QByteArray checkedIn = read(itemFileOf(dir, "$/a.txt"));
        QCOMPARE(recordKinds(checkedIn, false), recordKinds(real, false));
        const Parsed m = parse(checkedIn), r = parse(real);
        QCOMPARE(fileFlags(m) & 0xFF, fileFlags(r) & 0xFF); // 0x100: VSS 2005 only
        QCOMPARE(m.state.header.liveCheckout, 0);
        QCOMPARE(VssBytes(m.state.headerPayload).i32(DH::SpareCheckout), 0x1A0);
        QCOMPARE(quint8(m.cf.at(CF::State)), quint8(r.cf.at(CF::State)));
        QCOMPARE(VssBytes(m.cf).u32(CF::Version), VssBytes(r.cf).u32(CF::Version)); // 0, 0
        QCOMPARE(VssBytes(m.cf).u32(0x298), 3u); // the version that was checked out
        QCOMPARE(VssBytes(m.cf).text(CF::User, 32), QByteArray("Raul"));
        QCOMPARE(m.state.newest.version, r.state.newest.version);

        // An undo releases the same way and appends nothing.
        w.checkout("$/a.txt", by("Raul", 9));
        w.undoCheckout("$/a.txt", by("Raul", 10));
        const QByteArray undone = read(itemFileOf(dir, "$/a.txt"));
        QCOMPARE(undone.size(), checkedIn.size());
        const Parsed u = parse(undone);
        QCOMPARE(fileFlags(u), quint16(0));
        QCOMPARE(quint8(u.cf.at(CF::State)), quint8(CF::StateReleased));
        QCOMPARE(VssBytes(u.cf).u32(0x298), 4u);
    }

    void populatedDatabaseReadsBack()
    {
        const QString dir = m_tmp.filePath("populated");
        VssGenPopulate::Options o;
        o.projects = 12;
        o.depth = 6;
        o.files = 30;
        o.history = 5;
        const QStringList specs = VssGenPopulate::populate(dir, o);
        QCOMPARE(specs.size(), 30);
        QCOMPARE(specs[5], QString("$/P0_1/P0_2/P0_3/P0_4/P0_5/P0_6/File00005.txt"));
        auto db = openAs(dir, "Admin");
        QStringList all;
        VssFixtures::collect(*db->VSSItem("$/"), all);
        QCOMPARE(all.size(), 1 + 12 + 30);
        for (const QString &spec : specs)
            QCOMPARE(int(db->VSSItem(spec)->Versions().size()), 5);
        // A populated database takes further changes like any other.
        VssWriter w(dir);
        w.checkout(specs[5], by("Admin", 1));
        QCOMPARE(db->VSSItem(specs[5])->IsCheckedOut(), 2);
    }
};

QTEST_GUILESS_MAIN(tst_VssGen)
#include "tst_vssgen.moc"
