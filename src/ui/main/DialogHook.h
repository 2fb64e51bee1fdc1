#pragma once

#include <QString>

#include <functional>

class QWidget;

// Message boxes and the open-file dialog of the main window. The program uses
// QMessageBox and QFileDialog; a test sets the overrides and answers at once.
struct DialogHook
{
    // true for Yes.
    static std::function<bool(QWidget *parent, const QString &title, const QString &text)> question;
    static std::function<void(QWidget *parent, const QString &title, const QString &text)>
        information;
    // The chosen file's full path; an empty text when the user cancelled.
    static std::function<QString(QWidget *parent, const QString &startFolder,
                                 const QString &fileName, const QString &filter)>
        openFile;

    // Restores the real dialogs.
    static void reset();

    static bool askYesNo(QWidget *parent, const QString &title, const QString &text);
    static void inform(QWidget *parent, const QString &title, const QString &text);
    static QString getOpenFileName(QWidget *parent, const QString &startFolder,
                                   const QString &fileName, const QString &filter);
};
