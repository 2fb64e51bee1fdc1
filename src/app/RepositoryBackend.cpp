#include "RepositoryBackend.h"

RepositoryFactory ProgramRepositoryFactory()
{
    // Until the reader of VSS database files is part of the program, no
    // backend can be created: the session start reports "VSS not installed".
    return []() -> std::unique_ptr<VSSDatabase> {
        throw RepositoryCreateError(QStringLiteral("No VSS database reader in this build"));
    };
}
