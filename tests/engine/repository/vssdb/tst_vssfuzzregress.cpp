// Inputs the fuzz targets turned up, as fixed regressions of the reader.
#include "engine/repository/vssdb/VssItemFile.h"
#include "engine/repository/vssdb/VssLayout.h"
#include "engine/repository/vssdb/VssRecord.h"

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

class tst_VssFuzzRegress : public QObject
{
    Q_OBJECT

private slots:
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

QTEST_GUILESS_MAIN(tst_VssFuzzRegress)
#include "tst_vssfuzzregress.moc"
