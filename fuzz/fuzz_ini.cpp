// srcsafe.ini: the keys the reader takes and the resolution of the data path.
#include "FuzzInput.h"
#include "engine/repository/vssdb/VssIni.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const VssIni ini = VssIni::parse(FuzzInput::bytes(data, size));
    for (const QString &value : {ini.dataPath, ini.usersTxt}) {
        FuzzInput::consume(VssIni::resolvePath(QStringLiteral("/srv/vss/srcsafe.ini"), value));
        FuzzInput::consume(VssIni::resolvePath(QStringLiteral("srcsafe.ini"), value));
    }
    return 0;
}
