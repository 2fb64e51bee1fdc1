// The reader on damaged and half-written databases: a torn or inconsistent
// item is a failed call, never a value, and it reads again once repaired.
#include "VssFixtures.h"
#include "support/TestFiles.h"
#include "support/VssGen.h"

#include "VssWriter.h"
#include "engine/repository/vssdb/VssLayout.h"
#include "engine/repository/vssdb/VssRecord.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <atomic>
#include <functional>
#include <thread>

using namespace VssFixtures;
using namespace VssLayout;
using VssGen::headerField;

namespace {

const QString Esign = QStringLiteral("$/esign-java-authenticator");
const QString ClingBling = Esign + QStringLiteral("/clingBling.txt");
const QString Player = QStringLiteral("$/Widgie/AVI_PlayerDlg.cpp");

} // namespace

using Damage = std::function<void(QByteArray &)>;
Q_DECLARE_METATYPE(Damage)

class tst_VssDbDefensive : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_db;

    void copyFixture(const QString &name) // a fresh copy for each test
    {
        static int copies = 0;
        m_db = m_dir.path() + QString("/%1/").arg(++copies);
        QVERIFY(copyTree(root() + '/' + name, m_db));
    }
    QString dataFile(const QString &relative) const { return m_db + "data/" + relative; }

private slots:
    // Each row: damage to one file of a copy of a real database; each call
    // named then raises, twice, in a new session and (where the row says so)
    // through an item read before; once repaired it answers as before.
    void damagedFiles_data()
    {
        QTest::addColumn<int>("target"); // clingBling's item, its project's listing, a held item
        QTest::addColumn<bool>("reused");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<Damage>("damage");
        const auto row = [](const char *name, int target, bool reused, const QStringList &calls,
                            const Damage &damage) {
            QTest::newRow(name) << target << reused << calls << damage;
        };
        const QStringList file = {"version", "out", "history"};
        row("header byte flipped", 0, true, file,
            [](QByteArray &f) { f[DH::FileOffset + RecordHeaderSize + 0x10] ^= 0x20; });
        row("truncated before the header's end offset", 0, true, file,
            [](QByteArray &f) { f.truncate(headerField(f, DH::EndOffset) - 1); });
        row("wrong signature", 0, true, file, [](QByteArray &f) { f[0] = 'X'; });
        row("unsupported version", 0, true, file,
            [](QByteArray &f) { f[ItemFileVersionOffset] = 7; });
        row("empty file", 0, true, file, [](QByteArray &f) { f.clear(); });
        row("header counts one entry more, resealed", 0, true, file, [](QByteArray &f) {
            ++f[DH::FileOffset + RecordHeaderSize + DH::ElCount];
            VssGen::reseal(f, DH::FileOffset);
        });
        // History damaged under an unchanged header is not read again.
        row("newest history entry damaged", 0, false, file, [](QByteArray &f) {
            f[headerField(f, DH::LastEl) + RecordHeaderSize + EL::Time] ^= 0x01;
        });
        row("history chain loops", 0, false, {"history"}, [](QByteArray &f) {
            const qint32 newest = headerField(f, DH::LastEl);
            VssPut::u32(f, newest + RecordHeaderSize + EL::Previous, quint32(newest));
            VssGen::reseal(f, newest);
        });
        // A listing already read is kept (its data file is replaced only
        // together with a new header): damage shows to a new session.
        const qint64 jp = RecordHeaderSize + JP::PayloadSize;
        row("listing emptied", 1, false, {"version", "list"}, [](QByteArray &f) { f.clear(); });
        row("listing entry missing", 1, false, {"version", "list"},
            [jp](QByteArray &f) { f.chop(jp); });
        row("listing entry byte flipped", 1, false, {"version", "list"},
            [jp](QByteArray &f) { f[jp + RecordHeaderSize + JP::Name + 3] ^= 0x01; });
        row("listed physical name leaves the data folder", 1, false, {"version", "list"},
            [](QByteArray &f) {
                f.replace(RecordHeaderSize + JP::Physical, 8, "../../..");
                VssGen::reseal(f, 0);
            });
        row("live check-out byte flipped", 2, true, {"out", "holders"}, [](QByteArray &f) {
            f[headerField(f, DH::LiveCheckout) + RecordHeaderSize + CF::Machine] ^= 0x01;
        });
        row("live check-out chain loops", 2, true, {"out", "holders"}, [](QByteArray &f) {
            const qint32 live = headerField(f, DH::LiveCheckout);
            VssPut::u32(f, live + RecordHeaderSize + CF::Previous, quint32(live));
            VssGen::reseal(f, live);
        });
        row("live check-out outside the file", 2, true, {"out", "holders"}, [](QByteArray &f) {
            VssPut::u32(f, DH::FileOffset + RecordHeaderSize + DH::LiveCheckout,
                        quint32(f.size() + 100));
            VssGen::reseal(f, DH::FileOffset);
        });
    }
    void damagedFiles()
    {
        QFETCH(int, target);
        QFETCH(bool, reused);
        QFETCH(QStringList, calls);
        QFETCH(Damage, damage);
        const bool held = target == 2;
        copyFixture(held ? "rauls-newscaster" : "tempnjayaraj-vss/4c10b8f-Database.rar");
        const auto session = [&] {
            return open(m_db + "srcsafe.ini", held ? "Raul" : "johns", held ? "raul" : "");
        };
        const QString spec = held ? Player : ClingBling;
        auto db = session();
        const VSSItemPtr read = db->VSSItem(spec);
        const QString path =
            target == 1 ? VssFixtures::dataFile(*db, *db->VSSItem(Esign)) : itemFile(*db, *read);
        const QByteArray original = TestFiles::read(path);
        QByteArray damaged = original;
        damage(damaged);
        for (const QString &name : calls)
            for (int reuse = 0; reuse <= int(reused); ++reuse) {
                const auto call = [&] {
                    const VSSItemPtr item = reuse ? read : session()->VSSItem(spec);
                    return name == "version"   ? item->VersionNumber()
                           : name == "out"     ? item->IsCheckedOut()
                           : name == "history" ? int(item->Versions().size())
                           : name == "holders" ? item->Checkouts().Count()
                                               : int(session()->VSSItem(Esign)->Items().size());
                };
                const int before = call();
                QVERIFY(TestFiles::write(path, damaged));
                QVERIFY_THROWS_EXCEPTION(RepositoryError, call());
                QVERIFY_THROWS_EXCEPTION(RepositoryError, call());
                QVERIFY(TestFiles::write(path, original));
                QCOMPARE(call(), before);
            }
    }

    // Only the parts of an item file its state needs are read, yet a file
    // cut short before the end its header names is refused as before, also
    // far behind the newest record (a long label comment follows it here),
    // with and without stamps telling its size; records appended beyond that
    // end are not reported. A file met first when the
    // place's clock shows it unwritten for a while is read by its header (a
    // start over a share: no second read): a damaged newest history record
    // changes none of the values the header gives, and raises where the
    // record itself is read; just written, it raises at once.
    void readFarBehindTheHeader()
    {
        QTemporaryDir dir;
        VssWriter writer(VssGen::create(dir.path()));
        writer.addFile("$/a.txt", VssGen::by("Admin", 1));
        writer.label("$/a.txt", "L", VssGen::by("Admin", 2, QString(3000, 'z')));
        VssDbOptions noStamps = strict();
        noStamps.stampSettleMs = -1;
        const auto item = [&](const VssDbOptions &options = strict()) {
            return open(dir.filePath("srcsafe.ini"), "Admin", {}, options)->VSSItem("$/a.txt");
        };
        const QString path = itemFile(*open(dir.filePath("srcsafe.ini"), "Admin"), *item());
        const QByteArray whole = TestFiles::read(path);
        const QDateTime newest = item()->NewestVersionDate();
        const auto age = [&path] {
            QFile file(path);
            return file.open(QIODevice::ReadWrite) &&
                   file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                    QFileDevice::FileModificationTime);
        };
        QVERIFY(TestFiles::write(path, whole + QByteArray(600, 'Z'))); // beyond the header
        QVERIFY(item()->VersionNumber() == 2 && item()->Versions().size() == 2);
        QVERIFY(TestFiles::write(path, whole.chopped(1)));
        QVERIFY_THROWS_EXCEPTION(RepositoryError, item(noStamps)->VersionNumber());
        QVERIFY_THROWS_EXCEPTION(RepositoryError, item()->VersionNumber());
        QVERIFY(age());
        QVERIFY_THROWS_EXCEPTION(RepositoryError, item()->VersionNumber());
        QByteArray damaged = whole;
        damaged[headerField(whole, DH::LastEl) + RecordHeaderSize + EL::Time] ^= 0x01;
        QVERIFY(TestFiles::write(path, damaged));
        QVERIFY_THROWS_EXCEPTION(RepositoryError, item()->VersionNumber());
        QVERIFY(age());
        const VSSItemPtr settled = item();
        QVERIFY(settled->VersionNumber() == 2 && settled->IsCheckedOut() == 0);
        QCOMPARE(settled->NewestVersionDate(), newest);
        QVERIFY_THROWS_EXCEPTION(RepositoryError, settled->NewestVersionUser());
    }

    // A check-out handed over can leave the header byte-identical; the live
    // record tells the holders apart (the user's own name in any case).
    void checkoutHandedOverWithSameHeader()
    {
        copyFixture(QStringLiteral("rauls-newscaster"));
        auto db = open(m_db + "srcsafe.ini", QStringLiteral("Raul"), QStringLiteral("raul"));
        const VSSItemPtr item = db->VSSItem(Player);
        const QString path = itemFile(*db, *item);
        QCOMPARE(item->IsCheckedOut(), 2);
        const QList<QPair<QByteArray, int>> holders = {{QByteArray("Admin\0", 6), 1},
                                                       {QByteArray("rAUL\0", 5), 2}};
        for (const auto &[user, state] : holders) {
            QVERIFY(TestFiles::edit(path, [&user = user](QByteArray &f) {
                const qint32 live = headerField(f, DH::LiveCheckout);
                VssGen::reseal(f.replace(live + RecordHeaderSize + CF::User, user.size(), user),
                               live);
            }));
            QCOMPARE(item->IsCheckedOut(), state);
            QCOMPARE(item->Checkouts().Item(1).Username, QString::fromLatin1(user.chopped(1)));
        }
    }

    // An item file rewritten in place in small writes (as over a share), "v1
    // checked out" and "v2, free" by turns: never read as a mix of the two.
    void itemRewrittenInPlaceIsNeverReadTorn()
    {
        QTemporaryDir dir;
        VssWriter w(VssGen::create(dir.path()));
        const QString spec = QStringLiteral("$/f.txt");
        w.addFile(spec, VssGen::by("Guest", 1));
        VssDbOptions options = strict();
        options.itemReuseMs = 60000; // one read per item object
        options.stampSettleMs = 20;  // the stamps in play too
        options.readAttempts = 3;
        auto db = open(dir.filePath("srcsafe.ini"), QStringLiteral("Admin"), {}, options);
        const QString path = itemFile(*db, *db->VSSItem(spec));
        w.checkout(spec, VssGen::by("Guest", 2));
        const QByteArray held = TestFiles::read(path);
        w.checkin(spec, VssGen::by("Guest", 3));
        const QByteArray free = TestFiles::read(path);
        std::atomic<bool> stop{false};
        std::thread writer([&] {
            QFile file(path);
            if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
                return;
            for (int turn = 0; !stop; ++turn) {
                const QByteArray &bytes = turn % 2 ? free : held;
                file.seek(0);
                for (qsizetype at = 0; at < bytes.size(); at += 64)
                    file.write(bytes.mid(at, 64));
                file.resize(bytes.size());
            }
        });
        int seen = 0, invented = 0;
        QElapsedTimer clock;
        clock.start();
        while (!clock.hasExpired(1500)) {
            try {
                const VSSItemPtr item = db->VSSItem(spec);
                const int version = item->VersionNumber(), out = item->IsCheckedOut();
                ++((version == 1 && out == 1) || (version == 2 && out == 0) ? seen : invented);
            } catch (const RepositoryError &) { // caught halfway: this read is skipped
            }
        }
        stop = true;
        writer.join();
        QVERIFY(invented == 0 && seen > 0);
    }

#ifdef Q_OS_UNIX
    // A FIFO in place of a database file, with or without a writer holding
    // it open, is refused at once: never waited on.
    void fifoInPlaceOfAFileIsRefused()
    {
        for (const QString file : {"version.dat", "um.dat", "names.dat", "item"})
            for (const bool writer : {false, true}) {
                copyFixture(QStringLiteral("tempnjayaraj-vss/54d0818"));
                const auto openJohns = [&] {
                    return open(m_db + "srcsafe.ini", QStringLiteral("johns"));
                };
                auto db = openJohns();
                const VSSItemPtr item = db->VSSItem(ClingBling);
                const QString path = file == "item" ? itemFile(*db, *item) : dataFile(file);
                QVERIFY(QFile::remove(path));
                QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
                const int fd = writer ? ::open(QFile::encodeName(path).constData(), O_RDWR) : -1;
                if (file == "item")
                    QVERIFY_THROWS_EXCEPTION(RepositoryError, item->IsCheckedOut());
                else
                    QVERIFY_THROWS_EXCEPTION(RepositoryOpenError, openJohns());
                if (fd >= 0)
                    ::close(fd);
            }
    }
#endif

    // A damaged user file, an unknown format version, or a srcsafe.ini far
    // larger than real ones (a few kilobytes, read whole) refuse the open.
    void damagedOrHugeFilesRefuseOpen()
    {
        copyFixture(QStringLiteral("tempnjayaraj-vss/54d0818"));
        const auto openJohns = [&] { open(m_db + "srcsafe.ini", QStringLiteral("johns")); };
        const qint64 inUser =
            FileHeaderSize + RecordHeaderSize + HU::PayloadSize + RecordHeaderSize + 1;
        const QList<QPair<QString, std::function<void(QByteArray &)>>> damages = {
            {dataFile("um.dat"), [=](QByteArray &f) { f[inUser] = char(f[inUser] ^ 1); }},
            {dataFile("version.dat"), [](QByteArray &f) { f = QByteArray("\x05\x00", 2); }},
            {m_db + "srcsafe.ini", [](QByteArray &f) { f.prepend(QByteArray(2 << 20, '\n')); }}};
        for (const auto &[path, damage] : damages) {
            const QByteArray intact = TestFiles::read(path);
            QVERIFY(TestFiles::edit(path, damage));
            QVERIFY_THROWS_EXCEPTION(RepositoryOpenError, openJohns());
            QVERIFY(TestFiles::write(path, intact));
            openJohns();
        }
    }

    void missingNamesFileFallsBackToShortNames()
    {
        copyFixture(QStringLiteral("tempnjayaraj-vss/4c10b8f-Database.rar"));
        QVERIFY(QFile::remove(dataFile("names.dat")));
        auto db = open(m_db + "srcsafe.ini", QStringLiteral("johns"));
        QCOMPARE(db->VSSItem(QStringLiteral(
                                 "$/esign-java-authenticator/SN_Activities_or_Meetings_until_n"))
                     ->VersionNumber(),
                 1);
    }
};

QTEST_GUILESS_MAIN(tst_VssDbDefensive)
#include "tst_vssdbdefensive.moc"
