// The log settings dialog: loading, the size and days boxes with their
// scroll bars, the policy buttons, the log file choice, Clear Log and what
// Apply, OK and Cancel store.
#include "engine/eventlog/EventList.h"
#include "engine/settings/SettingValues.h"
#include "ui/eventlog/frmOptions.h"
#include "ui/main/FrmZelHarness.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>

namespace {

struct Options
{
    FrmZelHarness h;
    frmZel &main;
    modZel &zel;
    QString path;
    int reloads = 0;
    std::unique_ptr<frmOptions> dialog;

    Options()
        : main(h.build()), zel(main.zel()), path(h.dir.filePath(QStringLiteral("QVEvent.txt")))
    {
        zel.eventLog.EventLogPath = path;
        zel.SessionOpen = true;
    }
    frmOptions &open()
    {
        dialog = std::make_unique<frmOptions>(zel, *h.store, [this] { ++reloads; });
        return *dialog;
    }
    QString stored(const char *key) { return h.storedParam(QLatin1String(key)); }
};

// Types into a box of the shown dialog as the user does (its whole text
// selected first); `leave` then moves the focus to another control.
void typeInto(QLineEdit *box, const QString &text, bool leave = true)
{
    QWidget *dialog = box->window();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    box->setFocus();
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Backspace);
    else
        QTest::keyClicks(box, text);
    if (leave)
        static_cast<frmOptions *>(dialog)->cmdClear->setFocus();
}

} // namespace

class tst_frmOptions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { FrmZelHarness::isolateFromUser(); }

    void loadingWithoutSettings()
    {
        Options o;
        frmOptions &d = o.open();
        QCOMPARE(d.objectName(), QStringLiteral("frmOptions"));
        QCOMPARE(d.txtSize->text(), QStringLiteral("1024"));
        QCOMPARE(d.txtDays->text(), QStringLiteral("7"));
        QCOMPARE(d.vscSize->position(), 16);
        QCOMPARE(d.vscDays->position(), 7);
        QCOMPARE(o.zel.eventLog.MaxLogSize, QStringLiteral("1024"));
        QCOMPARE(o.zel.eventLog.MaxDays, QStringLiteral("7"));
        QVERIFY(d.optMax[0]->isChecked());
        QVERIFY(!d.txtDays->isEnabled());
        QVERIFY(!d.cmdApply->isEnabled() && !d.changed());
        QCOMPARE(d.txtPath->text(), o.path);
        QVERIFY(d.txtPath->isReadOnly());
        QVERIFY(QFile::exists(o.path)); // created empty
        QCOMPARE(d.lblItem[4]->text(), QStringLiteral("0"));
        // The locale's general date-and-time text.
        QCOMPARE(d.lblItem[6]->text(),
                 LocaleDateTimeText(QFileInfo(o.path).lastModified(), QLocale::system()));
        QVERIFY(!o.zel.SessionOpen);
        d.nextTab(); // Ctrl+Tab with the single tab
        QCOMPARE(d.tbsOptions->currentIndex(), 0);
        d.cmdCancel->click();
        QVERIFY(o.zel.SessionOpen);
    }

    void loadingReadsTheStoredSettings()
    {
        Options o;
        const QString other = o.h.dir.filePath(QStringLiteral("other.txt"));
        TestFiles::write(other, "2024-01-01\t10:00:00\t$/a\tCheck In\r\n");
        o.h.param("Logfile", other);
        o.h.param("MaxLogSize", "2048");
        o.h.param("MaxDays", "10");
        o.h.param("MaxAction", "1");
        frmOptions &d = o.open();
        QCOMPARE(o.zel.eventLog.EventLogPath, other); // new events go there
        QCOMPARE(o.reloads, 0);                       // the list is not reloaded
        QCOMPARE(d.txtPath->text(), other);
        QCOMPARE(d.lblItem[4]->text(), QStringLiteral("34"));
        QCOMPARE(d.txtSize->text(), QStringLiteral("2048"));
        QCOMPARE(d.txtDays->text(), QStringLiteral("10"));
        QCOMPARE(d.vscSize->position(), 16); // start positions whatever is stored
        QCOMPARE(d.vscDays->position(), 7);
        QVERIFY(d.optMax[1]->isChecked());
        QCOMPARE(o.zel.eventLog.MaxAction, qint16(1));
        QVERIFY(d.txtDays->isEnabled());
        QVERIFY(!d.cmdApply->isEnabled());

        // A policy that is none of the three falls back to the first.
        o.h.param("MaxAction", "7");
        frmOptions &again = o.open();
        QVERIFY(again.optMax[0]->isChecked());
        QCOMPARE(o.zel.eventLog.MaxAction, qint16(0));
    }

    void clearLogAndMissingFilesOrFolders()
    {
        Options o;
        TestFiles::write(o.path, "2024-01-01\t10:00:00\t$/a\tCheck In\r\n"
                                 "2024-01-02\t10:00:00\t$/b\tCheck In\r\n");
        QCOMPARE(o.zel.lvTrace().rowCount(), 2);
        frmOptions &d = o.open();
        QCOMPARE(d.lblItem[4]->text(), QStringLiteral("68"));
        d.cmdClear->click(); // empties the file and the list
        QCOMPARE(QFileInfo(o.path).size(), qint64(0));
        QCOMPARE(d.lblItem[4]->text(), QStringLiteral("0"));
        QCOMPARE(o.zel.lvTrace().rowCount(), 0);
        QVERIFY(!d.changed());

        // A missing file is created.
        o.h.param("Logfile", o.h.dir.filePath(QStringLiteral("new.txt")));
        frmOptions &n = o.open();
        QVERIFY(QFile::exists(o.h.dir.filePath(QStringLiteral("new.txt"))));
        QCOMPARE(n.lblItem[4]->text(), QStringLiteral("0"));
        QVERIFY(n.lblStatus->text().isEmpty());

        // A missing folder is said, and Clear Log there leaves the list.
        const QString lost = o.h.dir.filePath(QStringLiteral("no-such-folder/x.txt"));
        o.h.param("Logfile", lost);
        frmOptions &e = o.open();
        QCOMPARE(e.txtPath->text(), lost);
        for (int i = 4; i <= 6; ++i)
            QVERIFY(e.lblItem[i]->text().isEmpty());
        QVERIFY2(e.lblStatus->text().contains(QLatin1String("folder")),
                 qPrintable(e.lblStatus->text()));
        o.zel.lvTrace().addRow({"k $/x", "Check In", "2024-01-01", "10:00:00", "$/x", ""});
        e.cmdClear->click();
        QCOMPARE(o.zel.lvTrace().rowCount(), 1);
        QVERIFY(!e.lblStatus->text().isEmpty());
    }

    void leavingANumberBox_data()
    {
        QTest::addColumn<bool>("days");
        QTest::addColumn<int>("startPosition");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("shown");

        QTest::newRow("size 1000 at 16 stays") << false << 16 << "1000" << 16 << "1000";
        QTest::newRow("size 1000 at 20 rounds") << false << 20 << "1000" << 16 << "1024";
        QTest::newRow("size 70000 tops out") << false << 16 << "70000" << 1024 << "65536";
        QTest::newRow("size 65535 rounds up") << false << 16 << "65535" << 1024 << "65536";
        QTest::newRow("size 0 bottoms out") << false << 16 << "0" << 1 << "64";
        QTest::newRow("size 64 bottoms out") << false << 16 << "64" << 1 << "64";
        QTest::newRow("size 65 is one step") << false << 16 << "65" << 1 << "64";
        QTest::newRow("size half to even up") << false << 16 << "96" << 2 << "128";    // 1.5
        QTest::newRow("size half to even down") << false << 16 << "160" << 2 << "128"; // 2.5
        QTest::newRow("size empty") << false << 16 << "" << 16 << "1024";
        QTest::newRow("size six digits are cut") << false << 16 << "123456" << 193 << "12352";
        QTest::newRow("days 12") << true << 7 << "12" << 12 << "12";
        QTest::newRow("days 45 tops out") << true << 7 << "45" << 30 << "30";
        QTest::newRow("days 0 bottoms out") << true << 7 << "0" << 1 << "1";
        QTest::newRow("days empty") << true << 7 << "" << 7 << "7";
        QTest::newRow("days three digits are cut") << true << 7 << "123" << 12 << "12";
    }
    void leavingANumberBox()
    {
        QFETCH(bool, days);
        QFETCH(int, startPosition);
        QFETCH(QString, typed);
        QFETCH(int, position);
        QFETCH(QString, shown);
        Options o;
        frmOptions &d = o.open();
        EventLogFile &log = o.zel.eventLog;
        QLineEdit *box = days ? d.txtDays : d.txtSize, *other = days ? d.txtSize : d.txtDays;
        QString &value = days ? log.MaxDays : log.MaxLogSize;
        QString &otherValue = days ? log.MaxLogSize : log.MaxDays;
        CountingUpScrollBar *bar = days ? d.vscDays : d.vscSize;
        if (days)
            d.optMax[1]->click();
        bar->setPosition(startPosition);
        const QString otherBefore = otherValue;
        typeInto(box, typed);
        QCOMPARE(bar->position(), position);
        QCOMPARE(box->text(), shown);
        QCOMPARE(value, shown);
        QCOMPARE(other->text(), otherBefore); // never the other box
        QCOMPARE(otherValue, otherBefore);
        QVERIFY(d.cmdApply->isEnabled());
    }

    void keysOfTheNumberBoxes()
    {
        Options o;
        frmOptions &d = o.open();
        d.txtSize->selectAll();
        QTest::keyClicks(d.txtSize, "20");
        QCOMPARE(o.zel.eventLog.MaxLogSize, QStringLiteral("20")); // each digit takes effect
        QVERIFY(d.cmdApply->isEnabled());
        QTest::keyClick(d.txtSize, Qt::Key_X); // discarded, the box shows the value
        QCOMPARE(d.txtSize->text(), QStringLiteral("20"));
        QTest::keyClick(d.txtSize, Qt::Key_5, Qt::KeypadModifier); // keypad digits count too
        QCOMPARE(d.txtSize->text(), QStringLiteral("205"));
        QCOMPARE(o.zel.eventLog.MaxLogSize, QStringLiteral("205"));
        QTest::keyClick(d.txtSize, Qt::Key_Backspace);
        QCOMPARE(d.txtSize->text(), QStringLiteral("20"));
        QCOMPARE(o.zel.eventLog.MaxLogSize,
                 QStringLiteral("205"));          // Backspace's release stores nothing
        d.txtSize->insert(QStringLiteral("abc")); // pasted or dropped text
        QCOMPARE(d.txtSize->text(), QStringLiteral("20"));
        // Delete, which carries the text U+007F on X11, deletes.
        d.txtSize->setCursorPosition(0);
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent key(type, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
            QApplication::sendEvent(d.txtSize, &key);
        }
        QCOMPARE(d.txtSize->text(), QStringLiteral("0"));

        // Enter presses OK: what was typed is stored and stays in effect;
        // the dialog closing is no leaving of the box.
        typeInto(d.txtSize, QStringLiteral("100"), false);
        QTest::keyClick(d.txtSize, Qt::Key_Return);
        QVERIFY(!d.isVisible());
        QCOMPARE(o.stored("MaxLogSize"), QStringLiteral("100"));
        QCOMPARE(o.zel.eventLog.MaxLogSize, QStringLiteral("100"));

        Options fresh;
        frmOptions &e = fresh.open();
        QTest::keyClick(e.txtSize, Qt::Key_Right); // moving the cursor is no edit
        QVERIFY(!e.cmdApply->isEnabled());
    }

    void scrollBarsCountUpAndPolicyButtonsEnableTheDaysBox()
    {
        Options o;
        frmOptions &d = o.open();
        d.vscSize->upperArrow();
        QCOMPARE(d.vscSize->position(), 17);
        QCOMPARE(d.txtSize->text(), QStringLiteral("1088"));
        QCOMPARE(o.zel.eventLog.MaxLogSize, QStringLiteral("1088"));
        QVERIFY(d.cmdApply->isEnabled());
        d.vscDays->lowerArrow();
        QCOMPARE(d.txtDays->text(), QStringLiteral("6"));
        QCOMPARE(o.zel.eventLog.MaxDays, QStringLiteral("6"));
        d.vscSize->setPosition(1024);
        d.vscSize->upperArrow(); // the top end
        QCOMPARE(d.txtSize->text(), QStringLiteral("65536"));
        QCOMPARE(d.vscSize->value(), d.vscSize->minimum()); // the thumb at the top

        // The policy buttons: only the second enables the days box.
        d.cmdApply->click();
        QVERIFY(!d.cmdApply->isEnabled());
        d.optMax[1]->click();
        QCOMPARE(o.zel.eventLog.MaxAction, qint16(1));
        QVERIFY(d.txtDays->isEnabled());
        QCOMPARE(d.txtDays->palette().color(QPalette::Base),
                 d.txtSize->palette().color(QPalette::Base));
        QVERIFY(d.cmdApply->isEnabled());
        d.optMax[2]->click();
        QCOMPARE(o.zel.eventLog.MaxAction, qint16(2));
        QVERIFY(!d.txtDays->isEnabled());
        QCOMPARE(d.txtDays->palette().color(QPalette::Disabled, QPalette::Base),
                 d.palette().color(QPalette::Window));
    }

    void applyOkAndCancelStore()
    {
        Options o;
        frmOptions &d = o.open();
        d.vscSize->upperArrow();
        d.optMax[2]->click();
        d.cmdApply->click();
        QCOMPARE(o.stored("MaxLogSize"), QStringLiteral("1088"));
        QCOMPARE(o.stored("MaxAction"), QStringLiteral("2"));
        QCOMPARE(o.stored("MaxDays"), QStringLiteral("7"));
        QCOMPARE(o.stored("Logfile"), o.path);
        QVERIFY(!d.cmdApply->isEnabled());
        QVERIFY(!d.changed());
        QCOMPARE(o.reloads, 0); // same file
        QCOMPARE(SettingsStore(o.h.dir.path()).GetSetting(kAppName, "Params", "MaxAction"),
                 QStringLiteral("2")); // on disk

        // Cancel stores nothing, yet the edited limit stays in effect.
        frmOptions &c = o.open();
        c.vscSize->lowerArrow();
        c.cmdCancel->click();
        QCOMPARE(o.zel.eventLog.MaxLogSize, QStringLiteral("960"));
        QCOMPARE(o.stored("MaxLogSize"), QStringLiteral("1088")); // as applied before
        QVERIFY(o.zel.SessionOpen);

        // OK stores even without an edit.
        o.h.store->SaveSetting(kAppName, "Params", "MaxDays", "");
        frmOptions &k = o.open();
        k.cmdOK->click();
        QCOMPARE(o.stored("MaxDays"), QStringLiteral(""));
        QCOMPARE(k.result(), int(QDialog::Accepted));
        QVERIFY(o.zel.SessionOpen);
    }

    void browsingSwitchesTheLogFileAtApply()
    {
        Options o;
        const QString other = o.h.dir.filePath(QStringLiteral("elsewhere.txt"));
        QString filter, offered;
        QString answer;
        DialogHook::openFile = [&](QWidget *, const QString &, const QString &name,
                                   const QString &f) {
            filter = f;
            offered = name;
            return answer;
        };
        frmOptions &d = o.open();
        d.cmdBrowse->click(); // cancelled
        QCOMPARE(filter, QStringLiteral("Text (Tab delimited)(*.txt)"));
        QCOMPARE(offered, o.path);
        QCOMPARE(d.txtPath->text(), o.path);
        QVERIFY(!d.cmdApply->isEnabled());

        answer = other;
        d.cmdBrowse->click();
        QCOMPARE(d.txtPath->text(), QDir::toNativeSeparators(other));
        QVERIFY(d.cmdApply->isEnabled());
        QCOMPARE(o.zel.eventLog.EventLogPath, o.path); // not before Apply
        d.cmdApply->click();
        QCOMPARE(o.zel.eventLog.EventLogPath, QDir::toNativeSeparators(other));
        QCOMPARE(o.reloads, 1);
        QCOMPARE(d.storedLogfile(), QDir::toNativeSeparators(other));
        QCOMPARE(o.stored("Logfile"), QDir::toNativeSeparators(other));
        QVERIFY(!QFile::exists(other)); // Apply does not create it
        d.cmdApply->click();
        QCOMPARE(o.reloads, 1);
    }
};

QTEST_MAIN(tst_frmOptions)
#include "tst_frmoptions.moc"
