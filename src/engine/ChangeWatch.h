#pragma once

#include <QStringList>

#include <functional>

// Change notification for the files behind the watched items, so that a
// poll runs soon after another user's write instead of at the next timer
// period. The program uses ChangeTrigger; tests fire the callback by hand.
class ChangeWatch
{
public:
    virtual ~ChangeWatch() = default;
    // Watches `files` (replacing what was watched before); `onChange` runs
    // once after writes to them have settled, and once when a new watch is
    // up (for writes made since the caller read the files).
    virtual void Watch(const QStringList &files, std::function<void()> onChange) = 0;
    virtual void Stop() = 0;
    // Watches again what is no longer watched: a folder deleted and made
    // again, a mount replaced, a watch refused before. Runs before each poll.
    virtual void Rearm() {}
    // A poll begins: it looks at every watched file, so what was written
    // before needs no other look.
    virtual void PollBegins() {}
    // Why writes to some watched files start no poll now (only the timer
    // notices them); empty when they all do.
    virtual QString Problem() const { return {}; }
};
