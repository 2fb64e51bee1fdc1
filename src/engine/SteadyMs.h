#pragma once

#include <QtGlobal>

#include <chrono>

// Milliseconds on the monotonic clock: for ages and gaps, never for dates.
inline qint64 steadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
