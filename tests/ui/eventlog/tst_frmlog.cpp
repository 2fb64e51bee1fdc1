// The event log viewer: its columns and their sorting, clearing and
// reopening, the toolbar's commands, printing, and its stored geometry.
#include "engine/eventlog/EventList.h"
#include "ui/Twips.h"
#include "ui/eventlog/frmLog.h"
#include "ui/eventlog/frmLogPlug.h"
#include "ui/eventlog/frmOptions.h"
#include "ui/main/FrmZelHarness.h"

#include <QAction>
#include <QHeaderView>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QToolBar>
#include <QTreeView>
#include <QtTest>

namespace {

const QByteArray kThree = "2024-03-02\t10:00:00\t$/b.txt\tCheck In\r\n"
                          "2024-01-15\t09:30:00\t$/a/long-name.txt\tCheck Out\r\n"
                          "2024-02-20\t11:00:00\t$/c.txt\tcheck in\r\n";

// A main window with its viewer plugged in, over a log file in the harness's folder.
struct Viewer
{
    FrmZelHarness h;
    frmZel &main;
    frmLog &log;
    QString path;

    explicit Viewer(const QByteArray &records = kThree)
        : main(h.build()), log(PlugEventLogViewer(main)),
          path(h.dir.filePath(QStringLiteral("QVEvent.txt")))
    {
        main.zel().eventLog.EventLogPath = path;
        TestFiles::write(path, records);
    }
    EventList &list() { return main.zel().lvTrace(); }
    QStringList column(int c)
    {
        QStringList texts;
        for (int r = 0; r < list().rowCount(); ++r)
            texts << list().data(list().index(r, c)).toString();
        return texts;
    }
    QStringList geometry()
    {
        return {h.store->GetSetting(kAppName, "Settings", "MainWidth"),
                h.store->GetSetting(kAppName, "Settings", "MainHeight")};
    }
};

} // namespace

class tst_frmLog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { FrmZelHarness::isolateFromUser(); }

    void columnsShowEveryTextAndTheHeaderSorts()
    {
        Viewer v;
        v.log.showViewer();
        QStringList headers;
        for (int c = 0; c < EventList::ColumnCount; ++c)
            headers << v.list().headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, QStringList({"Action", "Date", "Time", "Object", "User"}));
        QHeaderView *header = v.log.lvTrace->header();
        const QFontMetrics font = v.log.lvTrace->fontMetrics();
        const int objectWidth = header->sectionSize(EventList::ObjectColumn);
        QVERIFY(objectWidth > font.horizontalAdvance("$/a/long-name.txt"));
        QVERIFY(objectWidth < font.horizontalAdvance("$/a/long-name.txt + some more"));
        QVERIFY(header->sectionSize(EventList::ActionColumn) >
                font.horizontalAdvance("Check In (Undo Check Out)"));

        // By date at first; a click on another column keeps the direction,
        // on the same column reverses it.
        QCOMPARE(header->sortIndicatorSection(), int(EventList::DateColumn));
        QCOMPARE(v.column(EventList::DateColumn),
                 QStringList({"2024-01-15", "2024-02-20", "2024-03-02"}));
        const auto click = [&](int column) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + 5, 5));
        };
        click(EventList::DateColumn);
        click(EventList::ObjectColumn);
        QCOMPARE(v.column(EventList::ObjectColumn),
                 QStringList({"$/c.txt", "$/b.txt", "$/a/long-name.txt"}));
        click(EventList::ObjectColumn);
        QCOMPARE(v.column(EventList::ObjectColumn),
                 QStringList({"$/a/long-name.txt", "$/b.txt", "$/c.txt"}));
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);

        TestFiles::write(v.path, ""); // an empty log: a zero-width object column
        v.log.close();
        v.log.showViewer();
        QCOMPARE(header->sectionSize(EventList::ObjectColumn), 0);
        // It grows with rows added later; shown, the viewer brings the newest
        // row into view wherever the sort puts it (again after a scroll).
        const auto add = [&](const QString &object) {
            v.list().addRow({object, "Check Out", "2024-01-01", "10:00:00", object, ""});
        };
        for (int i = 0; i < 300; ++i)
            add(QString("$/f%1.txt").arg(i, 3, 10, QChar('0')));
        QVERIFY(header->sectionSize(EventList::ObjectColumn) >
                font.horizontalAdvance("$/f299.txt"));
        // With no stored width the window widens with it: User stays in sight.
        Viewer first("");
        first.log.showViewer();
        const QString longer = "$/a longer project/with a file name.txt";
        first.list().addRow({longer, "Check Out", "2024-01-01", "10:00:00", longer, "Ben"});
        QVERIFY(first.log.lvTrace->header()->sectionViewportPosition(EventList::UserColumn) +
                    font.horizontalAdvance("Ben") <
                first.log.lvTrace->viewport()->width());

        v.list().sort(EventList::ObjectColumn, Qt::AscendingOrder);
        add("$/f150b.txt"); // shown in the middle
        for (int shown = 0; shown < 2; ++shown) {
            v.log.lvTrace->scrollToTop();
            v.log.showViewer(false);
            const QModelIndex current = v.log.lvTrace->currentIndex();
            QCOMPARE(v.list().row(current.row()).object, "$/f150b.txt");
            QVERIFY(v.log.lvTrace->viewport()->rect().contains(
                v.log.lvTrace->visualRect(current).center()));
        }
    }

    void toolbarCommandsAndHowTheViewerShows()
    {
        Viewer v;
        v.h.storeUser({"$/Web/a.htm"});
        v.main.Load(); // visible main window: the timer would not poll
        v.main.zel().eventLog.EventLogPath = v.path;
        v.log.showViewer();
        QStringList buttons;
        for (QAction *action : v.log.tbToolBar->actions()) {
            buttons << action->toolTip();
            QVERIFY(!action->icon().pixmap(16, 16).isNull());
        }
        QCOMPARE(buttons, QStringList({"Clear all events", "Refresh", "Properties", "Print"}));
        v.h.repo->checkOut("$/Web/a.htm", "other");
        v.log.button(QStringLiteral("Refresh"))->trigger(); // polls at once
        QCOMPARE(v.list().lastRow().text, QStringLiteral("Check Out"));
        v.log.button(QStringLiteral("Clear all events"))->trigger();
        QCOMPARE(v.list().rowCount(), 0);
        QCOMPARE(TestFiles::read(v.path).count('\n'), 4); // the file is not touched

        QTest::mouseClick(v.log.Command1, Qt::LeftButton); // Close only hides
        QVERIFY(!v.log.isVisible() && v.log.isLoaded());
        v.main.mnuShowLog_Click(); // the tray menu's "Event Log": given the keyboard
        QVERIFY(v.log.isVisible() && !v.log.testAttribute(Qt::WA_ShowWithoutActivating));
        QCOMPARE(v.list().rowCount(), 0);
        v.log.close(); // the close box unloads
        QVERIFY(!v.log.isLoaded() && !v.main.eventLogVisible());
        v.main.showEventLog(); // a poll's changes: the keyboard stays where it is
        QVERIFY(v.log.testAttribute(Qt::WA_ShowWithoutActivating));
        QCOMPARE(v.list().rowCount(), 4);
    }

    void propertiesRunsModallyWithModalOpenSet()
    {
        Viewer v;
        v.log.showViewer();
        v.main.zel().SessionOpen = true;
        QString during;
        DialogHook::modal = [&](QDialog &dialog) {
            during = dialog.windowTitle() + (v.main.zel().ModalOpen ? " modal" : "") +
                     (v.main.zel().SessionOpen ? " polling" : "");
            v.main.mnuShowLog_Click(); // tray commands do nothing meanwhile
            v.log.unloadOptions();     // as program exit would close it
            return int(dialog.result());
        };
        v.log.hide();
        v.log.button(QStringLiteral("Properties"))->trigger();
        QCOMPARE(during, QStringLiteral("Properties modal"));
        QVERIFY(!v.log.isVisible());
        QVERIFY(!v.main.zel().ModalOpen && v.main.zel().SessionOpen);
        QCOMPARE(v.log.optionsDialog(), nullptr);
    }

    void printsTheLogFileLineByLine()
    {
        Viewer v("2024-01-15\t09:30:00\t$/alpha.txt\tCheck Out\r\n"
                 "2024-01-16\t10:00:00\t$/beta/with-a-much-longer-name.txt\tCheck In");
        v.log.showViewer();
        QString pdf = v.h.dir.filePath(QStringLiteral("log.pdf"));
        bool chosen = false;
        DialogHook::choosePrinter = [&](QWidget *, QPrinter &printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return chosen;
        };
        QStringList errors;
        DialogHook::critical = [&](QWidget *, const QString &title, const QString &text) {
            errors << title + '|' + text.left(7);
        };
        v.log.button(QStringLiteral("Print"))->trigger();
        QVERIFY(!QFile::exists(pdf)); // cancelled
        chosen = true;
        v.log.button(QStringLiteral("Print"))->trigger();
        QVERIFY(errors.isEmpty());
#ifdef Q_OS_WIN // no pdftotext there
        QVERIFY(QFileInfo(pdf).size() > 0);
#else
        QProcess text;
        text.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY2(text.waitForFinished(), "pdftotext is needed (package poppler-utils)");
        const QString printed = QString::fromUtf8(text.readAllStandardOutput());
        const QStringList lines = printed.split('\n');
        QVERIFY2(lines.size() > 2 && lines[0].contains("$/alpha.txt") &&
                     lines[1].contains("$/beta/") && // the fields in columns
                     lines[0].indexOf("Check") == lines[1].indexOf("Check"),
                 qPrintable(printed));
#endif

        // A file that cannot be read, a printer that cannot start: said, no crash.
        v.main.zel().eventLog.EventLogPath = v.h.dir.filePath(QStringLiteral("missing/x.txt"));
        v.log.button(QStringLiteral("Print"))->trigger();
        v.main.zel().eventLog.EventLogPath = v.path;
        pdf = v.h.dir.filePath(QStringLiteral("no/such/dir/x.pdf"));
        v.log.button(QStringLiteral("Print"))->trigger();
        QCOMPARE(errors, QStringList(2, QStringLiteral("Printing File...|Error :")));

        // No printer installed: a message says so, no dialog opens.
        DialogHook::choosePrinter = nullptr;
        DialogHook::printerInstalled = [] { return false; };
        QString told;
        DialogHook::information = [&](QWidget *, const QString &, const QString &text) {
            told = text;
        };
        DialogHook::modal = [&](QDialog &dialog) { return told = dialog.windowTitle(), 0; };
        v.log.button(QStringLiteral("Print"))->trigger();
        QVERIFY2(told.startsWith("No printer is installed"), qPrintable(told));
    }

    void geometryIsStoredAtUnloadAndTheLayoutFollowsTheSize()
    {
        Viewer v;
        // The defaults, 6500 by 6500 twips, are the outer size (a Windows
        // frame: 8 by 28 pixels); wider when the columns need it.
        v.log.showViewer();
        QVERIFY(v.log.width() >= Twips::toPixels(6500 - 120));
        QCOMPARE(v.log.height(), Twips::toPixels(6500 - 420));
        v.log.close(); // unchanged: stored exactly as it was given
        QCOMPARE(v.geometry()[1], QStringLiteral("6500"));
        v.log.showViewer();
        v.log.resize(500, 400);
        v.log.close();
        QCOMPARE(v.geometry(), QStringList({"7620", "6420"}));
        v.h.store->SaveSetting(kAppName, "Settings", "MainWidth", "9000");
        v.h.store->SaveSetting(kAppName, "Settings", "MainHeight", "not a number");
        v.log.showViewer();
        QCOMPARE(v.log.size(), QSize(592, Twips::toPixels(6500 - 420)));

        // The list fills the window; Close sits at the bottom right margin.
        const QRect list = v.log.lvTrace->geometry();
        v.log.doLayout(9000, 1999);
        QCOMPARE(v.log.lvTrace->geometry(), list); // nothing moves below 2000 twips
        v.log.resize(700, 500);
        QCOMPARE(v.log.lvTrace->width(), Twips::toPixels(700 * 15 + 120 - 200));
        const QRect close = v.log.Command1->geometry();
        QCOMPARE(QPoint(700 - close.right(), 500 - close.bottom()) - QPoint(1, 1),
                 QPoint(Twips::toPixels(80), Twips::toPixels(130)));

        // Stored on a larger screen, or on one unplugged since: it opens within this one.
        v.log.close();
        for (const char *key : {"MainLeft", "MainTop", "MainWidth"})
            v.h.store->SaveSetting(kAppName, "Settings", key, "60000");
        v.log.showViewer();
        QVERIFY(v.log.screen()->availableGeometry().contains(v.log.frameGeometry()));

        // A minimised window stores nothing; program exit unloads like the close box.
        v.log.showMinimized();
        v.h.store->SaveSetting(kAppName, "Settings", "MainWidth", "1234");
        v.main.ExitProgram();
        QVERIFY(!v.log.isLoaded());
        QCOMPARE(v.geometry()[0], QStringLiteral("1234"));
    }
};

QTEST_MAIN(tst_frmLog)
#include "tst_frmlog.moc"
