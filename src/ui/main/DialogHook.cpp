#include "DialogHook.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QUrl>

std::function<bool(QWidget *, const QString &, const QString &)> DialogHook::question;
std::function<void(QWidget *, const QString &, const QString &)> DialogHook::information;
std::function<QString(QWidget *, const QString &, const QString &, const QString &,
                      const QString &)>
    DialogHook::openFile;
std::function<QString(QWidget *, const QString &, const QString &, const QString &)>
    DialogHook::saveFile;
std::function<void(QWidget *, const QString &, const QString &)> DialogHook::critical;
std::function<bool(QWidget *, QPrinter &)> DialogHook::choosePrinter;
std::function<bool()> DialogHook::printerInstalled;
std::function<int(QDialog &)> DialogHook::modal;

void DialogHook::reset()
{
    question = nullptr;
    information = nullptr;
    openFile = nullptr;
    saveFile = nullptr;
    critical = nullptr;
    choosePrinter = nullptr;
    printerInstalled = nullptr;
    modal = nullptr;
}

bool DialogHook::askYesNo(QWidget *parent, const QString &title, const QString &text)
{
    if (question)
        return question(parent, title, text);
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

void DialogHook::inform(QWidget *parent, const QString &title, const QString &text)
{
    if (information) {
        information(parent, title, text);
        return;
    }
    QMessageBox::information(parent, title, text);
}

QString DialogHook::getOpenFileName(QWidget *parent, const QString &title,
                                    const QString &startFolder, const QString &fileName,
                                    const QString &filter, bool mustExist, bool shares)
{
    if (openFile)
        return openFile(parent, title, startFolder, fileName, filter);
    QFileDialog dialog(parent, title, startFolder, filter);
    dialog.setFileMode(mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (shares)
        dialog.setSupportedSchemes({QStringLiteral("file"), QStringLiteral("smb")});
    dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QUrl chosen = dialog.selectedUrls().value(0);
    if (shares && chosen.scheme() == QLatin1String("smb"))
        return chosen.toString(QUrl::FullyDecoded); // "%20" as the space it stands for
    return dialog.selectedFiles().constFirst();
}

QString DialogHook::getSaveFileName(QWidget *parent, const QString &title, const QString &path,
                                    const QString &filter)
{
    if (saveFile)
        return saveFile(parent, title, path, filter);
    QFileDialog dialog(parent, title, path, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.selectFile(path);
    const auto suffixOf = [](const QString &nameFilter) {
        const qsizetype star = nameFilter.indexOf(QLatin1String("*."));
        return star < 0 ? QString() : nameFilter.mid(star + 2).section(QLatin1Char(')'), 0, 0);
    };
    dialog.setDefaultSuffix(suffixOf(filter.section(QLatin1String(";;"), 0, 0)));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&](const QString &chosen) { dialog.setDefaultSuffix(suffixOf(chosen)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void DialogHook::showCritical(QWidget *parent, const QString &title, const QString &text)
{
    if (critical) {
        critical(parent, title, text);
        return;
    }
    QMessageBox::critical(parent, title, text);
}

bool DialogHook::askPrinter(QWidget *parent, QPrinter &printer)
{
    if (choosePrinter)
        return choosePrinter(parent, printer);
#ifdef Q_OS_WIN
    const bool installed =
        printerInstalled ? printerInstalled() : !QPrinterInfo::availablePrinterNames().isEmpty();
#else // Qt's own dialog prints to a PDF file without any printer
    const bool installed = printerInstalled ? printerInstalled() : true;
#endif
    if (!installed) {
        inform(parent, QCoreApplication::translate("DialogHook", "Print"),
               QCoreApplication::translate(
                   "DialogHook", "No printer is installed, so nothing can be printed. Add a "
                                 "printer (Windows: Settings, Printers & scanners) and print "
                                 "again."));
        return false;
    }
    QPrintDialog dialog(&printer, parent);
    return exec(dialog) == QDialog::Accepted;
}

int DialogHook::exec(QDialog &dialog)
{
    if (modal)
        return modal(dialog);
    return dialog.exec();
}
