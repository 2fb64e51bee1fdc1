#include "ProgramActivation.h"

ProgramActivation::Outcome ProgramActivation::activated(const QWidget *now, bool isProgramWindow)
{
    if (!now || !isProgramWindow || now == m_current)
        return Nothing;
    const bool mainWasActive = m_current == m_main;
    m_current = now;
    if (now == m_main)
        return Activate;
    return mainWasActive ? Deactivate : Nothing;
}

void ProgramActivation::mainWindowLeft()
{
    if (m_current == m_main)
        m_current = nullptr;
}

bool ProgramActivation::isProgramWindow(const QWidget *window)
{
    return window && window->objectName().startsWith(QLatin1String("frm"));
}
