// um.dat: signature, HU header and the UU account records.
#include "FuzzInput.h"
#include "engine/repository/vssdb/VssCodePage.h"
#include "engine/repository/vssdb/VssUsers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const VssCodePage gbk(QStringLiteral("936"));
    const QByteArray input = FuzzInput::bytes(data, size);
    QList<VssUser> users;
    if (!VssUsers::parse(VssBytes(input), users).isEmpty())
        return 0;
    // Open compares decoded names and hashes the encoded password.
    for (const VssUser &user : users) {
        const QString name = gbk.decode(user.name);
        FuzzInput::consume(VssUsers::passwordHash(gbk.encode(name.toUpper())));
    }
    return 0;
}
