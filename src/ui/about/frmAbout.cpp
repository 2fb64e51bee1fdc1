#include "frmAbout.h"

#include "engine/settings/Settings.h"
#include "ui/DefaultButtons.h"
#include "ui/main/DialogHook.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QVersionNumber>

#ifdef Q_OS_WIN
#include <QSettings>
#endif

frmAbout::frmAbout(std::function<QIcon()> mainIcon, QWidget *parent)
    : QWidget(parent), m_mainIcon(std::move(mainIcon))
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowFlag(Qt::Dialog);

    picIcon = new QLabel(this);
    lblTitle = new QLabel(this);
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblTitle->setFont(big);
    lblVersion = new QLabel(this);
    lblDescription = new QLabel(this);
    lblDescription->setWordWrap(true);
    lblDisclaimer =
        new QLabel(tr("This program comes with no warranty of any kind: you use it at your own "
                      "risk, and its authors are not liable for any loss it may cause."),
                   this);
    lblDisclaimer->setWordWrap(true);
    cmdOK = new QPushButton(tr("OK"), this);
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(tr("&System Info..."), this);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    auto *texts = new QVBoxLayout;
    texts->addWidget(lblTitle);
    texts->addWidget(lblVersion);
    texts->addSpacing(8);
    texts->addWidget(lblDescription);
    auto *top = new QHBoxLayout;
    top->addWidget(picIcon, 0, Qt::AlignTop);
    top->addLayout(texts, 1);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lblDisclaimer, 1);
    bottom->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(12);
    layout->addLayout(bottom);
    setFixedWidth(480);
}

void frmAbout::showAbout()
{
    if (isHidden())
        Form_Load();
    show();
    raise();
    activateWindow();
    cmdOK->setFocus();
}

void frmAbout::keyPressEvent(QKeyEvent *event)
{
    if (!PressDefaultButton(this, event, cmdOK, cmdOK))
        QWidget::keyPressEvent(event);
}

void frmAbout::Form_Load()
{
    const QIcon icon = m_mainIcon ? m_mainIcon() : QIcon();
    setWindowIcon(icon);
    picIcon->setPixmap(icon.pixmap(32, 32));
    const QString title = QCoreApplication::applicationName().isEmpty()
                              ? kAppName
                              : QCoreApplication::applicationName();
    setWindowTitle(tr("About %1").arg(title));
    lblVersion->setText(VersionText());
    lblTitle->setText(title);
    lblDescription->setText(DescriptionText());
    // The wrapped texts decide the height: every line shows whole.
    ensurePolished();
    setFixedHeight(layout()->totalHeightForWidth(width()));
}

void frmAbout::cmdOK_Click()
{
    close();
}

QString frmAbout::VersionText()
{
    const QVersionNumber version = QVersionNumber::fromString(QStringLiteral(QUORVIK_VERSION));
    return tr("Version %1.%2.%3")
        .arg(version.majorVersion())
        .arg(version.minorVersion())
        .arg(version.microVersion());
}

QString frmAbout::DescriptionText()
{
    return tr("VSS monitoring utility. \n"
              "Makes easy to keep track of check in/out operations in Microsoft® "
              "Visual SourceSafe database.\n\n"
              "Microsoft® Visual SourceSafe is registered trademark of "
              "Microsoft Corporation.");
}

void frmAbout::StartSysInfo()
{
    const Tool tool = FindSysInfoTool();
    if (!tool.program.isEmpty() && QProcess::startDetached(tool.program, tool.arguments))
        return;
    DialogHook::inform(this, kAppName, tr("System Information Is Unavailable At This Time"));
}

#ifdef Q_OS_WIN

bool GetKeyValue(const QString &subKeyRef, const QString &keyName, QString &keyVal)
{
    const QSettings key(QStringLiteral("HKEY_LOCAL_MACHINE\\") + subKeyRef,
                        QSettings::NativeFormat);
    if (key.status() != QSettings::NoError || !key.contains(keyName))
        return false;
    // A string as it is; a double word as its decimal text.
    keyVal = key.value(keyName).toString();
    return true;
}

frmAbout::Tool frmAbout::FindSysInfoTool()
{
    QString path;
    if (GetKeyValue(QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                    QStringLiteral("PATH"), path))
        return {path, {}};
    if (GetKeyValue(QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                    QStringLiteral("MSINFO"), path)) {
        path += QStringLiteral("\\MSINFO32.EXE");
        if (QFileInfo::exists(path))
            return {path, {}};
    }
    return {};
}

#else

frmAbout::Tool frmAbout::FindSysInfoTool()
{
#ifdef Q_OS_MACOS
    for (const char *app : {"/System/Applications/Utilities/System Information.app",
                            "/Applications/Utilities/System Information.app"})
        if (QFileInfo::exists(QLatin1String(app)))
            return {QStringLiteral("open"), {QLatin1String(app)}};
#endif
    // The desktops' own tools first, then the general ones.
    static const Tool candidates[] = {
        {QStringLiteral("kinfocenter"), {}},
        {QStringLiteral("gnome-control-center"), {QStringLiteral("info-overview")}},
        {QStringLiteral("xfce4-about"), {}},
        {QStringLiteral("hardinfo"), {}},
        {QStringLiteral("lshw-gtk"), {}},
    };
    for (const Tool &candidate : candidates) {
        const QString found = QStandardPaths::findExecutable(candidate.program);
        if (!found.isEmpty())
            return {found, candidate.arguments};
    }
    return {};
}

#endif
