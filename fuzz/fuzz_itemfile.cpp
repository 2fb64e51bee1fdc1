// Item files (file and project items): header, DH record, newest history
// entry, check-out chain and the whole backward history chain; the state
// the header alone tells.
#include "FuzzInput.h"
#include "engine/repository/vssdb/VssActionText.h"
#include "engine/repository/vssdb/VssItemFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = FuzzInput::bytes(data, size);
    const VssBytes file(input);

    VssItemState header;
    if (!VssItemFile::parseHeader(file, header).isEmpty())
        return 0;
    VssItemState state;
    FuzzInput::consume(VssItemFile::parseState(file, state));
    VssItemState head; // as a start reads a rested file, the input's size as listed
    FuzzInput::consume(VssItemFile::parseHeadState(file, input.size(), head));

    // The history is read with the header alone, as the item cache does once
    // the state was accepted; here it also runs over states that were not.
    std::vector<VssHistoryEntry> history;
    FuzzInput::consume(VssItemFile::parseHistory(file, header.header, history));
    const auto latin1 = [](const QByteArray &b) { return QString::fromLatin1(b); };
    const auto shortName = [](const VssNameBlock &n) { return QString::fromLatin1(n.shortName); };
    for (const VssHistoryEntry &entry : history) {
        FuzzInput::consume(VssActionText::describe(entry, shortName, latin1));
        FuzzInput::consume(VssActionText::wallClockDate(entry.time));
    }
    FuzzInput::consume(VssActionText::describe(state.newest, shortName, latin1));
    return 0;
}
