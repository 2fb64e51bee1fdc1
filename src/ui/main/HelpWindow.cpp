#include "HelpWindow.h"

#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HelpWindow::HelpWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("helpViewer"));
    setWindowTitle(QStringLiteral("Quorvik Help"));
    browser = new QTextBrowser(this);
    browser->setOpenExternalLinks(true);
    lblWhere = new QLabel(this);
    lblWhere->setWordWrap(true);
    lblWhere->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(browser, 1);
    layout->addWidget(lblWhere);
    resize(720, 560);
}

void HelpWindow::showPage(const QString &page)
{
    browser->setSource(QUrl::fromLocalFile(page));
    lblWhere->setText(QStringLiteral("No web browser could be started. The manual is also at %1")
                          .arg(QDir::toNativeSeparators(page)));
    show();
    raise();
    activateWindow();
}

void OpenWithDesktop(const QUrl &url, const std::function<void()> &failed)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // xdg-open tells by its exit status whether anything could open the
    // page (Qt only knows whether xdg-open itself started).
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty()) {
        // No parent: a browser that the opener became outlives the program.
        auto *process = new QProcess;
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        QObject::connect(process, &QProcess::finished, process,
                         [process, failed](int code, QProcess::ExitStatus status) {
                             if (status != QProcess::NormalExit || code != 0)
                                 failed();
                             process->deleteLater();
                         });
        QObject::connect(process, &QProcess::errorOccurred, process,
                         [process, failed](QProcess::ProcessError error) {
                             if (error != QProcess::FailedToStart)
                                 return; // finished follows
                             failed();
                             process->deleteLater();
                         });
        process->start(opener, {url.toString()});
        return;
    }
#endif
    if (!QDesktopServices::openUrl(url))
        failed();
}
