#include "DialogHook.h"

#include <QFileDialog>
#include <QMessageBox>

std::function<bool(QWidget *, const QString &, const QString &)> DialogHook::question;
std::function<void(QWidget *, const QString &, const QString &)> DialogHook::information;
std::function<QString(QWidget *, const QString &, const QString &, const QString &)>
    DialogHook::openFile;

void DialogHook::reset()
{
    question = nullptr;
    information = nullptr;
    openFile = nullptr;
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
                                    const QString &fileName, const QString &filter)
{
    if (openFile)
        return openFile(parent, startFolder, fileName, filter);
    QFileDialog dialog(parent, QString(), startFolder, filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
