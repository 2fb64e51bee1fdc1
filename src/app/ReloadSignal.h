#pragma once

#include <functional>

class QObject;

// SIGHUP runs `reload` from the event loop, between two events (so never in
// the middle of a poll), for as long as `owner` lives. Nothing on systems
// without the signal.
void OnReloadSignal(QObject *owner, std::function<void()> reload);
