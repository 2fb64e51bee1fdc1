#include "QtTimerService.h"

#include <QTimer>

QtTimerService::QtTimerService(QObject *parent) : QObject(parent) {}

QtTimerService::~QtTimerService() = default; // the timers are children

quint32 QtTimerService::SetTimer(quint32 id, int periodMs, std::function<void()> proc)
{
    if (id == 0) {
        while (m_timers.count(m_next) || m_next == 0)
            ++m_next;
        id = m_next++;
    }
    KillTimer(id);
    auto *timer = new QTimer(this);
    timer->setInterval(periodMs);
    connect(timer, &QTimer::timeout, this, std::move(proc));
    m_timers[id] = timer;
    timer->start();
    return id;
}

void QtTimerService::KillTimer(quint32 id)
{
    auto it = m_timers.find(id);
    if (it == m_timers.end())
        return;
    // The callback may kill its own timer while it runs.
    it->second->stop();
    it->second->deleteLater();
    m_timers.erase(it);
}

bool QtTimerService::isRunning(quint32 id) const
{
    return m_timers.count(id) != 0;
}
