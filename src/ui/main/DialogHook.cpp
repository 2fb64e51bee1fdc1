#include "DialogHook.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

std::function<bool(QWidget *, const QString &, const QString &)> DialogHook::question;
std::function<void(QWidget *, const QString &, const QString &)> DialogHook::information;
std::function<QString(QWidget *, const QString &, const QString &, const QString &)>
    DialogHook::openFile;
std::function<void(QWidget *, const QString &, const QString &)> DialogHook::critical;
std::function<bool(QWidget *, QPrinter &)> DialogHook::choosePrinter;
std::function<int(QDialog &)> DialogHook::modal;

void DialogHook::reset()
{
    question = nullptr;
    information = nullptr;
    openFile = nullptr;
    critical = nullptr;
    choosePrinter = nullptr;
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

QString DialogHook::getOpenFileName(QWidget *parent, const QString &startFolder,
                                    const QString &fileName, const QString &filter, bool mustExist)
{
    if (openFile)
        return openFile(parent, startFolder, fileName, filter);
    QFileDialog dialog(parent, QString(), startFolder, filter);
    dialog.setFileMode(mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.selectFile(fileName);
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
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

int DialogHook::exec(QDialog &dialog)
{
    if (modal)
        return modal(dialog);
    return dialog.exec();
}
