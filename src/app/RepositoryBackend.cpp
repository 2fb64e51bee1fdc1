#include "RepositoryBackend.h"

#include "engine/repository/vssdb/VssDbFactory.h"

#ifdef QUORVIK_HAVE_SMB
#include "engine/repository/smb/SmbFileAccess.h"
#endif

RepositoryFactory ProgramRepositoryFactory()
{
#ifdef QUORVIK_HAVE_SMB
    SmbFileAccess::registerScheme(); // databases given as smb:// paths
#endif
    // The native reader of VSS database files (code page of the names
    // chosen by the reader).
    return VssDbFactory();
}
