// What one poll costs the reader: one read of an item file serves the burst
// of calls made on one item, the history is built once per state of the file.
#include "VssFixtures.h"
#include "support/TestFiles.h"
#include "support/VssGen.h"

#include "VssGenPopulate.h"
#include "VssWriter.h"

#include "engine/repository/vssdb/VssLayout.h"
#include "engine/repository/vssdb/VssStampGate.h"

#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <sys/stat.h>
#endif

using namespace VssFixtures;
using VssGen::at;
using VssGen::by;

namespace {

VssDbOptions reuseFor(int ms)
{
    VssDbOptions options = strict();
    options.itemReuseMs = ms;
    return options;
}

// A byte of the DH record: flipped, the item file no longer reads.
constexpr qint64 InHeader = VssLayout::DH::FileOffset + VssLayout::RecordHeaderSize + 0x10;

bool flipByte(const QString &path, qint64 offset)
{
    return TestFiles::edit(path, [offset](QByteArray &f) { f[offset] = char(f[offset] ^ 1); });
}

} // namespace

class tst_VssDbPollCost : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    QString m_dir;
    QStringList m_files;

    std::unique_ptr<VssDbDatabase> openGenerated(const VssDbOptions &options = strict())
    {
        return open(m_dir + QStringLiteral("/srcsafe.ini"), QStringLiteral("Admin"), {}, options);
    }

private slots:
    void init()
    {
        static int run = 0;
        m_dir = m_tmp.filePath(QString::number(++run));
        VssGenPopulate::Options shape;
        shape.projects = 4, shape.depth = 2, shape.files = 12, shape.history = 4;
        m_files = VssGenPopulate::populate(m_dir, shape);
        QCOMPARE(m_files.size(), 12);
    }

    // modZel's calls on one watched file: state, date or check-outs, state.
    void burstOfCallsCostsOneRead()
    {
        auto db = openGenerated(reuseFor(60000));
        const VssItemCache &cache = db->context()->items;
        const VSSItemPtr item = db->VSSItem(m_files[4]);
        const int before = cache.fileReads();
        QCOMPARE(item->IsCheckedOut(), 0);
        item->NewestVersionDate();
        QVERIFY(item->Checkouts().Count() == 0 && item->VersionNumber() == 4 &&
                !item->IsCheckedOut());
        QCOMPARE(cache.fileReads() - before, 1);
        // A change within the window: this object keeps its consistent
        // snapshot; a new object (the next poll) reads afresh.
        VssWriter(m_dir).checkout(m_files[4], by("Admin", 20));
        QVERIFY(item->IsCheckedOut() == 0 && item->Checkouts().Count() == 0);
        QCOMPARE(db->VSSItem(m_files[4])->Checkouts().Item(1).Username, QStringLiteral("Admin"));
        // Without a window every call reads and sees the change at once.
        auto strictDb = openGenerated();
        const VSSItemPtr fresh = strictDb->VSSItem(m_files[5]);
        QCOMPARE(fresh->IsCheckedOut(), 0);
        const int reads = strictDb->context()->items.fileReads();
        fresh->NewestVersionDate();
        VssWriter(m_dir).checkout(m_files[5], by("Admin", 21));
        QCOMPARE(fresh->IsCheckedOut(), 2);
        QCOMPARE(strictDb->context()->items.fileReads() - reads, 2);
    }

    // The states kept stay bounded: items not read for a while are
    // forgotten once the cache has doubled; items read since are kept.
    void itemStatesNotReadLatelyAreForgotten()
    {
        VssDbOptions options = strict();
        options.itemsKept = 4;
        options.itemForgetMs = 200;
        auto db = openGenerated(options);
        const VssItemCache &cache = db->context()->items;
        const auto readFiles = [&](int from, int to) {
            for (int i = from; i < to; ++i)
                db->VSSItem(m_files[i])->IsCheckedOut();
        };
        readFiles(0, 8); // the first sweep, at 4, finds nothing old
        QTest::qWait(300);
        readFiles(4, 8);
        readFiles(8, 9); // the second, at 8: files 0-3 go
        QCOMPARE(cache.size(), 5);
        const int reads = cache.fullReads();
        readFiles(4, 9);
        QCOMPARE(cache.fullReads(), reads);
    }

    // A long-lived item sees changes after the window, and damage like any read.
    void longLivedItemFollowsTheFileAfterTheWindow()
    {
        auto db = openGenerated(reuseFor(40));
        const VSSItemPtr item = db->VSSItem(m_files[5]);
        QCOMPARE(item->VersionNumber(), 4);
        VssWriter writer(m_dir);
        writer.checkout(m_files[5], by("Admin", 20));
        writer.checkin(m_files[5], by("Admin", 21));
        QTRY_COMPARE_WITH_TIMEOUT(item->VersionNumber(), 5, 2000);
        QVERIFY(item->NewestVersionDate() == at(21) && item->Versions().size() == 5);
        const QString path = itemFile(*db, *item);
        QVERIFY(flipByte(path, InHeader));
        QTest::qWait(60);
        QVERIFY_THROWS_EXCEPTION(RepositoryError, item->VersionNumber());
        QVERIFY_THROWS_EXCEPTION(RepositoryError, db->VSSItem(m_files[5])->IsCheckedOut());
        QVERIFY(flipByte(path, InHeader));
        QCOMPARE(item->VersionNumber(), 5);
    }

    void historyIsBuiltOncePerState()
    {
        auto db = openGenerated();
        const VssItemCache &cache = db->context()->items;
        const VSSItemPtr item = db->VSSItem(m_files[7]);
        const auto first = item->Versions();
        const int parsed = cache.fullReads();
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(db->VSSItem(m_files[7])->Versions().size(), first.size());
            QCOMPARE(item->NewestVersionDate(), first.front().Date);
        }
        QCOMPARE(cache.fullReads(), parsed);
        VssWriter writer(m_dir);
        writer.checkout(m_files[7], by("Admin", 30));
        writer.checkin(m_files[7], by("Admin", 31));
        QVERIFY(item->Versions().front().Date == at(31) && cache.fullReads() == parsed + 1);
    }

    // A one-pass walk (quorvik-vss) keeps no item state or listing.
    void walkKeepsNoStates()
    {
        int listingReads[2] = {0, 0};
        for (const bool keep : {true, false}) {
            VssDbOptions options = strict();
            options.keepReadStates = keep;
            auto db = openGenerated(options);
            for (int i = 0; i < 2; ++i) {
                db->VSSItem(m_files[7])->VersionNumber();
                db->VSSItem(QStringLiteral("$/P0_1"))->Items();
            }
            QCOMPARE(db->context()->items.fullReads(), 2 - keep);
            listingReads[keep] = db->context()->tree.listingReads();
        }
        QCOMPARE(listingReads[false], listingReads[true] + 1); // $/P0_1 listed twice
    }

    // A project or item whose stamp settled is looked at with one stat call
    // (on Linux); a file added or renamed in it, or a write to the item, even
    // one of the same size that puts the modification time back, is still
    // seen at once (a removal rewrites the project's header as they do).
    void settledStampsStillSeeChanges()
    {
        VssDbOptions options = strict();
        options.stampSettleMs = 20;
        auto db = openGenerated(options);
        const QString spec = m_files[9], project = spec.section('/', 0, -2);
        const QString added = project + "/Added.txt", renamed = project + "/Renamed.txt";
        const auto settle = [&] {
            for (int look = 0; look < 2; ++look, QTest::qWait(40))
                db->VSSItem(spec)->IsCheckedOut(); // the second look settles the stamps
            const int reads = db->context()->tree.headerReads() + db->context()->items.fileReads();
            db->VSSItem(spec)->IsCheckedOut();
            return db->context()->tree.headerReads() + db->context()->items.fileReads() == reads;
        };
        const bool stamps = settle();
        VssWriter writer(m_dir);
        writer.checkout(spec, by("Admin", 39));
        QCOMPARE(db->VSSItem(spec)->IsCheckedOut(), 2);
#ifdef Q_OS_LINUX
        QVERIFY(stamps && settle());
        QCOMPARE(db->VSSItem(spec)->Versions().size(), size_t(4)); // not kept by the settled read
        const QByteArray path = QFile::encodeName(itemFile(*db, *db->VSSItem(spec)));
        struct stat was;
        QVERIFY(::stat(path, &was) == 0 && flipByte(path, InHeader));
        const timespec times[2] = {was.st_atim, was.st_mtim};
        QVERIFY(::utimensat(AT_FDCWD, path, times, 0) == 0);
        QVERIFY_THROWS_EXCEPTION(RepositoryError, db->VSSItem(spec)->IsCheckedOut());
        QVERIFY(flipByte(path, InHeader));
#endif
        writer.addFile(added, by("Admin", 40));
        QCOMPARE(db->VSSItem(added)->Spec(), added);
        QCOMPARE(settle(), stamps);
        writer.rename(spec, "Renamed.txt", by("Admin", 41));
        QVERIFY_THROWS_EXCEPTION(RepositoryError, db->VSSItem(spec));
        QCOMPARE(db->VSSItem(renamed)->Spec(), renamed);
    }

    // On a file system whose clock steps in 2 s a write in the stamp's step
    // keeps it: only a read made 3 s after the stamp was first seen stands
    // for later looks (here those at 4 s and 13 s).
    void stampSettlesOnlyAfterTheClockStep()
    {
        const std::pair<int, int> looks[] = {{0, 1},    {1000, 1},  {3500, 1},  {4000, 1},
                                             {9000, 2}, {12500, 2}, {13000, 2}, {13001, -1}};
        VssStampGate gate;
        for (const auto &[ms, size] : looks) {
            const VssStampGate::Look now{{0, 0, size, 0, 0}, ms};
            QCOMPARE(gate.holds(now), ms == 4000 || ms == 13000);
            if (!gate.holds(now))
                gate.readAfter(now, 3000);
        }
    }

    // A read that began when the place's clock (a change time it wrote,
    // seen before the read) was already 3 s past the stamp's modification
    // time stands for the next look at once: no write after it can keep
    // that time. Closer, or with the place's clock unknown, it does not.
    void stampOldWhenReadSettlesAtOnce()
    {
        constexpr qint64 s = 1000000000;
        const struct
        {
            qint64 modified, placeNow;
            bool holds;
        } rows[] = {{100 * s, 103 * s, true}, {100 * s, 103 * s - 1, false}, {100 * s, 0, false}};
        for (const auto &row : rows) {
            const VssFileStamp stamp{0, 0, 10, row.modified, row.modified};
            VssStampGate gate;
            gate.readAfter({stamp, 0, row.placeNow}, 3000);
            QCOMPARE(gate.holds({stamp, 1, row.placeNow}), row.holds);
            QVERIFY(!gate.holds({{0, 0, 11, row.modified, row.modified}, 1, row.placeNow}));
        }
    }

    // Names match in any case; a live entry wins over a deleted one of the
    // same name, found only by a lookup of deleted items once none is live.
    void lookupPrefersLiveEntries()
    {
        const QString spec = QStringLiteral("$/P0_1/Twice.txt");
        VssWriter writer(m_dir);
        writer.addFile(spec, by("Admin", 1));
        writer.remove(spec, by("Admin", 2));
        writer.addFile(spec, by("Admin", 3));
        writer.checkout(spec, by("Admin", 4));
        auto db = openGenerated();
        const VSSItemPtr live = db->VSSItem("$/p0_1/TWICE.TXT");
        QCOMPARE(live->Spec(), spec);
        QCOMPARE(live->IsCheckedOut(), 2);
        QCOMPARE(db->VSSItem(spec, true)->IsCheckedOut(), 2);

        writer.undoCheckout(spec, by("Admin", 5));
        writer.remove(spec, by("Admin", 6));
        QVERIFY_THROWS_EXCEPTION(RepositoryError, db->VSSItem(spec));
        const VSSItemPtr gone = db->VSSItem(spec, true);
        QVERIFY(dynamic_cast<const VssDbItem &>(*gone).physicalName() !=
                dynamic_cast<const VssDbItem &>(*live).physicalName()); // the first one deleted
        QCOMPARE(gone->VersionNumber(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_VssDbPollCost)
#include "tst_vssdbpollcost.moc"
