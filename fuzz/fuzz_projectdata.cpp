// Project data files: the JP entries of a project, checked against the
// entry count of the project's header.
#include "FuzzInput.h"
#include "engine/repository/vssdb/VssDataFolder.h"
#include "engine/repository/vssdb/VssItemFile.h"
#include "engine/repository/vssdb/VssLayout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = FuzzInput::bytes(data, size);
    const VssBytes file(input);

    // A JP record takes 64 bytes: try the count that fits the file, one
    // more, none, and the largest a header can hold.
    const int fitting = int(size / (VssLayout::RecordHeaderSize + VssLayout::JP::PayloadSize));
    for (int count : {fitting, fitting + 1, 0, 0xFFFF}) {
        VssHeader header;
        header.type = VssLayout::DiskProject;
        header.entryCount = count;
        std::vector<VssProjectEntry> entries;
        if (!VssItemFile::parseProjectData(file, header, entries).isEmpty())
            continue;
        for (const VssProjectEntry &entry : entries)
            FuzzInput::consume(VssDataFolder::isPhysicalName(entry.physical));
    }
    return 0;
}
