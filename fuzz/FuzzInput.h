#pragma once

#include "engine/ZelError.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// Shared pieces of the fuzz targets: the input as bytes without a copy, and
// the rule that a raised ZelError (RepositoryError included) is a valid
// outcome for damaged data, unlike a crash, a sanitizer report or a hang.
namespace FuzzInput {

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
}

template <typename Call> void tolerateZelError(Call call)
{
    try {
        call();
    } catch (const ZelError &error) {
        static const bool verbose = qEnvironmentVariableIsSet("QUORVIK_FUZZ_VERBOSE");
        if (verbose)
            qWarning("raised: %s", error.what());
    }
}

// Keeps a computed value alive so the optimiser cannot drop the call.
template <typename T> void consume(const T &value)
{
    static volatile size_t sink = 0;
    sink = sink + size_t(sizeof(value));
    asm volatile("" : : "g"(&value) : "memory");
}

} // namespace FuzzInput
