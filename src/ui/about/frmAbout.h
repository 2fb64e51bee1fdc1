#pragma once

#include <QIcon>
#include <QStringList>
#include <QWidget>

#include <functional>

class QKeyEvent;
class QLabel;
class QPushButton;

// The About box: the program's title, version and description, and a button
// that starts the system's information tool. Shown without blocking; OK and
// the close box unload (hide) it, the next show loads it again.
class frmAbout : public QWidget
{
    Q_OBJECT
public:
    // `mainIcon` gives the window the main window's icon at each load.
    explicit frmAbout(std::function<QIcon()> mainIcon, QWidget *parent = nullptr);

    void showAbout();
    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click() { StartSysInfo(); }

    // Starts the system information tool, or says it is unavailable.
    void StartSysInfo();

    // A program to start and its arguments.
    struct Tool
    {
        QString program;
        QStringList arguments;
    };
    // The system information tool of this machine; an empty program when
    // there is none. Windows: the two registry entries of MSINFO; elsewhere
    // the first desktop's information tool found on the PATH.
    static Tool FindSysInfoTool();
    // "Version " and major.minor.revision of the program's version.
    static QString VersionText();
    static QString DescriptionText();

    QLabel *picIcon, *lblTitle, *lblVersion, *lblDescription, *lblDisclaimer;
    QPushButton *cmdOK, *cmdSysInfo;

protected:
    // Enter presses OK (or the focused button), Escape presses OK.
    void keyPressEvent(QKeyEvent *event) override;

private:
    std::function<QIcon()> m_mainIcon;
};

#ifdef Q_OS_WIN
// Reads one registry value under HKEY_LOCAL_MACHINE as text (a number as its
// decimal text); false when the key or value cannot be read.
bool GetKeyValue(const QString &subKeyRef, const QString &keyName, QString &keyVal);
#endif
