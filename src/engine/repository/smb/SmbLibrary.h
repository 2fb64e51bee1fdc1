#pragma once

#include <QString>

#include <libsmbclient.h>

// The libsmbclient calls the smb:// backend makes.
#define QUORVIK_SMB_FUNCTIONS(X)                                                                   \
    X(smbc_new_context)                                                                            \
    X(smbc_free_context)                                                                           \
    X(smbc_init_context)                                                                           \
    X(smbc_setDebug)                                                                               \
    X(smbc_setOptionUserData)                                                                      \
    X(smbc_getOptionUserData)                                                                      \
    X(smbc_setFunctionAuthDataWithContext)                                                         \
    X(smbc_setOptionUseKerberos)                                                                   \
    X(smbc_setOptionFallbackAfterKerberos)                                                         \
    X(smbc_getFunctionOpen)                                                                        \
    X(smbc_getFunctionClose)                                                                       \
    X(smbc_getFunctionRead)                                                                        \
    X(smbc_getFunctionLseek)                                                                       \
    X(smbc_getFunctionWrite)                                                                       \
    X(smbc_getFunctionFstat)                                                                       \
    X(smbc_getFunctionStat)                                                                        \
    X(smbc_getFunctionOpendir)                                                                     \
    X(smbc_getFunctionReaddirPlus)                                                                 \
    X(smbc_getFunctionClosedir)                                                                    \
    X(smbc_getFunctionNotify)

// libsmbclient, loaded when the first smb:// database is opened: linked in,
// it and the Samba libraries it needs (about 90) would cost every start of
// the program 10 MB of memory, whatever database it watches.
struct SmbLibrary
{
#define QUORVIK_SMB_POINTER(name) decltype(&::name) name = nullptr;
    QUORVIK_SMB_FUNCTIONS(QUORVIK_SMB_POINTER)
#undef QUORVIK_SMB_POINTER

    // Loads it once; null (and `error` set) where it is not installed.
    static const SmbLibrary *load(QString *error = nullptr);
    // The loaded library: only where a context was made (SmbContext).
    static const SmbLibrary &api()
    {
        return *load();
    }
};
