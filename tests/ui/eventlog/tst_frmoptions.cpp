// The log settings dialog: what it shows, the size and days boxes with their
// scroll bars, the policy buttons, Clear Log, and what Apply, OK and Cancel
// write back.
#include "engine/eventlog/EventList.h"
#include "engine/settings/SettingValues.h"
#include "ui/eventlog/frmOptions.h"
#include "ui/main/FrmZelHarness.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {

const QByteArray kRecord = "2024-01-01\t10:00:00\t$/a\tCheck In\r\n"; // 34 bytes

struct Options
{
    FrmZelHarness h;
    modZel &zel;
    QString path;
    int reloads = 0;
    std::unique_ptr<frmOptions> dialog;

    Options() : zel(h.build().zel()), path(h.dir.filePath(QStringLiteral("QVEvent.txt")))
    {
        zel.eventLog.EventLogPath = path;
        zel.SessionOpen = true;
    }
    frmOptions &open()
    {
        dialog = std::make_unique<frmOptions>(zel, *h.store, [this] { ++reloads; });
        return *dialog;
    }
    // Logfile, MaxLogSize, MaxAction, MaxDays as stored on the disk.
    QStringList stored() const
    {
        SettingsStore disk(h.dir.path());
        QStringList values;
        for (const char *key : {"Logfile", "MaxLogSize", "MaxAction", "MaxDays"})
            values << disk.GetSetting(kAppName, "Params", key);
        return values;
    }
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

    void showsTheStoredSettingsAndTheFile()
    {
        Options o;
        frmOptions &d = o.open();
        QCOMPARE(QStringList({d.txtPath->text(), d.lblItem[4]->text(), d.txtSize->text(),
                              d.txtDays->text()}),
                 QStringList({o.path, "0", "1024", "7"})); // the file created empty
        QVERIFY(d.optMax[0]->isChecked() && !d.txtDays->isEnabled() && d.txtPath->isReadOnly());
        QCOMPARE(d.lblItem[6]->text(),
                 LocaleDateTimeText(QFileInfo(o.path).lastModified(), QLocale::system()));
        d.cmdCancel->click(); // no poll while it is open: tst_frmlog

        // Stored settings are shown as stored (the scroll bars at their start);
        // Cancel or OK, nothing touched, leaves them in effect and on the disk.
        const QString other = o.h.dir.filePath(QStringLiteral("other.txt"));
        TestFiles::write(other, kRecord);
        const QStringList stored = {other, "2000", "2", "45"};
        for (int i = 0; i < 4; ++i)
            o.h.param(QStringList({"Logfile", "MaxLogSize", "MaxAction", "MaxDays"})[i], stored[i]);
        o.h.store->commit();
        LoadEventLogSettings(o.zel, *o.h.store); // as at start, but
        o.zel.eventLog.EventLogPath = o.path;    // the stored file takes over on opening
        const EventLogFile &log = o.zel.eventLog;
        for (const bool ok : {false, true}) {
            frmOptions &s = o.open();
            QCOMPARE(QStringList({s.txtPath->text(), s.lblItem[4]->text(), s.txtSize->text(),
                                  s.txtDays->text()}),
                     QStringList({other, "34", "2000", "45"}));
            QCOMPARE(QList<int>({s.vscSize->position(), s.vscDays->position()}),
                     QList<int>({16, 7}));
            QVERIFY(s.optMax[2]->isChecked() && !s.txtDays->isEnabled());
            s.show();
            QVERIFY(QTest::qWaitForWindowActive(&s));
            QVERIFY(s.lblItem[10]->x() - s.vscDays->geometry().right() > 4); // "days" apart
            QTest::mouseClick(ok ? s.cmdOK : s.cmdCancel, Qt::LeftButton);
            QCOMPARE(QStringList({log.EventLogPath, log.MaxLogSize, QString::number(log.MaxAction),
                                  log.MaxDays}),
                     stored);
            QCOMPARE(o.stored(), stored);
        }
    }

    void clearLogAndMissingFilesOrFolders()
    {
        Options o;
        TestFiles::write(o.path, kRecord + kRecord);
        frmOptions &d = o.open();
        QCOMPARE(d.lblItem[4]->text(), QStringLiteral("68"));
        d.cmdClear->click(); // empties the file (its size read again) and the list
        QCOMPARE(d.lblItem[4]->text(), QStringLiteral("0"));
        QCOMPARE(o.zel.lvTrace().rowCount(), 0);
        QVERIFY(!d.changed());

        // A missing folder is said, and Clear Log there leaves the list.
        const QString lost = o.h.dir.filePath(QStringLiteral("no-such-folder/x.txt"));
        o.h.param("Logfile", lost);
        frmOptions &e = o.open();
        QCOMPARE(e.txtPath->text(), lost);
        QVERIFY2(e.lblStatus->text().contains(QLatin1String("folder")),
                 qPrintable(e.lblStatus->text()));
        o.zel.lvTrace().addRow({"k $/x", "Check In", "2024-01-01", "10:00:00", "$/x", ""});
        e.cmdClear->click();
        QCOMPARE(o.zel.lvTrace().rowCount(), 1);
    }

    void leavingANumberBox()
    {
        // The box, its scroll bar's position, what is typed; the position and text after.
        const std::tuple<bool, int, QString, int, QString> rows[] = {
            {false, 20, "1000", 16, "1024"}, {false, 16, "70000", 1024, "65536"},
            {false, 16, "64", 1, "64"},      {false, 16, "160", 2, "128"}, // 2.5: half to even
            {false, 16, "", 16, "1024"},     {false, 16, "123456", 193, "12352"}, // cut
            {false, 16, "65", 1, "64"},      {false, 16, "96", 2, "128"},
            {true, 7, "45", 30, "30"},       {true, 7, "", 7, "7"},
            {true, 7, "123", 12, "12"},      {true, 7, "0", 1, "1"},
            {true, 7, "1", 1, "1"},          {true, 7, "2", 2, "2"}};
        for (const auto &[days, startPosition, typed, position, shown] : rows) {
            Options o;
            frmOptions &d = o.open();
            if (days)
                d.optMax[1]->click();
            (days ? d.vscDays : d.vscSize)->setPosition(startPosition);
            typeInto(days ? d.txtDays : d.txtSize, typed);
            QCOMPARE((days ? d.vscDays : d.vscSize)->position(), position);
            const QStringList both = {d.txtSize->text(), d.txtDays->text()};
            QCOMPARE(both, days ? QStringList({"1024", shown}) : QStringList({shown, "7"}));
            QCOMPARE(QStringList({o.zel.eventLog.MaxLogSize, o.zel.eventLog.MaxDays}), both);
            QVERIFY(d.cmdApply->isEnabled());
        }
    }

    void keysOfTheNumberBoxes()
    {
        Options o;
        frmOptions &d = o.open();
        QTest::keyClick(d.txtSize, Qt::Key_Right); // moving the cursor is no edit
        QVERIFY(!d.cmdApply->isEnabled());
        // Every digit of either row takes effect as it is typed.
        for (const auto row : {Qt::NoModifier, Qt::KeypadModifier})
            for (char digit = '0'; digit <= '9'; ++digit) {
                d.txtSize->selectAll();
                QTest::keyClick(d.txtSize, digit, row);
                QCOMPARE(o.zel.eventLog.MaxLogSize, QString(QLatin1Char(digit)));
            }
        QVERIFY(d.cmdApply->isEnabled());
        QTest::keyClicks(d.txtSize, "20x"); // x discarded, and pasted text too
        d.txtSize->insert(QStringLiteral("abc"));
        QCOMPARE(o.zel.eventLog.MaxLogSize, QStringLiteral("920"));
        const auto press = [&](int key, Qt::KeyboardModifiers mods, const QString &text) {
            for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                QKeyEvent e(type, key, mods, text);
                QApplication::sendEvent(d.txtSize, &e);
            }
        };
        // Delete (U+007F on X11) deletes; Ctrl+A (its text "a" here, U+0001
        // on X11) selects all, its release keeps that, and digits replace it.
        d.txtSize->setCursorPosition(0);
        press(Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
        QCOMPARE(d.txtSize->text(), QStringLiteral("20"));
        press(Qt::Key_A, Qt::ControlModifier, QStringLiteral("a"));
        QKeyEvent ctrlUp(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
        QApplication::sendEvent(d.txtSize, &ctrlUp);
        QTest::keyClicks(d.txtSize, "100");
        QCOMPARE(d.txtSize->text(), QStringLiteral("100"));
        QGuiApplication::clipboard()->setText(QStringLiteral("300")); // Ctrl+V takes effect
        d.txtSize->selectAll();
        press(Qt::Key_V, Qt::ControlModifier, QStringLiteral("v"));
        QCOMPARE(o.zel.eventLog.MaxLogSize, QStringLiteral("300"));

        // Enter presses OK: what was typed is stored; closing is no leaving.
        typeInto(d.txtSize, QStringLiteral("100"), false);
        QTest::keyClick(d.txtSize, Qt::Key_Return);
        QCOMPARE(o.stored()[1], QStringLiteral("100"));
        QCOMPARE(o.zel.eventLog.MaxLogSize, QStringLiteral("100"));
    }

    void applyAndOkWriteBackEverySettingCancelNone()
    {
        Options o;
        const QString other = o.h.dir.filePath(QStringLiteral("elsewhere.txt"));
        frmOptions &d = o.open();
        d.cmdBrowse->click(); // cancelled
        QCOMPARE(o.h.asked,
                 QStringList{"Choose the log file|" + o.path + "|Text (Tab delimited)(*.txt)"});
        QVERIFY(!d.cmdApply->isEnabled());
        o.h.chosenFile = other;
        d.cmdBrowse->click();
        QCOMPARE(d.txtPath->text(), QDir::toNativeSeparators(other));
        QCOMPARE(o.zel.eventLog.EventLogPath, o.path); // not before Apply
        d.optMax[1]->click();
        d.vscSize->upperArrow();
        d.vscDays->upperArrow();
        d.cmdApply->click(); // enabled by the edits, or nothing is stored
        QCOMPARE(o.stored(), QStringList({QDir::toNativeSeparators(other), "1088", "1", "8"}));
        QCOMPARE(o.zel.eventLog.EventLogPath, QDir::toNativeSeparators(other));
        QCOMPARE(o.reloads, 1);
        QVERIFY(!QFile::exists(other)); // Apply does not create it
        QVERIFY(!d.cmdApply->isEnabled() && !d.changed());
        d.vscSize->setPosition(1024);
        d.vscSize->upperArrow(); // the top end; the thumb is at the top
        QVERIFY(d.txtSize->text() == "65536" && d.vscSize->value() == d.vscSize->minimum());

        // Cancel stores nothing, yet the edited limit stays in effect.
        frmOptions &c = o.open();
        c.vscSize->lowerArrow();
        c.optMax[2]->click();
        c.cmdCancel->click();
        QVERIFY(o.zel.eventLog.MaxLogSize == "960" && o.zel.eventLog.MaxAction == 2);
        QCOMPARE(o.stored()[1], QStringLiteral("1088"));
        // OK stores even without an edit.
        o.h.store->SaveSetting(kAppName, "Params", "MaxDays", "");
        frmOptions &k = o.open();
        k.cmdOK->click();
        QCOMPARE(o.stored()[3], QString());
        QCOMPARE(k.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(tst_frmOptions)
#include "tst_frmoptions.moc"
