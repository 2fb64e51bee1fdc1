#pragma once

#include <QPushButton>
#include <QStyle>

// The width a push button needs to show its caption whole (its size hint
// adds a minimum width that a short caption does not need).
inline int CaptionWidth(const QPushButton *button)
{
    const QStyle *style = button->style();
    return button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width() +
           style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
           2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
}
