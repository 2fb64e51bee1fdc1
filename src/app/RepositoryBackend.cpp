#include "RepositoryBackend.h"

#include "engine/repository/vssdb/VssDbFactory.h"

RepositoryFactory ProgramRepositoryFactory()
{
    // The native reader of VSS database files (code page of the names
    // chosen by the reader).
    return VssDbFactory();
}
