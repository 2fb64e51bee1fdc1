#pragma once

#include <QtGlobal>

#include <functional>

// The system poll timer: started with an identifier and a period, killed by
// identifier. Tests use a manual implementation and fire the callback by hand.
class TimerService
{
public:
    virtual ~TimerService() = default;
    // (Re)starts the timer `id` (0 asks for a new one) and returns the
    // identifier of the running timer, never 0.
    virtual quint32 SetTimer(quint32 id, int periodMs, std::function<void()> proc) = 0;
    virtual void KillTimer(quint32 id) = 0;
};
