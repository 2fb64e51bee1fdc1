#include "TrayClickFilter.h"

bool TrayClickFilter::accept(QSystemTrayIcon::ActivationReason reason, qint64 nowMs)
{
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::DoubleClick)
        return false;
    if (m_lastRun >= 0 && nowMs - m_lastRun <= m_interval)
        return false;
    m_lastRun = nowMs;
    return true;
}
