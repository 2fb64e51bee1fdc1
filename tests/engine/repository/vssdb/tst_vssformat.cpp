// Building blocks of the database reader, against known values of the format,
// and inputs the fuzz targets turned up, as fixed regressions.
#include "engine/WallClock.h"
#include "engine/repository/vssdb/VssActionText.h"
#include "engine/repository/vssdb/VssCodePage.h"
#include "engine/repository/vssdb/VssDataFolder.h"
#include "engine/repository/vssdb/VssIni.h"
#include "engine/repository/vssdb/VssItemFile.h"
#include "engine/repository/vssdb/VssLayout.h"
#include "engine/repository/vssdb/VssRecord.h"
#include "engine/repository/vssdb/VssUsers.h"

#include <QTest>

using namespace VssLayout;

namespace {

struct Placed
{
    qint64 offset;
    qint64 length;
};

// A file item with `els` history records and then `cfs` live check-out
// records, each chain linked newest to oldest. Records are spaced by their
// own size; with `overlap` each record's length runs to the end of the file,
// so every record holds all that follow it (valid checksums throughout).
QByteArray itemWithChains(int els, int cfs, bool overlap)
{
    const qint64 elSpan = RecordHeaderSize + EL::PayloadSize;
    const qint64 cfSpan = RecordHeaderSize + CF::PayloadSize;
    const qint64 size = DH::PrefixSize + els * elSpan + cfs * cfSpan;
    QByteArray file(size, '\0');
    const QByteArray signature = ItemFileSignature;
    file.replace(0, signature.size(), signature);
    VssPut::u16(file, ItemFileTypeOffset, DiskFile);
    VssPut::u16(file, ItemFileVersionOffset, FormatVersion);

    std::vector<Placed> records{{DH::FileOffset, DH::PayloadSize}};
    const auto place = [&](qint64 offset, qint64 payload, const char *sig, qint32 previous,
                           qint64 previousField) {
        records.push_back({offset, overlap ? size - offset - RecordHeaderSize : payload});
        file[offset + 4] = sig[0];
        file[offset + 5] = sig[1];
        VssPut::u32(file, offset + RecordHeaderSize + previousField, quint32(previous));
        return offset + RecordHeaderSize;
    };
    qint64 offset = DH::PrefixSize;
    qint32 lastEl = 0;
    for (int i = 0; i < els; ++i, offset += elSpan) {
        const qint64 p = place(offset, EL::PayloadSize, "EL", lastEl, EL::Previous);
        VssPut::u16(file, p + EL::Action, 1);
        VssPut::u16(file, p + EL::Version, quint16(i + 1));
        lastEl = qint32(offset);
    }
    qint32 lastCf = 0;
    for (int i = 0; i < cfs; ++i, offset += cfSpan) {
        const qint64 p = place(offset, CF::PayloadSize, "CF", lastCf, CF::Previous);
        file[p + CF::User] = 'u';
        VssPut::u16(file, p + CF::Version, 1);
        lastCf = qint32(offset);
    }

    file[DH::FileOffset + 4] = 'D';
    file[DH::FileOffset + 5] = 'H';
    const qint64 dh = DH::FileOffset + RecordHeaderSize;
    VssPut::u16(file, dh + DH::Type, DiskFile);
    VssPut::u16(file, dh + DH::ElCount, quint16(els));
    VssPut::u16(file, dh + DH::FirstVersion, 1);
    VssPut::u32(file, dh + DH::LastEl, quint32(lastEl));
    VssPut::u32(file, dh + DH::EndOffset, quint32(size));
    VssPut::u32(file, dh + DH::LiveCheckout, quint32(lastCf));
    // Each checksum covers the records after it: write them last to first.
    for (auto r = records.rbegin(); r != records.rend(); ++r) {
        VssPut::u32(file, r->offset, quint32(r->length));
        const QByteArrayView payload(file.constData() + r->offset + RecordHeaderSize, r->length);
        VssPut::u16(file, r->offset + 6, VssRecord::crc16(payload));
    }
    return file;
}

} // namespace

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
    void knownValues()
    {
        QCOMPARE(VssRecord::crc32("123456789"), 0x2DFD2D88u);
        QCOMPARE(VssRecord::crc16("123456789"), quint16(0x0075));
        QCOMPARE(VssRecord::crc16(QByteArray(16, '\0')), quint16(0));
        QCOMPARE(VssUsers::passwordHash(""), quint16(0x6E90));
        QCOMPARE(VssUsers::passwordHash("ADAD"), quint16(0x6DAF));
        QCOMPARE(VssUsers::passwordHash("PASSWORD"), quint16(0x6A10));
        // Only 15 bytes count.
        QCOMPARE(VssUsers::passwordHash("ABCDEFGHIJKLMNOP"),
                 VssUsers::passwordHash("ABCDEFGHIJKLMNOXYZ"));
        QCOMPARE(VssActionText::wallClockDate(0x6454E9B7),
                 WallClockTime(QDate(2023, 5, 5), QTime(11, 34, 15)));
    }

    void realProjectEntryParses()
    {
        std::vector<VssProjectEntry> entries;
        QCOMPARE(VssItemFile::parseProjectData(VssBytes(realJp()), headerWithEntries(1), entries),
                 QString());
        QCOMPARE(entries.size(), size_t(1));
        QCOMPARE(entries[0].type, VssLayout::DiskProject);
        QCOMPARE(entries[0].name.shortName, QByteArray("esign-java-authenticator"));
        QCOMPARE(entries[0].physical, QByteArray("BAAAAAAA"));
        QCOMPARE(entries[0].pinned, 0);
        // Re-encoding the payload gives the same bytes (the writer's path).
        QCOMPARE(VssRecord::encode("JP", realJp().mid(8)), realJp());
    }

    void damagedRecordsAreRejected_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("count");
        QByteArray flipped = realJp();
        flipped[20] = char(flipped[20] ^ 0x01);
        QByteArray longLength = realJp();
        VssPut::u32(longLength, 0, 0x7FFFFFF0);
        QByteArray wrongSignature = realJp();
        wrongSignature[4] = 'X';
        QTest::newRow("payload byte flipped") << flipped << 1;
        QTest::newRow("length past the end") << longLength << 1;
        QTest::newRow("truncated") << realJp().left(40) << 1;
        QTest::newRow("wrong signature") << wrongSignature << 1;
        QTest::newRow("count disagrees") << realJp() << 2;
        QTest::newRow("more entries than counted") << realJp() + realJp() << 1;
    }
    void damagedRecordsAreRejected()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, count);
        std::vector<VssProjectEntry> entries;
        QVERIFY(!VssItemFile::parseProjectData(VssBytes(data), headerWithEntries(count), entries)
                     .isEmpty());
    }

    void physicalNamesAreValidated()
    {
        QVERIFY(VssDataFolder::isPhysicalName("vtaaaaaa"));
        const VssDataFolder folder(QStringLiteral("/db/data"));
        for (const char *bad : {"../../x1", "BAAAAAA", "BAAAA/AA"})
            QCOMPARE(folder.itemPath(bad), QString());
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
        QCOMPARE(VssIni::parse("Users_Txt = users.txt\n").dataPath, QString());
    }

    void codePages()
    {
        const QByteArray gbk("\xbb\xa8\xb3\xc7"
                             "CRM"); // 花城CRM
        QCOMPARE(VssCodePage(QStringLiteral("936")).decode(gbk), QStringLiteral(u"花城CRM"));
        QCOMPARE(VssCodePage(QStringLiteral("cp1252")).decode("\x80\xe9"), QStringLiteral(u"€é"));
        QCOMPARE(VssCodePage(QStringLiteral("windows-1252")).encode(QStringLiteral(u"€é")),
                 QByteArray("\x80\xe9"));
        VssCodePage unknown(QStringLiteral("no-such-code-page"));
        QVERIFY(unknown.isFallback() && !unknown.note().isEmpty());
        QCOMPARE(unknown.decode("\xe9"), QStringLiteral(u"é"));

        const QString fallback = QStringLiteral("windows-1252");
        QCOMPARE(VssCodePage::guess({"readme.txt", gbk}, fallback), QStringLiteral("GBK"));
        QCOMPARE(VssCodePage::guess({"Caf\xe9.txt", "Gr\xf6\xdf"
                                                    "e"},
                                    fallback),
                 fallback);
        QCOMPARE(VssCodePage::guess({gbk, "odd\xff"}, fallback), fallback); // not GBK
        QCOMPARE(VssCodePage::guess({}, fallback), fallback);
    }

    // Record chains laid over each other made every record checksum the rest
    // of the file again: quadratic work, minutes for a file of a few MB.
    void overlappingHistoryIsRejected()
    {
        VssItemState state;
        std::vector<VssHistoryEntry> history;
        const QByteArray packed = itemWithChains(6, 0, false);
        QCOMPARE(VssItemFile::parseState(VssBytes(packed), state), QString());
        QCOMPARE(VssItemFile::parseHistory(VssBytes(packed), state.header, history), QString());
        QCOMPARE(history.size(), size_t(6));

        const QByteArray overlapping = itemWithChains(6, 0, true);
        QCOMPARE(VssItemFile::parseState(VssBytes(overlapping), state), QString());
        const QString error =
            VssItemFile::parseHistory(VssBytes(overlapping), state.header, history);
        QVERIFY2(error.contains(QLatin1String("overlaps")), qPrintable(error));
    }

    void overlappingCheckoutChainIsRejected()
    {
        VssItemState state;
        QCOMPARE(VssItemFile::parseState(VssBytes(itemWithChains(1, 5, false)), state), QString());
        QCOMPARE(state.checkouts.size(), size_t(5));

        const QString error = VssItemFile::parseState(VssBytes(itemWithChains(1, 5, true)), state);
        QVERIFY2(error.contains(QLatin1String("overlaps")), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(tst_VssFormat)
#include "tst_vssformat.moc"
