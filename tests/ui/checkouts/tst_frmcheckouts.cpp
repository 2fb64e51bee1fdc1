// The check-outs window over a database the test writer builds.
#include "support/TestFiles.h"
#include "support/VssGen.h"

#include "engine/repository/memory/MemoryRepository.h"
#include "engine/repository/vssdb/VssDbFactory.h"
#include "ui/checkouts/frmCheckouts.h"
#include "ui/main/DialogHook.h"

#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

class tst_frmCheckouts : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_ini;

    // The texts of `column` in the rows shown, top to bottom.
    static QStringList shown(frmCheckouts &w, int column)
    {
        QStringList texts;
        for (int row = 0; row < w.filter().rowCount(); ++row)
            texts << w.filter().index(row, column).data().toString();
        return texts;
    }
    static bool read(frmCheckouts &w)
    {
        return QTest::qWaitFor([&] { return !w.reading(); }, 60000);
    }
    std::unique_ptr<frmCheckouts> window(const QStringList &watched)
    {
        return std::make_unique<frmCheckouts>(VssDbFactory(VssDbOptions{}), [this, watched] {
            return CheckoutSource{m_ini, "Admin", "", {watched.begin(), watched.end()}};
        });
    }

private slots:
    void initTestCase()
    {
        m_ini = m_dir.filePath("db/srcsafe.ini");
        VssWriter::create(m_dir.filePath("db"), {{"Alice", ""}, {"Ben", ""}}, VssGen::at(0));
        VssWriter w(m_dir.filePath("db"));
        for (const char *project : {"$/Web", "$/Docs"})
            w.addProject(project, VssGen::by("Admin", 0));
        const QStringList files{"$/Web/b.txt", "$/Web/a.txt", "$/Docs/x.doc", "$/Docs/y.doc",
                                "$/Docs/free.doc"};
        for (int i = 0; i < files.size(); ++i)
            w.addFile(files[i], VssGen::by("Admin", 1));
        w.checkout("$/Web/a.txt", VssGen::by("Admin", 2));
        w.checkin("$/Web/a.txt", VssGen::by("Admin", 3));
        w.checkout("$/Web/b.txt", VssGen::by("Ben", 10));
        w.checkout("$/Web/a.txt", VssGen::by("alice", 11, "fixing, \"quickly\""), true, "D:\\src",
                   "PC-7");
        w.checkout("$/Docs/x.doc", VssGen::by("Alice", 12));
        w.checkout("$/Docs/y.doc", VssGen::by("Ben", 13));
    }

    void cleanup() { DialogHook::reset(); }

    // The watched entries (a file and a project) or the whole database;
    // filtered by user (any case) and path text, with the count; sorted by
    // a column; read again while shown.
    void listsFiltersSortsAndRefreshes()
    {
        auto w = window({"$/Web/a.txt", "$/Docs"});
        w->showWindow();
        QVERIFY(read(*w));
        QCOMPARE(shown(*w, CheckoutTable::File),
                 (QStringList{"$/Docs/x.doc", "$/Docs/y.doc", "$/Web/a.txt"}));
        QCOMPARE(w->lblCount->text(), "3 check-outs");
        const QStringList row{"$/Web/a.txt", "Alice", "2024-05-06 09:11",   "2",
                              "D:\\src",     "PC-7",  "fixing, \"quickly\""};
        for (int column = 0; column < row.size(); ++column)
            QCOMPARE(w->filter().index(2, column).data().toString(), row[column]);

        w->optWhole->setChecked(true);
        QVERIFY(read(*w));
        QCOMPARE(w->filter().rowCount(), 4);
        QCOMPARE(w->cboUser->count(), 3); // All users, Alice, Ben
        w->cboUser->setCurrentIndex(w->cboUser->findText("Alice"));
        QCOMPARE(w->lblCount->text(), "2 of 4 check-outs");
        w->cboUser->setCurrentIndex(0);
        w->txtPath->setText("WEB/");
        QCOMPARE(shown(*w, CheckoutTable::File), (QStringList{"$/Web/a.txt", "$/Web/b.txt"}));
        w->txtPath->clear();
        w->grid->sortByColumn(CheckoutTable::Since, Qt::DescendingOrder);
        QCOMPARE(shown(*w, CheckoutTable::User), (QStringList{"Ben", "Alice", "Alice", "Ben"}));

        VssWriter(m_dir.filePath("db")).checkout("$/Docs/free.doc", VssGen::by("Ben", 20));
        w->hide();
        w->refreshIfShown();
        QVERIFY(!w->reading());
        w->show();
        w->refreshIfShown();
        QVERIFY(read(*w));
        QCOMPARE(w->filter().rowCount(), 5);
        VssWriter(m_dir.filePath("db")).undoCheckout("$/Docs/free.doc", VssGen::by("Ben", 21));
    }

    // The rows shown, in their order: CSV with a byte order mark and RFC 4180
    // quoting, or JSON by the name; a file that cannot be written is said.
    void exportWritesTheRowsShown()
    {
        auto w = window({"$/"});
        w->showWindow();
        QVERIFY(read(*w));
        w->txtPath->setText("web/");
        w->grid->sortByColumn(CheckoutTable::File, Qt::DescendingOrder);
        QStringList asked;
        const QString csv = m_dir.filePath("out.csv"), json = m_dir.filePath("out.JSON");
        DialogHook::saveFile = [&](QWidget *, const QString &title, const QString &proposed,
                                   const QString &filter) {
            asked << title + '|' + filter << QFileInfo(proposed).absolutePath();
            return asked.size() == 2 ? csv : json;
        };
        w->cmdExport->click();
        w->cmdExport->click();
        QCOMPARE(asked.first(), "Export Check-outs|CSV (*.csv);;JSON (*.json)");
        QVERIFY(QDir(asked[1]).exists()); // a folder the user has
        QCOMPARE(TestFiles::read(csv),
                 "\xEF\xBB\xBFspec,user,date,version,folder,machine,comment\r\n"
                 "$/Web/b.txt,Ben,2024-05-06 09:10:00,1,C:\\work,VSSGEN,\r\n"
                 "$/Web/a.txt,Alice,2024-05-06 09:11:00,2,D:\\src,PC-7,"
                 "\"fixing, \"\"quickly\"\"\"\r\n");
        const QJsonArray rows = QJsonDocument::fromJson(TestFiles::read(json)).array();
        QVERIFY(rows.size() == 2 && rows[1].toObject()["spec"] == "$/Web/a.txt");

        QString error;
        DialogHook::critical = [&](QWidget *, const QString &, const QString &text) {
            error = text;
        };
        QVERIFY(!w->exportTo(m_dir.filePath("no/such/folder/x.csv")));
        QVERIFY2(error.startsWith("Cannot write "), qPrintable(error));
    }

    // Cancel stops the read after the item being read; the rows read so far
    // stay and the status says so.
    void readingIsCancellable()
    {
        auto repo = MemoryRepository::create();
        repo->addUser("Admin");
        repo->addProject("$/P");
        for (int i = 0; i < 50; ++i) {
            const QString spec = QString("$/P/f%1.txt").arg(i, 2, 10, QChar('0'));
            repo->addFile(spec, "Admin", VssGen::at(0));
            repo->checkOut(spec, "Ben");
        }
        frmCheckouts w(repo->factory(), [] {
            return CheckoutSource{"x", "Admin", "", {QString("$/")}};
        });
        int calls = 0;
        std::function<void()> cancelLater;
        cancelLater = [&] {
            if (++calls == 10)
                w.cancelReading();
            else
                repo->onNextCall("Checkouts", cancelLater);
        };
        repo->onNextCall("Checkouts", cancelLater);
        w.showWindow();
        QVERIFY(w.cmdCancel->isVisible());
        QVERIFY(read(w));
        QCOMPARE(w.filter().rowCount(), 10);
        QVERIFY2(w.lblStatus->text().startsWith("Cancelled after 12 items"),
                 qPrintable(w.lblStatus->text()));
        QVERIFY(!w.cmdCancel->isVisible());
        QVERIFY(repo->calls("BeginPoll") == 1 && repo->calls("EndPoll") == 1); // a pass of its own
    }
};

QTEST_MAIN(tst_frmCheckouts)
#include "tst_frmcheckouts.moc"
