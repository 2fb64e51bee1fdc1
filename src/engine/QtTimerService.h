#pragma once

#include "TimerService.h"

#include <QObject>

#include <map>

class QTimer;

// The poll timer of the running program: one QTimer per identifier, firing on
// the thread that owns this object (the user-interface thread).
class QtTimerService : public QObject, public TimerService
{
    Q_OBJECT
public:
    explicit QtTimerService(QObject *parent = nullptr);
    ~QtTimerService() override;

    quint32 SetTimer(quint32 id, int periodMs, std::function<void()> proc) override;
    void KillTimer(quint32 id) override;
    bool isRunning(quint32 id) const;

private:
    std::map<quint32, QTimer *> m_timers;
    quint32 m_next = 1;
};
