// The status page: what it holds, its escaping, and what a browser shows.
#include "support/TestFiles.h"
#include "support/VssGen.h"

#include "engine/Suspects.h"
#include "engine/checkouts/StatusPage.h"
#include "engine/repository/memory/MemoryRepository.h"
#include "engine/repository/vssdb/VssDbFactory.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Hostile = QStringLiteral("$/Web/<img src=x onerror=\"document.title='img'\">.txt");
const QString HostileComment = QStringLiteral("<script>document.title='script'</script>");

// Runs in the page after its own script: fills the filter box, sorts by
// user, and leaves what is shown as JSON in <pre id="result">.
const char *const BrowserProbe = R"(<script>
(function () {
  function shown() {
    return Array.prototype.filter.call(document.querySelectorAll('#checkouts tr.row'),
      function (r) { return r.offsetParent !== null; })
      .map(function (r) { return r.cells[1].textContent + ' ' + r.cells[0].textContent; });
  }
  var out = {all: shown()};
  var filter = document.getElementById('filter');
  filter.value = 'ALICE';
  filter.dispatchEvent(new Event('input'));
  out.filtered = shown();
  out.count = document.getElementById('count').textContent;
  filter.value = '';
  filter.dispatchEvent(new Event('input'));
  document.querySelectorAll('#checkouts th button')[1].click();
  out.byUser = shown();
  out.title = document.title;
  out.images = document.images.length;
  out.comment = document.querySelector('#checkouts tr.row:last-child td:last-child').textContent;
  var pre = document.createElement('pre');
  pre.id = 'result';
  pre.textContent = JSON.stringify(out);
  document.body.appendChild(pre);
})();
</script>
)";

} // namespace

class tst_StatusPage : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<VSSDatabase> m_db;

    QByteArray page(const QStringList &watched, StatusPageWriter &writer)
    {
        writer.write(*m_db, {watched.begin(), watched.end()}, m_dir.filePath("db/srcsafe.ini"),
                     QDateTime(QDate(2026, 12, 7), QTime(5, 0)));
        return TestFiles::read(writer.path());
    }

private slots:
    void initTestCase()
    {
        const QString db = m_dir.filePath("db");
        VssWriter::create(db, {{"Alice", ""}, {"Ben", ""}, {"Dora", ""}}, VssGen::at(0));
        VssWriter w(db);
        w.addProject("$/Web", VssGen::by("Admin", 0));
        const QStringList files{"$/Web/b.txt", "$/Web/a.txt", Hostile, "$/Web/c.txt",
                                "$/Web/free.txt"};
        const QStringList users{"Ben", "Alice", "Dora", "Alice"};
        for (int i = 0; i < files.size(); ++i) {
            w.addFile(files[i], VssGen::by("Admin", 1));
            if (i < users.size())
                w.checkout(files[i], VssGen::by(users[i], 10 + i, i == 2 ? HostileComment : ""));
        }
        m_db = VssDbFactory(VssDbOptions{})();
        m_db->Open(db + "/srcsafe.ini", "Admin", "");
    }

    // Each check-out once, whether reached through its project or as a
    // watched file; names and comments escaped; a missing entry said.
    void pageHoldsTheWatchedCheckoutsEscaped()
    {
        StatusPageWriter writer(m_dir.filePath("page.html"));
        const QString page = QString::fromUtf8(
            this->page({"$/Web/a.txt", "$/Web", "$/Web/a.txt", "$/Gone.txt"}, writer));
        QCOMPARE(page.count("<tr class=\"row\">"), 4);
        QVERIFY(page.contains("<td>$/Web/&lt;img src=x onerror=&quot;document.title=&#39;img&#39;"
                              "&quot;&gt;.txt</td><td>Dora</td><td>2024-05-06 09:12:00</td>"
                              "<td>1</td><td>C:\\work</td><td>VSSGEN</td><td>&lt;script&gt;"
                              "document.title=&#39;script&#39;&lt;/script&gt;</td>"));
        QVERIFY(!page.contains("<script>document") && !page.contains("<img"));
        QVERIFY(page.contains("<p class=\"problem\">Not read: $/Gone.txt: "));
        QVERIFY(page.contains("<time id=\"poll\">2026-12-07 05:00:00</time>"));
        QVERIFY(!page.contains("src=\"") && !page.contains("href="));
    }

    // The page (and the check-outs window, which reads the same roots) holds
    // what the watcher watches: a project's exclude patterns leave files and
    // projects out, a file picked on its own stays, and a project watched
    // inside another is read once without a problem.
    void pageLeavesOutWhatTheWatcherLeavesOut()
    {
        auto repo = MemoryRepository::create();
        repo->addUser("Admin");
        for (const char *project : {"$/A", "$/A/bin", "$/B", "$/B/sub"})
            repo->addProject(project);
        for (const char *file :
             {"$/A/x.obj", "$/A/y.cpp", "$/A/bin/z.cpp", "$/B/w.cpp", "$/B/sub/v.cpp"}) {
            repo->addFile(file, "Admin", VssGen::at(0));
            repo->checkOut(file, "Ben");
        }
        auto db = repo->factory()();
        db->Open("x", "Admin", "");
        Suspects watched;
        watched.AddProject("$/B/sub", {});
        watched.AddProject("$/A", {"*.OBJ", "bin"});
        watched.Add("$/A/x.obj", 0, 0, {});
        watched.AddProject("$/B", {});
        StatusPageWriter writer(m_dir.filePath("excludes.html"));
        writer.write(*db, CheckoutReader::rootsOf(watched), "x", QDateTime());
        const QString page = QString::fromUtf8(TestFiles::read(writer.path()));
        QStringList rows;
        const QRegularExpression row("<tr class=\"row\"><td>([^<]*)</td>");
        for (const auto &match : row.globalMatch(page))
            rows << match.captured(1);
        QCOMPARE(rows, (QStringList{"$/B/sub/v.cpp", "$/A/y.cpp", "$/A/x.obj", "$/B/w.cpp"}));
        QVERIFY(!page.contains("class=\"problem\""));
    }

    // The log's last 100 records at start, then each new one; an amended
    // record replaces the newest.
    void pageKeepsTheLastHundredEvents()
    {
        QByteArray log;
        for (int i = 0; i < 150; ++i)
            log += QString("2026-12-06\t10:%1:00\t$/Web/%2.txt\tCheck Out\r\n")
                       .arg(i % 60, 2, 10, QChar('0'))
                       .arg(i)
                       .toUtf8();
        QVERIFY(TestFiles::write(m_dir.filePath("QVEvent.txt"), log));
        StatusPageWriter writer(m_dir.filePath("events.html"));
        writer.loadEvents(m_dir.filePath("QVEvent.txt"));
        writer.eventRecorded({"2026-12-07", "05:00:00", "$/Web/a.txt", "Check Out", "Ben", {}});
        writer.eventRecorded({"2026-12-07", "05:00:00", "$/Web/a.txt", "Check In", {}, {}});
        const QString page = QString::fromUtf8(this->page({}, writer));
        const QString events = page.mid(page.indexOf("<table id=\"events\">"));
        QCOMPARE(events.count("<tr><td>"), 100);
        QVERIFY(events.contains("<tbody>\n<tr><td>2026-12-07</td><td>05:00:00</td><td>$/Web/"
                                "a.txt</td><td>Check In</td><td></td></tr>\n<tr><td>2026-12-06"
                                "</td><td>10:29:00</td><td>$/Web/149.txt</td>"));
        QVERIFY(!events.contains("$/Web/50.txt") && events.contains("$/Web/51.txt"));
        QVERIFY(page.contains("Nothing is checked out."));
    }

    // What a user sees in Chromium: every row, the filter box narrowing
    // them (case-insensitively, with the count), a sort by user, and the
    // hostile name and comment shown as text, never run.
    void browserShowsFiltersAndSorts()
    {
        const QString chromium = QStandardPaths::findExecutable("chromium");
        if (chromium.isEmpty())
            QSKIP("chromium is not installed: the page was not checked in a browser");
        StatusPageWriter writer(m_dir.filePath("browser.html"));
        QByteArray html = page({"$/Web"}, writer);
        html.replace("</body>", BrowserProbe + QByteArray("</body>"));
        QVERIFY(TestFiles::write(writer.path(), html));
        QProcess browser;
        browser.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                                 "--no-first-run", "--disable-background-networking",
                                 "--disable-component-update", "--disable-sync",
                                 "--user-data-dir=" + m_dir.filePath("profile"), "--dump-dom",
                                 QUrl::fromLocalFile(writer.path()).toString()});
        QVERIFY(browser.waitForFinished(120000));
        const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
        const qsizetype from = dom.indexOf("<pre id=\"result\">") + 17;
        QVERIFY2(from > 17, qPrintable(dom.left(2000) + browser.readAllStandardError()));
        QString json = dom.mid(from, dom.indexOf("</pre>", from) - from);
        json.replace("&lt;", "<").replace("&gt;", ">").replace("&amp;", "&");
        const QJsonObject shown = QJsonDocument::fromJson(json.toUtf8()).object();
        const auto list = [&](const char *key) {
            QStringList texts;
            for (const QJsonValue &v : shown[key].toArray())
                texts << v.toString();
            return texts;
        };
        QCOMPARE(list("all"),
                 (QStringList{"Dora " + Hostile, "Alice $/Web/a.txt", "Ben $/Web/b.txt",
                              "Alice $/Web/c.txt"})); // stored order
        QCOMPARE(list("filtered"), (QStringList{"Alice $/Web/a.txt", "Alice $/Web/c.txt"}));
        QCOMPARE(shown["count"].toString(), "2 of 4 shown");
        QCOMPARE(list("byUser"), (QStringList{"Alice $/Web/a.txt", "Alice $/Web/c.txt",
                                              "Ben $/Web/b.txt", "Dora " + Hostile}));
        QCOMPARE(shown["title"].toString(), "Check-outs - Quorvik");
        QCOMPARE(shown["images"].toInt(), 0);
        QCOMPARE(shown["comment"].toString(), HostileComment); // Dora's, last by user
    }
};

QTEST_GUILESS_MAIN(tst_StatusPage)
#include "tst_statuspage.moc"
