// names.dat: the HN header, the SN records and their name tables, read the
// way the session does (every name for the code-page guess, single lookups
// for name blocks that point into the file).
#include "FuzzInput.h"
#include "FuzzScratch.h"
#include "engine/repository/vssdb/VssCodePage.h"
#include "engine/repository/vssdb/VssLayout.h"
#include "engine/repository/vssdb/VssNames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString path = FuzzScratch::dir() + QStringLiteral("/names.dat");
    const QByteArray input = FuzzInput::bytes(data, size);
    if (!FuzzScratch::write(path, input))
        return 0;
    VssNames names;
    if (!names.load(path).isEmpty())
        return 0;
    FuzzInput::consume(VssCodePage::guess(names.allNames(), QStringLiteral("windows-1252")));

    // Name blocks point at the first SN record (after the HN header) or
    // anywhere at all when damaged: the last four bytes pick such an offset.
    const VssBytes file(input);
    QList<qint32> offsets{0};
    if (file.has(0, 4))
        offsets << qint32(VssLayout::RecordHeaderSize + file.u32(0));
    if (size >= 4)
        offsets << file.i32(qint64(size) - 4);
    for (qint32 offset : offsets) {
        if (!names.covers(offset))
            continue;
        for (quint16 kind : {VssLayout::SN::KindLong, VssLayout::SN::KindProject}) {
            QByteArray name;
            FuzzInput::consume(names.lookup(offset, kind, name));
        }
    }
    return 0;
}
