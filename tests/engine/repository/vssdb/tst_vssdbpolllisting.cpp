// What an unchanged poll of many watched files costs the place the database
// is on, counted by the file-access layer: where listings carry stamps, one
// listing per data folder and nothing opened, stat-ed or read, however slow
// the listings; where they give names only, one stat call per file.
#include "VssFixtures.h"
#include "support/EngineFixture.h"
#include "support/VssGen.h"
#include "support/WatchFixture.h"

#include "VssGenPopulate.h"
#include "VssWriter.h"

#include "engine/repository/fileaccess/LocalFileAccess.h"

#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

using namespace VssFixtures;

namespace {

// This machine's files as either kind of place. Where the platform's own
// listings give names only, a listing with stamps stats its entries itself
// and counts as one call, as a server spoken to directly answers. A listing
// may take `listingMs` (a share reached through Wine and FUSE looks at every
// file in the folder).
class Place : public LocalFileAccess
{
public:
    explicit Place(bool stamped, int listingMs = 0) : m_stamped(stamped), m_listingMs(listingMs) {}
    bool listingsCarryStamps() const override { return m_stamped; }
    bool namesIgnoreCase() const override { return m_stamped; }

protected:
    QString listFolder(const QString &folder, std::vector<FolderEntry> &out) override
    {
        QThread::msleep(m_listingMs);
        const QString error = LocalFileAccess::listFolder(folder, out);
        if (m_stamped && !LocalFileAccess::listingsCarryStamps())
            for (FolderEntry &entry : out)
                entry.kind = statPath(folder + QLatin1Char('/') + entry.name, &entry.stamp);
        return error;
    }

private:
    bool m_stamped;
    int m_listingMs;
};

} // namespace

class tst_VssDbPollListing : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    QStringList m_files;

private slots:
    void initTestCase()
    {
        VssGenPopulate::Options shape;
        shape.projects = 40, shape.depth = 2, shape.files = 10000;
#ifdef Q_OS_WIN
        shape.files = 2000; // a file costs many times more under Wine
#endif
        m_files = VssGenPopulate::populate(m_tmp.path(), shape);
        QCOMPARE(m_files.size(), shape.files);
    }

    void unchangedPollCost_data()
    {
        QTest::addColumn<bool>("stamped");
        QTest::newRow("listings with stamps") << true;
#ifndef Q_OS_WIN // Win32 listings carry stamps
        QTest::newRow("listings with names only") << false;
#endif
    }
    void unchangedPollCost()
    {
        QFETCH(bool, stamped);
        // Listing every folder takes longer than the reader may pause.
        const auto place = std::make_shared<Place>(stamped, 50);
        VssDbOptions options; // the watcher's, but a stamp settles sooner
        options.stampSettleMs = 50;
        options.projectRecheckMs = 600000; // only polls look at projects again
        options.files = place;
        auto db = open(m_tmp.filePath("srcsafe.ini"), "Admin", {}, options);
        const auto poll = [&] {
            db->BeginPoll();
            int checkedOut = 0;
            for (const QString &spec : m_files)
                checkedOut += db->VSSItem(spec)->IsCheckedOut() != 0;
            return checkedOut;
        };
        for (int i = 0; i < 2; ++i, QTest::qWait(100))
            poll(); // the second read settles the stamps
        const FileAccess::Counts before = place->counts();
        QCOMPARE(poll(), 0);
        const FileAccess::Counts after = place->counts();
        const qint64 looks = after.opens + after.stats - before.opens - before.stats;
        qInfo("%lld files: %lld opens, %lld stats, %lld listings, %lld bytes",
              qint64(m_files.size()), after.opens - before.opens, after.stats - before.stats,
              after.listings - before.listings, after.bytes - before.bytes);
        const qint64 n = m_files.size();
        QVERIFY(looks <= (stamped ? 0 : n + n / 20));
        QVERIFY(after.listings - before.listings <= (stamped ? 26 : 0)); // a to z
        // Each folder's path walked once a poll, not at each file: a mount's
        // client may ask the server about every folder on it again.
        QVERIFY(after.folderWalks - before.folderWalks <= 26 + 2); // and data, the root
        QCOMPARE(after.bytes, before.bytes);
    }

    // Within a pass over the files a listing answers every look at them, a
    // look after a file's read too: a write since is seen by the next pass,
    // after a pause or from the next poll on, which lists afresh.
    void aPauseOrAPollListsAfresh_data()
    {
        QTest::addColumn<bool>("poll");
        QTest::newRow("pause") << false;
        QTest::newRow("poll") << true;
    }
    void aPauseOrAPollListsAfresh()
    {
        QFETCH(bool, poll);
        const auto place = std::make_shared<Place>(true);
        VssDbOptions options;
        options.stampSettleMs = 50;
        options.projectRecheckMs = 600000;
        options.listingReuseMs = 200;
        options.files = place;
        auto db = open(m_tmp.filePath("srcsafe.ini"), "Admin", {}, options);
        const QString spec = m_files[42];
        for (int i = 0; i < 3; ++i, QTest::qWait(100)) {
            db->BeginPoll(); // the stamp settles
            QVERIFY(!db->VSSItem(spec)->IsCheckedOut());
        }
        VssWriter(m_tmp.path()).checkout(spec, VssGen::by("Admin", 60));
        const FileAccess::Counts before = place->counts();
        db->VSSItem(spec)->IsCheckedOut(); // the pass goes on
        QCOMPARE(place->counts().listings + place->counts().opens, before.listings + before.opens);
        if (poll)
            db->BeginPoll();
        else
            QTest::qWait(300);
        QVERIFY(db->VSSItem(spec)->IsCheckedOut());
        VssWriter(m_tmp.path()).undoCheckout(spec, VssGen::by("Admin", 61));
    }

    // Start-up (the look-up of every watched file) and the first poll right
    // after it, as `--once` makes them: each item file opened and read once
    // (its header alone, as the place's clock shows it unwritten since well
    // before a change the first look saw, and not read again), each
    // project's item file and data file opened once however long the rounds
    // take, each data folder listed once for both.
    void startUpCost_data()
    {
        unchangedPollCost_data();
    }
    void startUpCost()
    {
        QFETCH(bool, stamped);
        QTemporaryDir dir;
        VssGenPopulate::Options shape;
        shape.projects = 20, shape.depth = 2, shape.files = 2000, shape.history = 8; // past 3 KB
#ifdef Q_OS_WIN
        shape.files = 500;
#endif
        const QStringList files = VssGenPopulate::populate(dir.path(), shape);
        QTest::qWait(100);
        VssWriter(dir.path()).addFile("$/Fresh.txt", VssGen::by("Admin", 9)); // the root's header
        // Listing every folder takes longer than the reader may pause.
        const auto place = std::make_shared<Place>(stamped, 50);
        VssDbOptions options;
        options.stampSettleMs = 50;
        options.projectRecheckMs = 1; // a round looks once, however long it takes
        options.files = place;
        WatchFixture f([&] { return std::make_unique<VssDbDatabase>(options); },
                       dir.filePath("srcsafe.ini"), "Admin", {});
        const QDateTime seen(QDate(2100, 1, 1), QTime(0, 0), Qt::UTC); // no events
        for (const QString &spec : files)
            f.zel.MonitoredFiles.Add(spec, 0, 1, seen, spec);
        QVERIFY(f.start());
        f.poll();
        QVERIFY(!f.zel.EventsFound);
        const FileAccess::Counts c = place->counts();
        const qint64 n = files.size(), projects = shape.projects + 1;
        qInfo("%lld files, %lld projects: %lld opens, %lld stats, %lld listings, %lld reads, "
              "%lld bytes",
              n, projects, c.opens, c.stats, c.listings, c.reads, c.bytes);
        QVERIFY(c.listings <= (stamped ? 26 + 1 : 0));
        // Besides: srcsafe.ini, version.dat, names.dat, um.dat, the root's
        // header and listing for the code page's guess. A project: its
        // header (alone, as it rested), its data file, its header again.
        QVERIFY(c.opens <= n + 2 * projects + 8);
        QVERIFY(c.reads <= n + 3 * projects + 8);
        QVERIFY(c.stats <= (stamped ? 8 : n + 2 * projects + 8));
        QVERIFY(c.bytes <= n * 1100 + projects * 10000);
        // The paths a change watch is given: where names ignore case, no look.
        if (stamped) {
            for (const QString &spec : files)
                QVERIFY(!f.zel.Database->VSSItem(spec)->ChangeFile().isEmpty());
            QCOMPARE(place->counts().stats, c.stats);
        }
    }

    // The watcher tells the database where each poll (and the look-up as
    // watching starts) begins and ends, and its change watch where each
    // poll begins; without a change watch (`--once`) the first poll goes on
    // with the look-ups' listings.
    void everyPollBegins()
    {
        for (const bool watched : {true, false}) {
            ManualChangeWatch changes;
            EngineFixture f;
            if (watched)
                f.zel.setChangeWatch(&changes);
            QVERIFY(f.startWatching({"$/Web/a.txt"}));
            f.poll();
            f.poll();
            QCOMPARE(f.repo->calls("BeginPoll"), watched ? 3 : 2);
            QCOMPARE(f.repo->calls("EndPoll"), 3);
            QCOMPARE(changes.pollsBegun, watched ? 2 : 0);
        }
    }

    // Another kind of place is reached only through the backend registered
    // for its scheme; a path no backend serves is refused clearly.
    void schemesGoToTheirBackend()
    {
        QString error;
        QVERIFY(!FileAccess::forPath("nfs://server/vss/srcsafe.ini", &error));
        QVERIFY(error.contains("nfs://"));
        const auto place = std::make_shared<Place>(true);
        FileAccess::registerScheme("test://",
                                   [place](const QString &, QString *) { return place; });
        QCOMPARE(FileAccess::forPath("TEST://server/vss/srcsafe.ini").get(), place.get());
        QVERIFY(FileAccess::forPath("C:/vss/srcsafe.ini") && FileAccess::forPath("//server/vss"));
    }
};

QTEST_GUILESS_MAIN(tst_VssDbPollListing)
#include "tst_vssdbpolllisting.moc"
