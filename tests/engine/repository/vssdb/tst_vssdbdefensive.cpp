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
#include <thread>

using namespace VssFixtures;
using namespace VssLayout;

namespace {

const QString ClingBling = QStringLiteral("$/esign-java-authenticator/clingBling.txt");
const QString Player = QStringLiteral("$/Widgie/AVI_PlayerDlg.cpp");

qint32 headerField(const QByteArray &file, qint64 payloadOffset)
{
    return VssBytes(file).i32(DH::FileOffset + RecordHeaderSize + payloadOffset);
}

} // namespace

class tst_VssDbDefensive : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_db;

    // A fresh private copy of a fixture database for each test.
    void copyFixture(const QString &name)
    {
        static int copies = 0;
        m_db = m_dir.path() + QLatin1Char('/') + QString::number(++copies) + QLatin1Char('/');
        QVERIFY(copyTree(root() + QLatin1Char('/') + name, m_db));
    }
    QString dataFile(const QString &relative) const { return m_db + "data/" + relative; }

    // Applies `damage` to a file of the copy, checks that `call` raises, then
    // restores the file and checks that `call` gives `expected` again.
    template <typename Call, typename Damage>
    void expectFailureThenRecovery(const QString &path, Damage damage, Call call, int expected)
    {
        const QByteArray original = TestFiles::read(path);
        QVERIFY(!original.isEmpty());
        QCOMPARE(call(), expected);
        QByteArray damaged = original;
        damage(damaged);
        QVERIFY(TestFiles::write(path, damaged));
        QVERIFY_THROWS_EXCEPTION(RepositoryError, call());
        QVERIFY_THROWS_EXCEPTION(RepositoryError, call()); // no stale success either
        QVERIFY(TestFiles::write(path, original));
        QCOMPARE(call(), expected);
    }

private slots:
    void damagedFileItem_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("header byte flipped") << 0;
        QTest::newRow("truncated before the header's end offset") << 1;
        QTest::newRow("newest history entry damaged") << 2;
        QTest::newRow("wrong signature") << 3;
        QTest::newRow("unsupported version") << 4;
        QTest::newRow("empty file") << 5;
        QTest::newRow("header counts one entry more, resealed") << 6;
        QTest::newRow("history chain loops") << 7;
    }
    void damagedFileItem()
    {
        QFETCH(int, kind);
        copyFixture(QStringLiteral("tempnjayaraj-vss/4c10b8f-Database.rar"));
        auto db = open(m_db + "srcsafe.ini", QStringLiteral("johns"));
        const VSSItemPtr item = db->VSSItem(ClingBling);
        const auto damage = [kind](QByteArray &file) {
            const qint32 newest = headerField(file, DH::LastEl);
            switch (kind) {
            case 0:
                file[DH::FileOffset + RecordHeaderSize + 0x10] ^= 0x20;
                break;
            case 1:
                file.truncate(headerField(file, DH::EndOffset) - 1);
                break;
            case 2:
                file[newest + RecordHeaderSize + EL::Time] ^= 0x01;
                break;
            case 3:
                file[0] = 'X';
                break;
            case 4:
                file[ItemFileVersionOffset] = 7;
                break;
            case 6:
                ++file[DH::FileOffset + RecordHeaderSize + DH::ElCount];
                VssGen::reseal(file, DH::FileOffset);
                break;
            case 7:
                VssPut::u32(file, newest + RecordHeaderSize + EL::Previous, quint32(newest));
                VssGen::reseal(file, newest);
                break;
            default:
                file.clear();
            }
        };
        const QString path = dataFile("d/daaaaaaa");
        // A session that reads the file for the first time.
        const auto fresh = [&] {
            return open(m_db + "srcsafe.ini", QStringLiteral("johns"))->VSSItem(ClingBling);
        };
        // An item already read notices too, except history damaged under an
        // unchanged header, which is not read again.
        for (const bool reuse : {false, true}) {
            if (reuse && (kind == 2 || kind == 7))
                break;
            const auto target = [&] { return reuse ? item : fresh(); };
            if (kind != 7) { // a loop further back shows in the history only
                expectFailureThenRecovery(
                    path, damage, [&] { return target()->VersionNumber(); }, 4);
                expectFailureThenRecovery(
                    path, damage, [&] { return target()->IsCheckedOut(); }, 0);
            }
            expectFailureThenRecovery(
                path, damage, [&] { return int(target()->Versions().size()); }, 4);
        }
    }

    // Records appended while the header still describes the older state: the
    // header's view is consistent and is what the reader reports.
    void appendedRecordsBeyondTheHeaderAreIgnored()
    {
        copyFixture(QStringLiteral("tempnjayaraj-vss/4c10b8f-Database.rar"));
        auto db = open(m_db + "srcsafe.ini", QStringLiteral("johns"));
        const QString path = dataFile("d/daaaaaaa");
        QByteArray file = TestFiles::read(path);
        file.append(QByteArray(600, '\x5A'));
        QVERIFY(TestFiles::write(path, file));
        const VSSItemPtr item = db->VSSItem(ClingBling);
        QCOMPARE(item->VersionNumber(), 4);
        QCOMPARE(item->Versions().size(), size_t(4));
    }

    void damagedProjectListing_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("data file emptied") << 0;
        QTest::newRow("one entry missing") << 1;
        QTest::newRow("entry byte flipped") << 2;
        QTest::newRow("physical name leaves the data folder") << 3;
    }
    void damagedProjectListing()
    {
        QFETCH(int, kind);
        copyFixture(QStringLiteral("tempnjayaraj-vss/4c10b8f-Database.rar"));
        // The data file is replaced only together with a new header, so a
        // listing already read is kept: damage shows to a new session.
        const auto db = [&] { return open(m_db + "srcsafe.ini", QStringLiteral("johns")); };
        const QByteArray header = TestFiles::read(dataFile("b/baaaaaaa"));
        const char ext = char(header[DH::FileOffset + RecordHeaderSize + DH::DataExtension + 1]);
        const QString path = dataFile(QStringLiteral("b/baaaaaaa.") + QChar(ext).toLower());
        const QString project = QStringLiteral("$/esign-java-authenticator");
        const auto damage = [kind](QByteArray &file) {
            const qint64 jp = RecordHeaderSize + JP::PayloadSize;
            switch (kind) {
            case 0:
                file.clear();
                break;
            case 1:
                file.chop(jp);
                break;
            case 2:
                file[jp + RecordHeaderSize + JP::Name + 3] ^= 0x01;
                break;
            default:
                file.replace(RecordHeaderSize + JP::Physical, 8, "../../..");
                VssGen::reseal(file, 0);
            }
        };
        const auto lookUp = [&] { return db()->VSSItem(ClingBling)->VersionNumber(); };
        const auto list = [&] { return int(db()->VSSItem(project)->Items().size()); };
        expectFailureThenRecovery(path, damage, lookUp, 4);
        expectFailureThenRecovery(path, damage, list, 4);
    }

    void damagedLiveCheckout_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("record byte flipped") << 0;
        QTest::newRow("chain loops") << 1;
        QTest::newRow("offset outside the file") << 2;
    }
    void damagedLiveCheckout()
    {
        QFETCH(int, kind);
        copyFixture(QStringLiteral("rauls-newscaster"));
        auto db = open(m_db + "srcsafe.ini", QStringLiteral("Raul"), QStringLiteral("raul"));
        const VSSItemPtr item = db->VSSItem(Player);
        const QString path = itemFile(*db, *item);
        const auto damage = [kind](QByteArray &file) {
            const qint32 live = headerField(file, DH::LiveCheckout);
            if (kind == 0) {
                file[live + RecordHeaderSize + CF::Machine] ^= 0x01;
            } else if (kind == 1) {
                VssPut::u32(file, live + RecordHeaderSize + CF::Previous, quint32(live));
                VssGen::reseal(file, live);
            } else {
                VssPut::u32(file, DH::FileOffset + RecordHeaderSize + DH::LiveCheckout,
                            quint32(file.size() + 100));
                VssGen::reseal(file, DH::FileOffset);
            }
        };
        expectFailureThenRecovery(
            path, damage, [&] { return item->IsCheckedOut(); }, 2);
        expectFailureThenRecovery(
            path, damage, [&] { return item->Checkouts().Count(); }, 1);
    }

    // A check-out handed from one user to another can leave the header
    // byte-identical; the live record still tells them apart. A record that
    // spells the logged-in user in another case is still the user's.
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
            QByteArray file = TestFiles::read(path);
            const qint32 live = headerField(file, DH::LiveCheckout);
            file.replace(live + RecordHeaderSize + CF::User, user.size(), user);
            VssGen::reseal(file, live);
            QVERIFY(TestFiles::write(path, file));
            QCOMPARE(item->IsCheckedOut(), state);
            QCOMPARE(item->Checkouts().Item(1).Username, QString::fromLatin1(user.chopped(1)));
        }
    }

    // An item file rewritten whole in place, over and over, in small writes
    // (as over a file share): "v1, checked out by Alice" and "v2, free" by
    // turns. Every state the reader accepts is one of the two, never a mix.
    void itemRewrittenInPlaceIsNeverReadTorn()
    {
        QTemporaryDir dir;
        VssWriter::create(dir.path(), {{QStringLiteral("Alice"), {}}});
        VssWriter w(dir.path());
        const QString spec = QStringLiteral("$/f.txt");
        const VssWriter::Stamp alice{QStringLiteral("Alice"), QDateTime::currentDateTime(), {}};
        w.addFile(spec, alice);
        VssDbOptions options = strict();
        options.itemReuseMs = 60000; // one read per item object
        options.readAttempts = 3;
        auto db = open(dir.filePath("srcsafe.ini"), QStringLiteral("Admin"), {}, options);
        const QString path = itemFile(*db, *db->VSSItem(spec));
        w.checkout(spec, alice);
        const QByteArray held = TestFiles::read(path);
        w.checkin(spec, alice);
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
        int seen[2] = {0, 0};
        int invented = 0;
        QElapsedTimer clock;
        clock.start();
        while (!clock.hasExpired(1500)) {
            try {
                const VSSItemPtr item = db->VSSItem(spec);
                const int version = item->VersionNumber();
                const int out = item->IsCheckedOut();
                if ((version == 1 && out == 1) || (version == 2 && out == 0))
                    ++seen[version - 1];
                else
                    ++invented;
            } catch (const RepositoryError &) {
                // caught halfway: this read is skipped
            }
        }
        stop = true;
        writer.join();
        QCOMPARE(invented, 0);
        QVERIFY(seen[0] + seen[1] > 0);
    }

    void damagedUserFileRefusesOpen()
    {
        copyFixture(QStringLiteral("tempnjayaraj-vss/54d0818"));
        const QByteArray intact = TestFiles::read(dataFile("um.dat"));
        QByteArray users = intact;
        users[FileHeaderSize + RecordHeaderSize + HU::PayloadSize + RecordHeaderSize + 1] ^= 0x01;
        QVERIFY(TestFiles::write(dataFile("um.dat"), users));
        const auto openJohns = [&] { open(m_db + "srcsafe.ini", QStringLiteral("johns")); };
        QVERIFY_THROWS_EXCEPTION(RepositoryOpenError, openJohns());
        QVERIFY(TestFiles::write(dataFile("um.dat"), intact));
        openJohns();
        QVERIFY(TestFiles::write(dataFile("version.dat"), QByteArray("\x05\x00", 2)));
        QVERIFY_THROWS_EXCEPTION(RepositoryOpenError, openJohns());
    }

#ifdef Q_OS_UNIX
    // A FIFO in place of a database file, with or without a writer holding
    // it open, is refused at once: never waited on.
    void fifoInPlaceOfAFileIsRefused_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("writer");
        for (const char *file : {"version.dat", "um.dat", "names.dat", "item"})
            for (bool writer : {false, true})
                QTest::addRow("%s%s", file, writer ? " with a writer" : "") << file << writer;
    }
    void fifoInPlaceOfAFileIsRefused()
    {
        QFETCH(QString, file);
        QFETCH(bool, writer);
        copyFixture(QStringLiteral("tempnjayaraj-vss/54d0818"));
        const auto openJohns = [&] { return open(m_db + "srcsafe.ini", QStringLiteral("johns")); };
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
#endif

    // A real srcsafe.ini holds a few kilobytes: a huge one is refused unread.
    void hugeSettingsFileRefusesOpen()
    {
        copyFixture(QStringLiteral("tempnjayaraj-vss/54d0818"));
        const QString ini = m_db + "srcsafe.ini";
        QVERIFY(TestFiles::write(ini, QByteArray(2 * 1024 * 1024, '\n') + TestFiles::read(ini)));
        QVERIFY_THROWS_EXCEPTION(RepositoryOpenError, open(ini, QStringLiteral("johns")));
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
