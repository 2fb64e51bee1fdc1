// The event log viewer: loading, sorting, clearing and reopening, the
// toolbar's commands, printing and the layout rule.
#include "engine/eventlog/EventList.h"
#include "ui/eventlog/frmLog.h"
#include "ui/eventlog/frmLogPlug.h"
#include "ui/eventlog/frmOptions.h"
#include "ui/main/FrmZelHarness.h"

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QToolBar>
#include <QTreeView>
#include <QtTest>

namespace {

// A main window with its viewer plugged in, over a log file in the harness's folder.
struct Viewer
{
    FrmZelHarness h;
    frmZel &main;
    frmLog &log;
    QString path;

    explicit Viewer(const QByteArray &records = QByteArray())
        : main(h.build()), log(PlugEventLogViewer(main)),
          path(h.dir.filePath(QStringLiteral("QVEvent.txt")))
    {
        main.zel().eventLog.EventLogPath = path;
        if (!records.isNull())
            write(records);
    }
    void write(const QByteArray &records) { TestFiles::write(path, records); }
    EventList &list() { return main.zel().lvTrace(); }
    QStringList column(int c)
    {
        QStringList texts;
        for (int r = 0; r < list().rowCount(); ++r)
            texts << list().data(list().index(r, c)).toString();
        return texts;
    }
    QString setting(const char *key)
    {
        return h.store->GetSetting(kAppName, QStringLiteral("Settings"), QLatin1String(key));
    }
};

const QByteArray kThree = "2024-03-02\t10:00:00\t$/b.txt\tCheck In\r\n"
                          "2024-01-15\t09:30:00\t$/a/long-name.txt\tCheck Out\r\n"
                          "2024-02-20\t11:00:00\t$/c.txt\tcheck in\r\n";

int pixels(int twips)
{
    return qRound(twips / 15.0);
}

} // namespace

class tst_frmLog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { FrmZelHarness::isolateFromUser(); }

    void loadingReadsTheFileSortedByDate()
    {
        Viewer v(kThree + "2024-04-01\t\t$/d.txt\tCheck In\r\n" // empty time: stops here
                          "2024-05-01\t08:00:00\t$/e.txt\tCheck In\r\n");
        v.log.showViewer();
        QCOMPARE(v.log.objectName(), QStringLiteral("frmLog")); // one of the program's windows
        QCOMPARE(v.log.lvTrace->model(), &v.list());
        QCOMPARE(v.log.lvTrace->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(v.column(EventList::DateColumn),
                 QStringList({"2024-01-15", "2024-02-20", "2024-03-02"}));
        QCOMPARE(v.column(EventList::ObjectColumn),
                 QStringList({"$/a/long-name.txt", "$/c.txt", "$/b.txt"}));
        QStringList headers;
        for (int c = 0; c < EventList::ColumnCount; ++c)
            headers << v.list().headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, QStringList({"Action", "Date", "Time", "Object", "User"}));
        // Every text shows whole in the list's font.
        QHeaderView *header = v.log.lvTrace->header();
        const QFontMetrics font = v.log.lvTrace->fontMetrics();
        const int objectWidth = header->sectionSize(EventList::ObjectColumn);
        QVERIFY(objectWidth > font.horizontalAdvance("$/a/long-name.txt"));
        QVERIFY(objectWidth < font.horizontalAdvance("$/a/long-name.txt + some more"));
        QVERIFY(header->sectionSize(EventList::ActionColumn) >
                font.horizontalAdvance("Check In (Undo Check Out)"));
        QCOMPARE(header->sortIndicatorSection(), int(EventList::DateColumn));
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
        QStringList buttons;
        for (QAction *action : v.log.tbToolBar->actions()) {
            buttons << action->toolTip();
            QVERIFY(!action->icon().pixmap(16, 16).isNull());
        }
        QCOMPARE(buttons, QStringList({"Clear all events", "Refresh", "Properties", "Print"}));

        // A last record without its line end is not shown.
        v.write(kThree + "2024-06-01\t08:00:00\t$/zzzzzzzzzzzzzzzzzzzzzzzz.txt\tCheck In");
        v.log.close();
        v.log.showViewer();
        QCOMPARE(v.list().rowCount(), 3);
        QCOMPARE(header->sectionSize(EventList::ObjectColumn), objectWidth);

        // An empty log: a zero-width object column.
        v.write("");
        v.log.close();
        v.log.showViewer();
        QCOMPARE(v.list().rowCount(), 0);
        QCOMPARE(v.log.lvTrace->header()->sectionSize(EventList::ObjectColumn), 0);
    }

    void headerClicksReverseOrKeepTheOrder()
    {
        Viewer v(kThree);
        v.log.showViewer();
        QHeaderView *header = v.log.lvTrace->header();
        auto click = [&](int column) {
            QTest::mouseClick(
                header->viewport(), Qt::LeftButton, {},
                QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                       5));
        };
        click(EventList::DateColumn);
        QCOMPARE(v.column(EventList::DateColumn),
                 QStringList({"2024-03-02", "2024-02-20", "2024-01-15"}));
        click(EventList::ObjectColumn); // another column keeps descending
        QCOMPARE(v.column(EventList::ObjectColumn),
                 QStringList({"$/c.txt", "$/b.txt", "$/a/long-name.txt"}));
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        click(EventList::ObjectColumn); // the same column reverses
        QCOMPARE(v.column(EventList::ObjectColumn),
                 QStringList({"$/a/long-name.txt", "$/b.txt", "$/c.txt"}));
        QCOMPARE(header->sortIndicatorSection(), int(EventList::ObjectColumn));
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
    }

    void clearedRowsStayUntilTheViewerIsUnloaded()
    {
        Viewer v(kThree);
        v.log.showViewer();
        v.log.button(QStringLiteral("Clear all events"))->trigger();
        QCOMPARE(v.list().rowCount(), 0);
        QCOMPARE(QFileInfo(v.path).size(), qint64(kThree.size())); // the file is not touched

        QTest::mouseClick(v.log.Command1, Qt::LeftButton); // Close only hides
        QVERIFY(!v.log.isVisible());
        QVERIFY(v.log.isLoaded());
        v.main.mnuShowLog_Click(); // the tray menu's "Event Log": given the keyboard
        QVERIFY(v.log.isVisible());
        QVERIFY(!v.log.testAttribute(Qt::WA_ShowWithoutActivating));
        QCOMPARE(v.list().rowCount(), 0);

        v.log.close(); // the close box unloads
        QVERIFY(!v.log.isLoaded());
        QVERIFY(!v.main.eventLogVisible());
        v.main.showEventLog(); // a poll's changes: the keyboard stays where it is
        QVERIFY(v.log.testAttribute(Qt::WA_ShowWithoutActivating));
        QCOMPARE(v.list().rowCount(), 3);
    }

    void geometryIsStoredAtUnloadAndRestoredAtLoad()
    {
        Viewer v(kThree);
        // The defaults, 1000, 1000, 6500, 6500 twips: the outer size, whose
        // frame is that of a Windows window (8 by 28 pixels); wider when the
        // columns need it, so that every one shows.
        v.log.showViewer();
        const QHeaderView *header = v.log.lvTrace->header();
        QVERIFY(v.log.width() >= pixels(6500 - 120));
        QCOMPARE(v.log.height(), pixels(6500 - 420));
        QVERIFY(header->sectionViewportPosition(EventList::UserColumn) +
                    header->fontMetrics().horizontalAdvance("User") <
                v.log.lvTrace->viewport()->width());
        const QSize opened = v.log.size();
        v.log.close(); // unchanged: stored exactly as it was given
        const QString width = v.setting("MainWidth");
        QCOMPARE(v.setting("MainHeight"), QStringLiteral("6500"));
        v.log.showViewer();
        QCOMPARE(v.log.size(), opened);
        v.log.close();
        QCOMPARE(v.setting("MainWidth"), width);
        v.log.showViewer();
        v.log.resize(500, 400);
        v.log.close();
        QCOMPARE(v.setting("MainWidth"), QStringLiteral("7620"));
        QCOMPARE(v.setting("MainHeight"), QStringLiteral("6420"));
        QVERIFY(!v.setting("MainLeft").isEmpty());

        // Reaches the disk, and comes back at the next load.
        SettingsStore reread(v.h.dir.path());
        QCOMPARE(reread.GetSetting(kAppName, "Settings", "MainHeight"), QStringLiteral("6420"));
        v.h.store->SaveSetting(kAppName, "Settings", "MainWidth", "9000");
        v.h.store->SaveSetting(kAppName, "Settings", "MainHeight", "not a number");
        v.log.showViewer();
        QCOMPARE(v.log.size(), QSize(592, pixels(6500 - 420)));

        // A minimised window stores nothing; program exit unloads like the close box.
        v.log.showMinimized();
        v.h.store->SaveSetting(kAppName, "Settings", "MainWidth", "1234");
        v.main.ExitProgram();
        QVERIFY(!v.log.isLoaded());
        QCOMPARE(v.setting("MainWidth"), QStringLiteral("1234"));
    }

    void layoutMovesNothingBelow2000Twips()
    {
        Viewer v(kThree);
        v.log.showViewer();
        const QRect list = v.log.lvTrace->geometry();
        const QRect close = v.log.Command1->geometry();
        v.log.doLayout(9000, 1999);
        QCOMPARE(v.log.lvTrace->geometry(), list);
        QCOMPARE(v.log.Command1->geometry(), close);

        v.log.doLayout(9000, 2000);
        const int toolbar = v.log.tbToolBar->height() * 15, button = close.height() * 15;
        QCOMPARE(v.log.lvTrace->x(), pixels(50));
        QCOMPARE(v.log.lvTrace->width(), pixels(9000 - 200));
        QCOMPARE(v.log.lvTrace->height(), pixels(2000 - toolbar - button - 600));
        QCOMPARE(v.log.Command1->x(), pixels(9000 - close.width() * 15 - 200));
        QCOMPARE(v.log.Command1->y(),
                 pixels(v.log.lvTrace->y() * 15 + 2000 - toolbar - button - 600 + 50));

        // A real resize: the Close button sits at the bottom right margin.
        v.log.resize(700, 500);
        QCOMPARE(v.log.lvTrace->width(), pixels(700 * 15 + 120 - 200));
        const QRect closeAt = v.log.Command1->geometry();
        QCOMPARE(QPoint(700 - closeAt.right(), 500 - closeAt.bottom()) - QPoint(1, 1),
                 QPoint(pixels(80), pixels(130)));
    }

    void refreshPollsAtOnce()
    {
        Viewer v;
        v.h.storeUser({"$/Web/a.htm"});
        v.main.Load(); // the main window stays visible: the timer would not poll
        v.main.zel().eventLog.EventLogPath = v.path;
        v.log.showViewer();
        v.h.repo->checkOut("$/Web/a.htm", "other");
        v.log.button(QStringLiteral("Refresh"))->trigger();
        QCOMPARE(v.list().lastRow().text, QStringLiteral("Check Out"));
        QCOMPARE(v.list().lastRow().user, QStringLiteral("other"));
    }

    void propertiesRunsModallyWithModalOpenSet()
    {
        Viewer v(kThree);
        v.log.showViewer();
        v.main.zel().SessionOpen = true;
        bool modalDuring = false, sessionDuring = true;
        QString caption;
        DialogHook::modal = [&](QDialog &dialog) {
            modalDuring = v.main.zel().ModalOpen;
            sessionDuring = v.main.zel().SessionOpen;
            caption = dialog.windowTitle();
            v.main.mnuShowLog_Click(); // tray commands do nothing meanwhile
            v.log.unloadOptions();     // as program exit would close it
            return int(dialog.result());
        };
        v.log.hide();
        v.log.button(QStringLiteral("Properties"))->trigger();
        QVERIFY(modalDuring);
        QVERIFY(!sessionDuring);
        QVERIFY(!v.log.isVisible());
        QCOMPARE(caption, QStringLiteral("Properties"));
        QVERIFY(!v.main.zel().ModalOpen);
        QVERIFY(v.main.zel().SessionOpen);
        QCOMPARE(v.log.optionsDialog(), nullptr);
    }

    void printsTheLogFileLineByLine()
    {
        Viewer v("2024-01-15\t09:30:00\t$/alpha.txt\tCheck Out\r\n"
                 "2024-01-16\t10:00:00\t$/beta.txt\tCheck In");
        v.log.showViewer();
        const QString pdf = v.h.dir.filePath(QStringLiteral("log.pdf"));
        bool cancel = true;
        DialogHook::choosePrinter = [&](QWidget *, QPrinter &printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return !cancel;
        };
        QStringList errors;
        DialogHook::critical = [&](QWidget *, const QString &title, const QString &text) {
            errors << title + QLatin1Char('|') + text;
        };
        v.log.button(QStringLiteral("Print"))->trigger();
        QVERIFY(!QFile::exists(pdf)); // cancelled

        cancel = false;
        v.log.button(QStringLiteral("Print"))->trigger();
        QVERIFY(errors.isEmpty());
        QVERIFY(QFileInfo(pdf).size() > 0);
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (!pdftotext.isEmpty()) {
            QProcess tool;
            tool.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
            QVERIFY(tool.waitForFinished());
            const QString text = QString::fromUtf8(tool.readAllStandardOutput());
            QVERIFY2(text.contains(QLatin1String("$/alpha.txt")), qPrintable(text));
            QVERIFY2(text.contains(QLatin1String("$/beta.txt")), qPrintable(text)); // no CR LF
            QVERIFY(text.indexOf(QLatin1String("alpha")) < text.indexOf(QLatin1String("beta")));
        }

        // A file that cannot be read: the message, and no crash.
        v.main.zel().eventLog.EventLogPath = v.h.dir.filePath(QStringLiteral("missing/x.txt"));
        v.log.button(QStringLiteral("Print"))->trigger();
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].startsWith(QLatin1String("Printing File...|Error :")),
                 qPrintable(errors[0]));
        // A printer that cannot start.
        v.main.zel().eventLog.EventLogPath = v.path;
        DialogHook::choosePrinter = [&](QWidget *, QPrinter &printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(v.h.dir.filePath(QStringLiteral("no/such/dir/x.pdf")));
            return true;
        };
        v.log.button(QStringLiteral("Print"))->trigger();
        QCOMPARE(errors.size(), 2);
        QVERIFY(errors[1].startsWith(QLatin1String("Printing File...|Error :")));
    }
};

QTEST_MAIN(tst_frmLog)
#include "tst_frmlog.moc"
