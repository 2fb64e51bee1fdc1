// The About box: its texts, how it is shown and unloaded, and the system
// information button.
#include "ui/about/frmAbout.h"
#include "ui/about/frmAboutPlug.h"
#include "ui/main/FrmZelHarness.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

class tst_frmAbout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        FrmZelHarness::isolateFromUser();
        QCoreApplication::setApplicationName(QStringLiteral("Quorvik"));
    }

    void showsTitleVersionAndDescription()
    {
        FrmZelHarness h;
        frmZel &main = h.build();
        frmAbout &about = PlugAboutBox(main);
        QVERIFY(!main.aboutVisible());
        main.mnuAbout_Click(); // the tray menu's "About"
        QVERIFY(main.aboutVisible());
        QCOMPARE(about.objectName(), QStringLiteral("frmAbout"));
        QCOMPARE(about.windowTitle(), QStringLiteral("About Quorvik"));
        QCOMPARE(about.lblTitle->text(), QStringLiteral("Quorvik"));
        QCOMPARE(about.lblVersion->text(), QStringLiteral("Version ") + QUORVIK_VERSION);
        QCOMPARE(about.lblDescription->text(),
                 QString::fromUtf8("VSS monitoring utility. \nMakes easy to keep track of check "
                                   "in/out operations in Microsoft\u00ae Visual SourceSafe "
                                   "database.\n\nMicrosoft\u00ae Visual SourceSafe is registered "
                                   "trademark of Microsoft Corporation."));
        QVERIFY(!about.lblDisclaimer->text().isEmpty());
        QCOMPARE(about.cmdSysInfo->text(), QStringLiteral("&System Info..."));
        QVERIFY(!about.picIcon->pixmap().isNull());
        QCOMPARE(about.windowIcon().cacheKey(), main.windowIcon().cacheKey());

        about.cmdOK->click();
        QVERIFY(!main.aboutVisible());
        // The keys as drawn: the focus starts on OK; Enter and Escape close.
        for (int key : {Qt::Key_Return, Qt::Key_Escape}) {
            main.mnuAbout_Click();
            QVERIFY(QTest::qWaitForWindowActive(&about));
            QCOMPARE(QApplication::focusWidget(), about.cmdOK);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
            QVERIFY(!main.aboutVisible());
        }
        main.mnuAbout_Click();
        main.ExitProgram(); // program exit unloads it
        QVERIFY(!about.isVisible());
    }

    void systemInformationToolOrItsAbsence()
    {
        FrmZelHarness h;
        frmAbout about(nullptr);
        const QByteArray oldPath = qgetenv("PATH");
        QTemporaryDir bin;
        qputenv("PATH", QFile::encodeName(bin.path()));

        about.cmdSysInfo->click(); // nothing on the PATH
        QCOMPARE(h.informed, QStringList({"System Information Is Unavailable At This Time"}));
#ifdef Q_OS_WIN
        qputenv("PATH", oldPath);
        QSKIP("the registry names the tool on Windows: tst_windowsplatform");
#endif

        const QString marker = bin.filePath(QStringLiteral("started"));
        QFile tool(bin.filePath(QStringLiteral("xfce4-about")));
        QVERIFY(tool.open(QIODevice::WriteOnly));
        tool.write("#!/bin/sh\necho \"$@\" > '" + QFile::encodeName(marker) + "'\n");
        tool.close();
        tool.setPermissions(tool.permissions() | QFileDevice::ExeOwner);
        QCOMPARE(frmAbout::FindSysInfoTool().program, tool.fileName());
        about.cmdSysInfo->click();
        QTRY_VERIFY(QFile::exists(marker));
        QCOMPARE(h.informed.size(), 1);
        qputenv("PATH", oldPath);
    }
};

QTEST_MAIN(tst_frmAbout)
#include "tst_frmabout.moc"
