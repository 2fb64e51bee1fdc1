#pragma once

#include <QLineEdit>
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

// The width a text box needs to show its placeholder text whole: the text,
// the frame and the box's own margins on both sides.
inline int PlaceholderWidth(const QLineEdit *box)
{
    return box->fontMetrics().horizontalAdvance(box->placeholderText()) +
           2 * box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box) + 8;
}
