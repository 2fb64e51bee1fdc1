// The About box: its texts, how it is shown and closed, and the system
// information button.
#include "ui/about/frmAbout.h"
#include "ui/about/frmAboutPlug.h"
#include "ui/main/FrmZelHarness.h"

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

    void showsItsTextsAndClosesByItsKeys()
    {
        FrmZelHarness h;
        frmZel &main = h.build();
        frmAbout &about = PlugAboutBox(main);
        main.mnuAbout_Click(); // the tray menu's "About"
        QVERIFY(main.aboutVisible());
        QCOMPARE(QStringList({about.windowTitle(), about.lblTitle->text(), about.lblVersion->text(),
                              about.cmdSysInfo->text()}),
                 QStringList(
                     {"About Quorvik", "Quorvik", "Version " QUORVIK_VERSION, "&System Info..."}));
        QCOMPARE(about.lblDescription->text(),
                 QString::fromUtf8("VSS monitoring utility. \nMakes easy to keep track of check "
                                   "in/out operations in Microsoft\u00ae Visual SourceSafe "
                                   "database.\n\nMicrosoft\u00ae Visual SourceSafe is registered "
                                   "trademark of Microsoft Corporation."));
        QVERIFY(!about.lblDisclaimer->text().isEmpty() && !about.picIcon->pixmap().isNull());
        QCOMPARE(about.windowIcon().cacheKey(), main.windowIcon().cacheKey());
        // The focus starts on OK; Enter (OK) and Escape close.
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
#ifndef Q_OS_WIN // the registry names the tool on Windows: tst_windowsplatform
        const QString marker = bin.filePath(QStringLiteral("started"));
        TestFiles::write(bin.filePath("xfce4-about"),
                         "#!/bin/sh\necho \"$@\" > '" + QFile::encodeName(marker) + "'\n");
        QFile::setPermissions(bin.filePath("xfce4-about"), QFile::ReadOwner | QFile::ExeOwner);
        about.cmdSysInfo->click();
        QTRY_VERIFY(QFile::exists(marker));
        QCOMPARE(h.informed.size(), 1);
#endif
        qputenv("PATH", oldPath);
    }
};

QTEST_MAIN(tst_frmAbout)
#include "tst_frmabout.moc"
