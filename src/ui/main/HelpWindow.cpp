#include "HelpWindow.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QShortcut>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// The manual's pictures in the flow of the text, never wider than the
// window shows them (the rich-text engine knows no max-width).
class HelpBrowser : public QTextBrowser
{
public:
    using QTextBrowser::QTextBrowser;

    QVariant loadResource(int type, const QUrl &name) override
    {
        QVariant resource = QTextBrowser::loadResource(type, name);
        if (type != QTextDocument::ImageResource)
            return resource;
        QImage image = resource.userType() == QMetaType::QImage
                           ? resource.value<QImage>()
                           : QImage::fromData(resource.toByteArray());
        const int room = viewport()->width() - 4 * fontMetrics().averageCharWidth();
        if (image.isNull() || room <= 0 || image.width() <= room)
            return resource;
        return image.scaledToWidth(room, Qt::SmoothTransformation);
    }
};

} // namespace

HelpWindow::HelpWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("helpViewer"));
    setWindowTitle(QCoreApplication::translate("HelpWindow", "Quorvik Help"));
    browser = new HelpBrowser(this);
    browser->setOpenExternalLinks(true);
    browser->setAccessibleName(QCoreApplication::translate("HelpWindow", "Manual"));
    lblWhere = new QLabel(this);
    lblWhere->setWordWrap(true);
    lblWhere->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(browser, 1);
    layout->addWidget(lblWhere);
    resize(720, 560);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);
}

void HelpWindow::showPage(const QUrl &page)
{
    browser->setSource(page);
    lblWhere->setText(QCoreApplication::translate(
                          "HelpWindow", "No web browser could be started. The manual is also at %1")
                          .arg(QDir::toNativeSeparators(page.toLocalFile())));
    show();
    raise();
    activateWindow();
}

void BindHelpKey(QWidget *window, int context, const std::function<void(int context)> &help)
{
    QObject::connect(new QShortcut(QKeySequence(Qt::Key_F1), window), &QShortcut::activated, window,
                     [context, help] {
                         if (help)
                             help(context);
                     });
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
