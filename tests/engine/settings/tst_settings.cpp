#include "support/EngineFixture.h"

#include "engine/settings/FileList.h"
#include "engine/settings/SettingValues.h"
#include "engine/settings/Settings.h"
#include "engine/settings/SettingsReload.h"
#include "engine/settings/SettingsStore.h"

#include <QtTest>

using Values = std::initializer_list<std::pair<const char *, const char *>>;

// Loading and saving the settings and the watched list.
class TestSettings : public QObject
{
    Q_OBJECT

    // A store in its own folder; each load runs in a fresh engine, as the
    // next start of the program would.
    struct Fixture
    {
        QTemporaryDir dir;
        std::unique_ptr<SettingsStore> store = std::make_unique<SettingsStore>(dir.path());
        std::unique_ptr<EngineFixture> engine;
        bool loaded = false;

        void set(Values values, const QString &section = "Params")
        {
            for (const auto &[key, value] : values)
                store->SaveSetting(kAppName, section, key, value);
        }
        QString get(const QString &key, const QString &section = "Params")
        {
            return store->GetSetting(kAppName, section, key, "<none>");
        }
        modZel &load()
        {
            store->commit();
            store = std::make_unique<SettingsStore>(dir.path());
            engine = std::make_unique<EngineFixture>();
            engine->zel.settings = ZelSettings();
            loaded = LoadSettings(engine->zel, *store);
            return engine->zel;
        }
        QStringList loadedKeys()
        {
            QStringList keys;
            for (const Suspect &s : load().MonitoredFiles)
                keys << s.Key();
            return keys;
        }
        void setCount(const QString &count) { set({{"FilesCount", qPrintable(count)}}); }
    };
    static void storeList(SettingsStore &to, const QStringList &keys, int writes = -1)
    {
        Suspects list;
        for (const QString &key : keys)
            list.Add(key, 0, 1, NeverRecordedDate(), key);
        to.simulateCrashAfter(writes);
        StoreFileList(list, to);
    }

private slots:
    void init()
    {
        for (const char *name : {"ssdir", "SSDIR", "ssuser", "SSUSER"})
            qunsetenv(name);
    }

    void everySettingRoundTrips()
    {
        Fixture f;
        const ZelSettings defaults = f.load().settings;
        QVERIFY(!f.loaded && defaults.UseLastDB && defaults.UseLastUser && !defaults.Debug &&
                defaults.StartUp);
        QVERIFY(defaults.DesktopNotify && !defaults.IgnoreOwnChanges && defaults.PollDelay == 3);
        modZel &zel = f.engine->zel;
        ZelSettings &s = zel.settings;
        s.Inifile = "/srv/vss/srcsafe.ini";
        s.Username = "Dora";
        s.Password = "s3cret;=,Ω";
        s.ShowMessages = s.PlaySound = s.NotifyOut = s.StartUp = s.DesktopNotify = false;
        s.IgnoreOwnChanges = true;
        s.IgnoreChangesBy = {"Robot", "Build Bot"};
        s.PollDelay = 7;
        const ShareLogin share{"me", "DOM", "pw;x", "/home/me/.smbcredentials"};
        s.Share = share;
        const QDateTime when(QDate(2026, 12, 6), QTime(9, 0, 1));
        zel.MonitoredFiles.Add("$/Web/a.txt", 1, 2, when, "$/Web/a.txt");
        zel.MonitoredFiles.Add("$/Web/a;b.txt", -1, 0, NeverRecordedDate(), "$/Web/a;b.txt");
        SaveSettings(zel, *f.store);
        // Debug is written only by the user-name switch.
        QVERIFY(f.get("Debug") == "<none>" && f.get("Password") == XorByLength(s.Password));
        QCOMPARE(f.get("SharePassword"), XorByLength("pw;x"));
        ShareLogin::setCurrent({});
        const ZelSettings r = f.load().settings;
        QVERIFY(f.loaded && r.Share == share && ShareLogin::current() == share);
        QCOMPARE(QStringList({r.Inifile, r.Username, r.Password, f.engine->shell.password}),
                 QStringList({"/srv/vss/srcsafe.ini", "Dora", "s3cret;=,Ω", "s3cret;=,Ω"}));
        QVERIFY(!r.ShowMessages && r.ShowIcon && !r.PlaySound && r.NotifyIn && !r.NotifyOut);
        QVERIFY(!r.StartUp && !r.DesktopNotify && r.IgnoreOwnChanges && r.UseLastDB &&
                r.PollDelay == 7);
        QCOMPARE(r.IgnoreChangesBy, QStringList({"Robot", "Build Bot"}));
        const Suspects &files = f.engine->zel.MonitoredFiles;
        QVERIFY(files.Item(1)->ImageIndex() == 2 && files.Item(1)->DateIn() == when);
        QVERIFY(files.Item("$/Web/a;b.txt")->Status() == -1 &&
                f.engine->shell.statusText == "Files in the list: 2");
        // A store an older version saved keeps its behaviour; the log
        // settings' keys alone are still a first start.
        QCOMPARE(f.get("SettingsVersion"), "2");
        Fixture old, logOnly;
        old.set({{"ShowMessages", "True"}});
        QVERIFY(!old.load().settings.DesktopNotify && !old.engine->zel.settings.IgnoreOwnChanges);
        logOnly.set({{"Logfile", "/tmp/QVEvent.txt"}, {"MaxLogSize", "1024"}});
        QVERIFY(logOnly.load().settings.DesktopNotify);
    }

    // The credentials file as mount.cifs reads it wins over the settings.
    void shareCredentialsFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("credentials");
        TestFiles::write(path, "username=file\r\npassword= two words \n# note\ndomain=D2\n");
        const ShareLogin r = ShareLogin{"set", "D1", "pw", path}.resolved();
        QCOMPARE(QStringList({r.user, r.domain, r.password}),
                 QStringList({"file", "D2", " two words "}));
        QString error;
        QCOMPARE(ShareLogin({"set", "D1", "pw", path + "x"}).resolved(&error).user, "set");
        QVERIFY(error.contains("credentials file"));
    }

    // Each: a stored entry, then "status;key"; the date is never recorded
    // unless given. Unreadable status or date: still watched, as never recorded.
    void entryForms()
    {
        const QDateTime when = WallClockTime(QDate(2026, 1, 2), QTime(3, 4, 5));
        for (const auto &[value, parsed] : {std::pair{"$/Web/default.htm", "-1;$/Web/default.htm"},
                                            {"2;$/Web/default.htm", "2;$/Web/default.htm"},
                                            {"0;1900-01-01;$/a;b;c", "0;$/a;b;c"},
                                            {"1;2026-01-02 03:04:05;$/k", "1;$/k"},
                                            {"x;2026-01-02;$/k", "-1;$/k"},
                                            {"7;2026-01-02;$/k", "-1;$/k"},
                                            {"1;someday;$/k", "-1;$/k"},
                                            {"1;1900-01-01;", "1;"}}) {
            const FileEntry entry = ParseFileEntry(value);
            QCOMPARE(QString::number(entry.status) + ';' + entry.key, parsed);
            QCOMPARE(entry.lastDate, QString(value).contains("03:04") ? when : NeverRecordedDate());
        }
    }

    // Empty entries and duplicates are skipped; the order is numeric; only
    // what is there is read, whatever the count says.
    void listLoadsOnlyWhatIsThere()
    {
        Fixture f;
        f.set({{"1", "$/a"}, {"2", ""}, {"3", "2;$/c"}, {"4", "$/a"}, {"7", "$/g"}}, "Files");
        f.set({{"12", "$/beyond-the-count"}, {"08", "$/not-a-list-key"}}, "Files");
        f.setCount("9");
        QCOMPARE(f.loadedKeys(), (QStringList{"$/a", "$/c", "$/g"}));
        f.setCount("2147483647");
        QCOMPARE(f.loadedKeys().size(), 4);
        for (const char *count : {"", "many"}) {
            f.setCount(count);
            QVERIFY(f.loadedKeys().isEmpty());
        }
    }

    // Entries are read and written by their exact names: however long the
    // list, and however its section is spelt, the store is listed as often
    // when loading it and when storing it grown by one file.
    void loadingAndStoringListTheStoreAFixedNumberOfTimes()
    {
        for (const char *section : {"Files", "FILES"}) {
            QList<int> scans;
            for (int count : {10, 1000}) {
                Fixture f;
                for (int i = 1; i <= count; ++i)
                    f.store->SaveSetting(kAppName, section, QString::number(i),
                                         "$/f" + QString::number(i));
                f.setCount(QString::number(count));
                modZel &zel = f.load();
                QCOMPARE(zel.MonitoredFiles.Count(), count);
                zel.MonitoredFiles.Add("$/new", 0, 1, NeverRecordedDate(), "$/new");
                StoreFileList(zel.MonitoredFiles, *f.store);
                scans << f.store->scans();
                QCOMPARE(f.load().MonitoredFiles.Count(), count + 1);
            }
            QVERIFY2(scans[0] == scans[1] && scans[1] <= 12, section);
        }
    }

    // The registry takes each value as it comes: a rewrite cut short after
    // any number of changes loads every file that was and stays in the list.
    void rewriteCutShortLosesNoFileKept()
    {
        const QStringList before = {"$/a", "$/b", "$/c", "$/d"};
        for (const QStringList &after : {QStringList{"$/a", "$/c", "$/d"},
                                         {"$/b", "$/d"},
                                         before + QStringList{"$/e", "$/f"},
                                         {}}) {
            for (int writes = 0; writes <= before.size() + after.size() + 1; ++writes) {
                Fixture f;
                storeList(*f.store, before);
                storeList(*f.store, after, writes);
                const QStringList loaded = f.loadedKeys();
                for (const QString &key : after)
                    QVERIFY2(!before.contains(key) || loaded.contains(key), qPrintable(key));
                for (const QString &key : loaded)
                    QVERIFY(before.contains(key) || after.contains(key));
            }
            Fixture whole; // not cut short: exactly the new list, no stale entry, the rest kept
            storeList(*whole.store, before);
            storeList(*whole.store, after);
            QCOMPARE(whole.loadedKeys(), after);
            QVERIFY(whole.store->Keys(kAppName, "Files").size() == after.size() &&
                    whole.get("FilesCount") == QString::number(after.size()));
        }
    }

    // The list needs both switches; the save still writes the user and
    // replaces the stored list.
    void rememberSwitchesOff()
    {
        Fixture f;
        f.set({{"UseLastDB", "False"}, {"Inifile", "/stored/srcsafe.ini"}, {"Username", "Dora"}});
        storeList(*f.store, {"$/a"});
        modZel *zel = &f.load();
        QVERIFY(zel->settings.Inifile.isEmpty() && !f.loaded && zel->MonitoredFiles.Count() == 0);
        QCOMPARE(zel->settings.Username, QString("Dora"));
        f.set({{"UseLastDB", "True"}, {"UseLastUser", "false"}});
        zel = &f.load();
        QCOMPARE(zel->settings.Inifile, QString("/stored/srcsafe.ini"));
        QVERIFY(zel->settings.Username.isEmpty() && zel->MonitoredFiles.Count() == 0);
        zel->settings.Username = "Eve";
        SaveSettings(*zel, *f.store);
        QVERIFY(f.get("Username") == "Eve" && f.get("1", "Files") == "<none>");
    }

    // The user names TRACEIN and TRACEOUT switch the trace; the environment
    // gives the folder and user when nothing is stored, and does not switch.
    void traceSwitchAndEnvironment()
    {
        Fixture f;
        f.set({{"Username", "TrAcEiN"}});
        modZel *zel = &f.load();
        QVERIFY(zel->settings.Debug);
        zel->settings.Username = "TRACEOUT";
        SaveSettings(*zel, *f.store);
        QVERIFY(!zel->settings.Debug && f.get("Debug") == "False");
        f.set({{"Debug", "True"}}); // any other name leaves the stored flag alone
        zel->settings.Username = "Dora";
        SaveSettings(*zel, *f.store);
        QCOMPARE(f.get("Debug"), QString("True"));

        Fixture e;
        qputenv("ssuser", "tracein");
        qputenv("ssdir", QByteArray("/srv/vss") + QDir::separator().toLatin1());
        const ZelSettings s = e.load().settings;
        QVERIFY(e.loaded && !s.Debug);
        QCOMPARE(s.Inifile + s.Username,
                 "/srv/vss" + QString(QDir::separator()) + "srcsafe.initracein");
        e.set({{"Inifile", "/stored/srcsafe.ini"}}); // stored values win
        QCOMPARE(e.load().settings.Inifile, QString("/stored/srcsafe.ini"));
    }

    // Unreadable values fall back to the defaults, or keep the start values.
    void unreadableValuesFallBack()
    {
        Fixture f;
        f.set({{"UseLastDB", "maybe"}, {"ShowIcon", "0"}, {"Debug", "1"}, {"MaxAction", "7"}});
        f.set({{"MaxLogSize", "big"}});
        for (const auto &[delay, timeout] :
             {std::pair{"8", "0"}, {"-1", "-5"}, {"three", "99999"}, {"", "abc"}}) {
            f.set({{"PollDelay", delay}, {"OnEventTimeout", timeout}});
            const ZelSettings s = f.load().settings;
            QVERIFY(s.PollDelay == 3 && s.UseLastDB && !s.ShowIcon && s.Debug);
            QCOMPARE(s.OnEventTimeout, 30);
            QCOMPARE(f.engine->shell.statuses.filter("OnEventTimeout=" + QString(timeout)).size(),
                     1);
        }
        f.set({{"PollDelay", "0"}});
        modZel &zel = f.load();
        QCOMPARE(zel.settings.PollDelay, qint16(0));
        const QString startPath = zel.eventLog.EventLogPath;
        LoadEventLogSettings(zel, *f.store);
        QVERIFY(zel.eventLog.MaxAction == 0 && zel.eventLog.MaxLogSize.isEmpty() &&
                zel.eventLog.EventLogPath == startPath);
        f.set({{"Logfile", "/logs/events.txt"},
               {"MaxLogSize", "2048"},
               {"MaxAction", "1"},
               {"MaxDays", "3"}});
        modZel &again = f.load(); // it replaces the store
        LoadEventLogSettings(again, *f.store);
        const EventLogFile &log = again.eventLog;
        QCOMPARE(QStringList({log.EventLogPath, log.MaxLogSize, log.MaxDays}),
                 QStringList({"/logs/events.txt", "2048", "3"}));
        QCOMPARE(log.MaxAction, qint16(1));
    }

    // SIGHUP's reload. A list caught halfway (fewer entries than its count)
    // or settings that cannot start a session leave the watcher as it was,
    // watching; a new password is a new login; a new event log drops the
    // old log's rows.
    void reloadKeepsWatchingOnWhatItCannotUse()
    {
        Fixture f;
        const QStringList files{"$/Web/a.txt", "$/Web/b.txt"};
        const QByteArray password = XorByLength("pw").toUtf8();
        f.set({{"Inifile", "/vss/srcsafe.ini"},
               {"Username", "me"},
               {"Password", password.constData()}});
        f.set({{"ShowMessages", "False"}});
        modZel &zel = f.load();
        EngineFixture &e = *f.engine;
        for (const QString &spec : files)
            e.watch(spec);
        QVERIFY(e.start());
        e.repo->checkOut(files[0], "Dora");
        e.poll();
        const auto reload = [&](Values values, const QStringList &list, int dropped = 0) {
            f.set(values);
            storeList(*f.store, list);
            for (int n = list.size() - dropped + 1; n <= list.size(); ++n)
                f.store->DeleteSetting(kAppName, "Files", QString::number(n));
            f.store->commit();
            return ReloadSettings(zel, *f.store);
        };
        for (const auto &[list, dropped, said] :
             {std::tuple{files + QStringList{"$/Web/c.txt"}, 2,
                         "not whole (FilesCount is 3, but section Files names 1"},
              {QStringList{"$/Web/gone.txt"}, 0, "cannot be used"}}) {
            e.shell.statuses.clear();
            QVERIFY(!reload({}, list, dropped) && !e.shell.statuses.filter(said).isEmpty());
            QVERIFY(zel.SessionOpen && zel.MonitoredFiles.Count() == 2 &&
                    e.file(files[0]).Status() == 1);
        }
        e.repo->undoCheckOut(files[0], "Dora");
        e.poll(); // watching went on
        QCOMPARE(e.records().last(), qMakePair(files[0], QString("Check In (Undo Check Out)")));

        QVERIFY(!reload({{"Password", qPrintable(XorByLength("new"))}}, files));
        e.repo->addUser("me", "new");
        QVERIFY(reload({}, files));
        QVERIFY(e.rows().count() > 0);
        QVERIFY(reload({{"Logfile", qPrintable(e.dir.filePath("other.txt"))}}, files));
        QCOMPARE(e.rows().count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
