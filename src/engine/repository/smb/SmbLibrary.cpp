#include "SmbLibrary.h"

#include <dlfcn.h>

const SmbLibrary *SmbLibrary::load(QString *error)
{
    static SmbLibrary library;
    static const QString loadError = [] {
        void *handle = ::dlopen("libsmbclient.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return QStringLiteral("libsmbclient is not installed (%1)")
                .arg(QString::fromLocal8Bit(::dlerror()));
#define QUORVIK_SMB_RESOLVE(name)                                                                  \
    library.name = reinterpret_cast<decltype(library.name)>(::dlsym(handle, #name));               \
    if (!library.name)                                                                             \
        return QStringLiteral("libsmbclient lacks %1").arg(QLatin1String(#name));
        QUORVIK_SMB_FUNCTIONS(QUORVIK_SMB_RESOLVE)
#undef QUORVIK_SMB_RESOLVE
        return QString();
    }();
    if (loadError.isEmpty())
        return &library;
    if (error)
        *error = loadError;
    return nullptr;
}
