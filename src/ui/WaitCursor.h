#pragma once

#include <QPointer>
#include <QWidget>

// The wait pointer over a window during slow work (a repository read, a long
// load or sort); the normal pointer returns on every way out.
class WaitCursor
{
public:
    explicit WaitCursor(QWidget *w) : m_widget(w) { w->setCursor(Qt::WaitCursor); }
    ~WaitCursor()
    {
        if (m_widget)
            m_widget->unsetCursor();
    }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

private:
    QPointer<QWidget> m_widget; // the window may close meanwhile
};
