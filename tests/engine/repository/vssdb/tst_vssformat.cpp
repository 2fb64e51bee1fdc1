// Building blocks of the database reader, against known values of the format,
// and inputs the fuzz targets turned up, as fixed regressions.
#include "VssFixtures.h"
#include "support/TestFiles.h"
#include "support/VssGen.h"

#include "engine/repository/vssdb/VssCodePage.h"
#include "engine/repository/vssdb/VssDataFolder.h"
#include "engine/repository/vssdb/VssIni.h"
#include "engine/repository/vssdb/VssItemFile.h"
#include "engine/repository/vssdb/VssLayout.h"
#include "engine/repository/vssdb/VssRecord.h"
#include "engine/repository/vssdb/VssUsers.h"

#include <QTemporaryDir>
#include <QTest>

using namespace VssLayout;

class tst_VssFormat : public QObject
{
    Q_OBJECT

private:
    // A real project entry: "esign-java-authenticator", physical BAAAAAAA.
    static QByteArray realJp()
    {
        return QByteArray::fromHex(
            "380000004a50ac56010000000100657369676e2d6a6176612d61757468656e746963"
            "61746f720000000000000000000000000000000042414141414141410000");
    }
    static VssHeader headerWithEntries(int count)
    {
        VssHeader h;
        h.type = VssLayout::DiskProject;
        h.entryCount = count;
        return h;
    }

private slots:
    // What the real databases do not show: the content checksum the writer
    // stores, and passwords past 15 bytes (only those count).
    void knownValues()
    {
        QCOMPARE(VssRecord::crc32("123456789"), 0x2DFD2D88u);
        QCOMPARE(VssUsers::passwordHash("ABCDEFGHIJKLMNOP"),
                 VssUsers::passwordHash("ABCDEFGHIJKLMNOXYZ"));
    }

    // A flipped payload byte, a length past the end, a cut, a wrong signature,
    // a count that disagrees, more entries than counted.
    void damagedRecordsAreRejected()
    {
        QByteArray flipped = realJp(), longLength = realJp(), wrongSignature = realJp();
        flipped[20] = char(flipped[20] ^ 0x01);
        VssPut::u32(longLength, 0, 0x7FFFFFF0);
        wrongSignature[4] = 'X';
        for (const auto &[data, count] : QList<QPair<QByteArray, int>>{{flipped, 1},
                                                                       {longLength, 1},
                                                                       {realJp().left(40), 1},
                                                                       {wrongSignature, 1},
                                                                       {realJp(), 2},
                                                                       {realJp() + realJp(), 1}}) {
            std::vector<VssProjectEntry> entries;
            QVERIFY(
                !VssItemFile::parseProjectData(VssBytes(data), headerWithEntries(count), entries)
                     .isEmpty());
        }
    }

    void dataFilesTakeOnlyTheirTwoExtensions() // names leaving the folder: tst_vssdbdefensive
    {
        const VssDataFolder folder(QStringLiteral("/db/data"));
        QCOMPARE(folder.dataFilePath("BAAAAAAA", 'C'), QString());
        QCOMPARE(folder.dataFilePath("BAAAAAAA", 'B'), QStringLiteral("/db/data/b/baaaaaaa.b"));
    }

    void iniKeysAndPaths()
    {
        const VssIni ini = VssIni::parse("; comment\r\nDATA_PATH = sub\\data\r\n"
                                         "Multiple_Checkouts = Yes\r\n[TimeZone]\r\n"
                                         "Data_Path = other\r\n");
        QCOMPARE(ini.dataPath, QStringLiteral("sub/data"));
        QVERIFY(ini.multipleCheckouts);
        // "/db" is "Z:/db" on Windows: a relative path takes the ini file's drive.
        QCOMPARE(VssIni::resolvePath(QStringLiteral("/db/srcsafe.ini"), ini.dataPath),
                 QFileInfo(QStringLiteral("/db")).absoluteFilePath() + QStringLiteral("/sub/data"));
        QCOMPARE(VssIni::resolvePath(QStringLiteral("/db/srcsafe.ini"),
                                     QStringLiteral("//server/share/data")),
                 QStringLiteral("//server/share/data"));
        QCOMPARE(VssIni::resolvePath(QStringLiteral("/db/srcsafe.ini"), QStringLiteral("C:/vss")),
                 QStringLiteral("C:/vss"));
        const QString share = QStringLiteral("smb://nas:445/vss/db/srcsafe.ini");
        QCOMPARE(VssIni::resolvePath(share, ini.dataPath),
                 QStringLiteral("smb://nas:445/vss/db/sub/data"));
        QCOMPARE(VssIni::resolvePath(share, QStringLiteral("../data")),
                 QStringLiteral("smb://nas:445/vss/data"));
        QCOMPARE(VssIni::resolvePath(share, QStringLiteral("//other/vss/data")),
                 QStringLiteral("smb://other/vss/data"));
        QCOMPARE(VssIni::parse("Users_Txt = users.txt\n").dataPath, QString());
    }

    void codePages()
    {
        const QByteArray gbk("\xbb\xa8\xb3\xc7"
                             "CRM"); // 花城CRM: tst_vssdbreader reads and guesses it
        QCOMPARE(VssCodePage(QStringLiteral("cp1252")).decode("\x80\xe9"), QStringLiteral(u"€é"));
        QCOMPARE(VssCodePage(QStringLiteral("windows-1252")).encode(QStringLiteral(u"€é")),
                 QByteArray("\x80\xe9"));
        VssCodePage unknown(QStringLiteral("no-such-code-page"));
        QVERIFY(unknown.isFallback() && !unknown.note().isEmpty());
        QCOMPARE(unknown.decode("\xe9"), QStringLiteral(u"é"));

        // The guess weighs every name: Western names that are valid GBK runs
        // (paired accents, or four high bytes in a row) stay Western; one
        // Chinese-looking name does not turn a database, two that are at least
        // half of the names with high bytes do; a name that is not GBK at all
        // (trail bytes 0x40-0x7E, 0x80-0xFE; leads 0x81-0xFE) weighs against;
        // a double-byte system page stays.
        const QList<QByteArray> western = QByteArray("Caf\xe9.txt|Gr\xf6\xdf"
                                                     "e|M\xfcller|"
                                                     "\xc6r\xf8sk\xf8"
                                                     "bing|Cr\xe8me br\xfbl\xe9"
                                                     "e|"
                                                     "\xc4\xd6\xdc\xdf.doc")
                                              .split('|');
        const QList<QByteArray> chinese{gbk, "\xb1\xa8\xb8\xe6.doc", "\xca\xfd\xbe\xdd.txt"};
        const auto names = [&](int westernCount, int chineseCount, QList<QByteArray> more = {}) {
            return QList<QByteArray>{"readme.txt", "Web"} + western.mid(0, westernCount) +
                   chinese.mid(0, chineseCount) + more;
        };
        const QString fallback = QStringLiteral("windows-1252"), gbkName = QStringLiteral("GBK");
        for (const char *pair : {"\xb0\x3f", "\xb0\x7f", "\xb0\xff", "\x80\xa1", "\xff\xa1"})
            QCOMPARE(
                VssCodePage::guess(names(0, 1, {"\xca\xfd\xbe\xdd" + QByteArray(pair)}), fallback),
                fallback);
        for (const auto &[sample, system, guessed] :
             {std::tuple{names(6, 0), fallback, fallback},
              {names(0, 1), fallback, fallback},
              {names(0, 2), fallback, gbkName},
              {names(6, 2), fallback, fallback},
              {names(2, 3, {"odd\xff"}), fallback, gbkName},
              {names(0, 1, {"\xca\xfd\xbe\xdd\x81\x40\xb0\x7e"}), fallback, gbkName},
              {names(0, 1, {"\xca\xfd\xbe\xdd\xb0\x80\xfe\xfe"}), fallback, gbkName},
              {names(4, 0), QString("windows-936"), QString("windows-936")},
              {{}, fallback, fallback}})
            QCOMPARE(VssCodePage::guess(sample, system), guessed);
    }

    // Record chains laid over each other made every record checksum the rest
    // of the file again: quadratic work, minutes for a file of a few MB.
    void overlappingChainsAreRejected()
    {
        QTemporaryDir dir;
        VssWriter w(VssGen::create(dir.path(), true));
        w.addFile("$/a.txt", VssGen::by("Raul", 0));
        for (int i = 1; i <= 5; ++i) {
            w.checkout("$/a.txt", VssGen::by("Raul", i));
            w.checkin("$/a.txt", VssGen::by("Raul", i));
        }
        for (const char *user : {"Raul", "Guest", "Admin"})
            w.checkout("$/a.txt", VssGen::by(user, 9), false);
        auto db = VssFixtures::open(dir.filePath("srcsafe.ini"), "Admin");
        QByteArray file = TestFiles::read(VssFixtures::itemFile(*db, *db->VSSItem("$/a.txt")));
        VssItemState state;
        std::vector<VssHistoryEntry> history;
        QCOMPARE(VssItemFile::parseState(VssBytes(file), state), QString());
        QCOMPARE(VssItemFile::parseHistory(VssBytes(file), state.header, history), QString());
        QVERIFY(state.checkouts.size() == 3 && history.size() == 6);
        VssGen::overlapRecords(file);
        const VssHeader header = state.header;
        const QString errors = VssItemFile::parseState(VssBytes(file), state) + '|' +
                               VssItemFile::parseHistory(VssBytes(file), header, history);
        QVERIFY2(errors.count("overlaps other records") == 2, qPrintable(errors));
    }
};

QTEST_GUILESS_MAIN(tst_VssFormat)
#include "tst_vssformat.moc"
