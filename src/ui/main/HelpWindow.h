#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QTextBrowser;
class QUrl;

// The manual in a window of the program's own, for a desktop that cannot
// start a browser: the bundled HTML pages, with a line that says where they
// are. Not one of the program's windows for activation (it stands in for
// the desktop's help viewer).
class HelpWindow : public QWidget
{
public:
    explicit HelpWindow(QWidget *parent = nullptr);
    // Shows `page` (a local HTML file, perhaps with a section) and brings
    // the window to the front. Escape closes it.
    void showPage(const QUrl &page);

    QTextBrowser *browser;
    QLabel *lblWhere;
};

// F1 in `window` asks for the help of `context`.
void BindHelpKey(QWidget *window, int context, const std::function<void(int context)> &help);

// Opens `url` with the desktop's browser; `failed` runs when none can be
// started, at once or when the desktop's opener reports failure later.
void OpenWithDesktop(const QUrl &url, const std::function<void()> &failed);
