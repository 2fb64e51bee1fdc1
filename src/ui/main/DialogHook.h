#pragma once

#include <QString>

#include <functional>

class QDialog;
class QPrinter;
class QWidget;

// Message boxes, the open-file and printer dialogs and the program's modal
// windows. The program uses QMessageBox, QFileDialog, QPrintDialog and
// QDialog::exec; a test sets the overrides and answers at once.
struct DialogHook
{
    // true for Yes.
    static std::function<bool(QWidget *parent, const QString &title, const QString &text)> question;
    static std::function<void(QWidget *parent, const QString &title, const QString &text)>
        information;
    // The chosen file's full path; an empty text when the user cancelled.
    static std::function<QString(QWidget *parent, const QString &title, const QString &startFolder,
                                 const QString &fileName, const QString &filter)>
        openFile;
    // The file to save to, starting at `path`; empty when the user cancelled.
    static std::function<QString(QWidget *parent, const QString &title, const QString &path,
                                 const QString &filter)>
        saveFile;
    // Error message boxes (critical icon).
    static std::function<void(QWidget *parent, const QString &title, const QString &text)> critical;
    // The printer selection; false when the user cancelled.
    static std::function<bool(QWidget *parent, QPrinter &printer)> choosePrinter;
    // Whether a printer is installed, asked before the real printer dialog.
    static std::function<bool()> printerInstalled;
    // Runs a modal window in place of QDialog::exec; returns its result code.
    static std::function<int(QDialog &dialog)> modal;

    // Restores the real dialogs.
    static void reset();

    static bool askYesNo(QWidget *parent, const QString &title, const QString &text);
    static void inform(QWidget *parent, const QString &title, const QString &text);
    // mustExist false: a name typed in for a file that does not exist yet is
    // accepted too. shares: a file on an SMB share, where the desktop's
    // dialog browses them, comes back as "smb://server/share/...".
    static QString getOpenFileName(QWidget *parent, const QString &title,
                                   const QString &startFolder, const QString &fileName,
                                   const QString &filter, bool mustExist = true,
                                   bool shares = false);
    // `filter` as "CSV (*.csv);;JSON (*.json)": the chosen filter's suffix is
    // added to a name typed without one.
    static QString getSaveFileName(QWidget *parent, const QString &title, const QString &path,
                                   const QString &filter);
    static void showCritical(QWidget *parent, const QString &title, const QString &text);
    // Without a printer (Windows' dialog then fails without a word) a message
    // says so and nothing is printed.
    static bool askPrinter(QWidget *parent, QPrinter &printer);
    static int exec(QDialog &dialog);
};
