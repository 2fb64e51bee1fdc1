#include "support/EngineFixture.h"
#include "support/VssGen.h"

#include "engine/ExcludePatterns.h"
#include "engine/repository/vssdb/VssDbFactory.h"
#include "engine/settings/FileList.h"
#include "engine/settings/Settings.h"
#include "engine/settings/SettingsStore.h"

#include <QtTest>

using Records = QList<QPair<QString, QString>>;

// Watched projects: every file below one is watched as a picked file is.
class TestProjects : public QObject
{
    Q_OBJECT

    const QString a = QStringLiteral("$/Web/a.txt");
    const QString b = QStringLiteral("$/Web/sub/b.txt");
    const QString c = QStringLiteral("$/Web/sub/c.txt");

    // $/Web holds a.txt and sub/b.txt; it is watched with `excludes`.
    static Suspect &watchWeb(EngineFixture &f, const QStringList &excludes = {})
    {
        f.zel.settings.ShowMessages = false;
        f.repo->addProject("$/Web/sub");
        for (const char *spec : {"$/Web/a.txt", "$/Web/sub/b.txt"})
            f.repo->addFile(spec, "other", f.clock.now().addDays(-1));
        return *f.zel.MonitoredFiles.AddProject("$/Web", excludes);
    }
    static QStringList below(const Suspect &project)
    {
        QStringList specs;
        for (const Suspect &file : *project.Below())
            specs << file.Key();
        return specs;
    }

    // Whether a check-out of `spec` is told with `pattern` left out of $/Web.
    bool checkOutReported(const QString &pattern, const QString &spec)
    {
        EngineFixture f;
        watchWeb(f, ExcludePatterns::parse(" ;" + pattern + " ; "));
        f.repo->addProject("$/Web/bin");
        f.repo->addProject("$/Web/bin/deep");
        for (const QString &file : {QString("$/Web/x.obj"), QString("$/Web/x.obj.txt"),
                                    QString("$/Web/bin/deep/x.txt"), QString("$/Web/binary.txt")})
            f.repo->addFile(file, "other", f.clock.now().addDays(-1));
        f.start();
        f.repo->checkOut(spec, "Dora");
        f.poll();
        return !f.records().isEmpty();
    }

private slots:
    void filesComeAndGoWithoutEventsOrErrors()
    {
        EngineFixture f;
        Suspect &web = watchWeb(f);
        QVERIFY(f.start());
        QCOMPARE(below(web), (QStringList{b, a})); // depth first, in stored order
        f.repo->checkOut(b, "Dora");
        f.repo->addFile(c, "other", f.clock.now());
        f.repo->checkOut(c, "Dora"); // it appears checked out: its current state
        f.poll();
        QCOMPARE(f.records(), (Records{{b, "Check Out"}}));
        f.repo->undoCheckOut(c, "Dora");
        f.repo->remove(a);
        f.poll(); // a left the project: dropped, no "Cannot find"
        QCOMPARE(f.records().last(), qMakePair(c, QString("Check In (Undo Check Out)")));
        QCOMPARE(below(web), (QStringList{b, c}));
        QVERIFY(f.shell.look != TrayLook::Error && !f.shell.statusText.startsWith("ERROR"));
        f.repo->recover(a); // back again: from its state now, no event
        f.poll();
        QVERIFY(below(web).contains(a) && f.records().size() == 2);
    }

    // Patterns by name (any case) or by path, "?" for one character, a
    // project by name with all below it; each row: the file checked out.
    void excludedFilesAndProjectsAreLeftOut()
    {
        const std::tuple<const char *, const char *, bool> rows[] = {
            {"*.OBJ", "$/Web/x.obj", true},
            {"*.obj", "$/Web/x.obj.txt", false},
            {"$/web/bin/*", "$/Web/bin/deep/x.txt", true},
            {"$/Web/bin/*", "$/Web/binary.txt", false},
            {"?.txt", "$/Web/a.txt", true},
            {"sub", "$/Web/sub/b.txt", true}};
        for (const auto &[pattern, spec, excluded] : rows)
            QVERIFY2(checkOutReported(pattern, spec) != excluded, spec);
    }
    // A file picked on its own and below a watched project, or below two
    // watched projects, is reported once, by the first entry in list order.
    void aFileReachedTwiceIsReportedOnce()
    {
        EngineFixture f;
        watchWeb(f);
        f.zel.MonitoredFiles.AddProject("$/Web/sub", {});
        f.zel.MonitoredFiles.Add(a, 0, 1, f.clock.now().addDays(-1), a);
        QVERIFY(f.start());
        f.repo->checkOut(a, "Dora");
        f.repo->checkOut(b, "Dora");
        f.poll();
        QCOMPARE(f.records(), (Records{{b, "Check Out"}, {a, "Check Out"}}));
    }

    // A project below that cannot be listed keeps its files: what happens
    // meanwhile is reported once it can be read again.
    void unreadableProjectKeepsItsFiles()
    {
        EngineFixture f;
        Suspect &web = watchWeb(f);
        QVERIFY(f.start());
        f.repo->failOn("Items", "$/Web/sub");
        f.repo->checkOut(b, "Dora");
        f.poll();
        QVERIFY(f.shell.statusText.startsWith("ERROR: Cannot read $/Web/sub: Injected"));
        QCOMPARE(below(web), (QStringList{b, a})); // depth first, in stored order
        f.repo->clearFailures();
        f.poll();
        QCOMPARE(f.records(), (Records{{b, "Check Out"}}));
        QCOMPARE(f.shell.statusText, QString("Files in the list: 1"));
    }

    // Over a real database: a file added right after a poll is taken in by
    // the next one, however soon it comes (a poll on writes), and watched
    // from then on.
    void fileAddedJustAfterAPollIsSeenByTheNext()
    {
        QTemporaryDir db;
        VssGen::create(db.path());
        VssWriter writer(db.path());
        writer.addProject("$/Web", VssGen::by("Admin", 1));
        writer.addFile(a, VssGen::by("Admin", 2), "x");
        WatchFixture f(VssDbFactory(), db.filePath("srcsafe.ini"), "Raul", "secret");
        f.zel.settings.ShowMessages = false;
        const Suspect &web = *f.zel.MonitoredFiles.AddProject("$/Web", {});
        QVERIFY(f.start());
        f.zel.CheckFiles();
        writer.addFile("$/Web/new.txt", VssGen::by("Admin", 3), "x");
        f.zel.CheckFiles();
        QCOMPARE(below(web), (QStringList{a, "$/Web/new.txt"}));
        writer.checkout("$/Web/new.txt", VssGen::by("Guest", 4));
        f.zel.CheckFiles();
        QCOMPARE(f.records(), (Records{{"$/Web/new.txt", "Check Out"}}));
    }

    // The entry and the states below it are stored with the list, so a
    // restart reports only what changed meanwhile; older versions read the
    // numbered entries only. Written by hand, "$/Web/..." reads too.
    void storedAndReadAgainAfterARestart()
    {
        QTemporaryDir dir;
        SettingsStore store(dir.path());
        {
            EngineFixture f;
            watchWeb(f, {"*.obj", "$/Web/bin/*"});
            f.zel.MonitoredFiles.Add(a, 0, 1, f.clock.now().addDays(-1), a);
            f.zel.setSettingsStore(&store);
            QVERIFY(f.start()); // the states it starts from are stored at once
            f.repo->checkOut(b, "Dora");
        }
        QCOMPARE(store.GetSetting(kAppName, "Params", "FilesCount"), QString("1"));
        QCOMPARE(store.GetSetting(kAppName, "Files", "1").section(';', 2), a);
        QCOMPARE(store.GetSetting(kAppName, "Files", "Project1"), QString("$/Web"));
        QCOMPARE(store.GetSetting(kAppName, "Files", "Project1.Exclude"),
                 QString("*.obj;$/Web/bin/*"));
        QVERIFY(store.GetSetting(kAppName, "Files", "Project1.1").endsWith(";" + b));
        QVERIFY(MissingFileEntries(store).isEmpty());

        store.SaveSetting(kAppName, "Files", "project1", "$/Web/...");
        EngineFixture f;
        f.zel.settings.ShowMessages = false;
        ReadFileList(store, f.zel.MonitoredFiles);
        QCOMPARE(f.zel.MonitoredFiles.Count(), 2);
        const Suspect &web = *f.zel.MonitoredFiles.Item(2);
        QVERIFY(web.IsProject() && web.Key() == "$/Web" && web.Excludes().size() == 2);
        f.repo->addProject("$/Web/sub");
        f.repo->addFile(a, "other", f.clock.now().addDays(-1));
        f.repo->addFile(b, "other", f.clock.now().addDays(-1));
        f.repo->checkOut(b, "Dora"); // while the program was not running
        QVERIFY(f.start());
        f.poll();
        QCOMPARE(f.records(), (Records{{b, "Check Out"}}));

        f.zel.MonitoredFiles.Remove("$/Web");
        StoreFileList(f.zel.MonitoredFiles, store);
        QCOMPARE(store.Keys(kAppName, "Files"), QStringList{"1"});
    }
};

QTEST_GUILESS_MAIN(TestProjects)
#include "tst_projects.moc"
