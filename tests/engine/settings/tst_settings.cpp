#include "support/EngineFixture.h"

#include "engine/settings/FileList.h"
#include "engine/settings/SettingValues.h"
#include "engine/settings/Settings.h"
#include "engine/settings/SettingsStore.h"

#include <QElapsedTimer>
#include <QtTest>

// Loading and saving the settings and the watched list.
class TestSettings : public QObject
{
    Q_OBJECT

    // A fresh engine and a store in its own folder.
    struct Fixture : EngineFixture
    {
        QTemporaryDir configDir;
        std::unique_ptr<SettingsStore> store = std::make_unique<SettingsStore>(configDir.path());

        Fixture() { zel.settings = ZelSettings(); }

        void set(const QString &section, const QString &key, const QString &value)
        {
            store->SaveSetting(kAppName, section, key, value);
        }
        QString get(const QString &section, const QString &key)
        {
            return store->GetSetting(kAppName, section, key, QStringLiteral("<none>"));
        }
        void storeFiles(const QStringList &entries, const QString &count)
        {
            for (int i = 0; i < entries.size(); ++i)
                set("Files", QString::number(i + 1), entries[i]);
            set("Params", "FilesCount", count);
        }
        // Loads into a fresh engine, as the next start of the program would.
        std::unique_ptr<EngineFixture> reload()
        {
            store->commit();
            store = std::make_unique<SettingsStore>(configDir.path());
            auto next = std::make_unique<EngineFixture>();
            next->zel.settings = ZelSettings();
            loaded = LoadSettings(next->zel, *store);
            return next;
        }
        bool loaded = false;
    };

    static void unsetEnvironment()
    {
        for (const char *name : {"ssdir", "SSDIR", "ssuser", "SSUSER"})
            qunsetenv(name);
    }

private slots:
    void init() { unsetEnvironment(); }
    void cleanupTestCase() { unsetEnvironment(); }

    void emptyStoreGivesDefaults()
    {
        Fixture f;
        QVERIFY(!LoadSettings(f.zel, *f.store));
        const ZelSettings &s = f.zel.settings;
        QVERIFY(s.UseLastDB && s.UseLastUser && !s.Debug);
        QVERIFY(s.ShowMessages && s.ShowIcon && s.PlaySound && s.NotifyIn && s.NotifyOut);
        QVERIFY(s.StartUp);
        QCOMPARE(s.PollDelay, qint16(3));
        QVERIFY(s.Inifile.isEmpty() && s.Username.isEmpty() && s.Password.isEmpty());
        QCOMPARE(f.zel.MonitoredFiles.Count(), 0);
        QCOMPARE(f.shell.refreshes, 1);
        QVERIFY(f.shell.statusText.isEmpty());
    }

    void everySettingRoundTrips()
    {
        Fixture f;
        ZelSettings &s = f.zel.settings;
        s.Inifile = "/srv/vss/srcsafe.ini";
        s.Username = "Dora";
        s.Password = "s3cret;=,Ω";
        s.ShowMessages = false;
        s.PlaySound = false;
        s.NotifyOut = false;
        s.StartUp = false;
        s.PollDelay = 7;
        f.zel.MonitoredFiles.Add("$/Web/a.txt", 1, 2, QDateTime(QDate(2026, 12, 6), QTime(9, 0, 1)),
                                 "$/Web/a.txt");
        f.zel.MonitoredFiles.Add("$/Web/a;b.txt", -1, 0, NeverRecordedDate(), "$/Web/a;b.txt");
        SaveSettings(f.zel, *f.store);

        QCOMPARE(f.get("Params", "StartUp"), QString("False"));
        QCOMPARE(f.get("Params", "UseLastDB"), QString("True"));
        QCOMPARE(f.get("Params", "PollDelay"), QString("7"));
        QCOMPARE(f.get("Params", "Debug"), QString("<none>")); // only the switch writes it
        QCOMPARE(f.get("Params", "Password"), XorByLength(s.Password));
        QVERIFY(f.get("Files", "2").startsWith("-1;"));

        auto next = f.reload();
        QVERIFY(f.loaded);
        const ZelSettings &r = next->zel.settings;
        QCOMPARE(r.Inifile, s.Inifile);
        QCOMPARE(r.Username, s.Username);
        QCOMPARE(r.Password, s.Password);
        QVERIFY(!r.ShowMessages && r.ShowIcon && !r.PlaySound && r.NotifyIn && !r.NotifyOut);
        QVERIFY(!r.StartUp);
        QCOMPARE(r.PollDelay, qint16(7));
        const Suspects &files = next->zel.MonitoredFiles;
        QCOMPARE(files.Count(), 2);
        QCOMPARE(files.Item(1)->Key(), QString("$/Web/a.txt"));
        QCOMPARE(files.Item(1)->Status(), qint16(1));
        QCOMPARE(files.Item(1)->ImageIndex(), qint16(2));
        QCOMPARE(files.Item(1)->DateIn(), QDateTime(QDate(2026, 12, 6), QTime(9, 0, 1)));
        QCOMPARE(files.Item("$/Web/a;b.txt")->Status(), qint16(-1));
        QCOMPARE(files.Item(2)->DateIn(), NeverRecordedDate());
        QCOMPARE(next->shell.statusText, QString("Files in the list: 2"));
        QCOMPARE(next->shell.inifile, s.Inifile);
        QCOMPARE(next->shell.user, s.Username);
        QCOMPARE(next->shell.password, s.Password);
    }

    void shortEntryForms()
    {
        const FileEntry bare = ParseFileEntry("$/Web/default.htm");
        QCOMPARE(bare.key, QString("$/Web/default.htm"));
        QCOMPARE(bare.status, qint16(-1));
        QCOMPARE(bare.lastDate, NeverRecordedDate());

        const FileEntry two = ParseFileEntry("2;$/Web/default.htm");
        QCOMPARE(two.key, QString("$/Web/default.htm"));
        QCOMPARE(two.status, qint16(2));
        QCOMPARE(two.lastDate, NeverRecordedDate());

        const FileEntry three = ParseFileEntry("0;1900-01-01;$/Web/a;b;c.txt");
        QCOMPARE(three.key, QString("$/Web/a;b;c.txt"));
        QCOMPARE(three.status, qint16(0));

        // Unreadable Status or date: still watched, as never recorded.
        for (const char *bad : {"x;1900-01-01;$/k", "7;1900-01-01;$/k", "1;someday;$/k"}) {
            const FileEntry e = ParseFileEntry(bad);
            QCOMPARE(e.key, QString("$/k"));
            QCOMPARE(e.status, qint16(-1));
            QCOMPARE(e.lastDate, NeverRecordedDate());
        }
        QVERIFY(ParseFileEntry("1;1900-01-01;").key.isEmpty());
    }

    void listLoadsOnlyWhatIsThere()
    {
        Fixture f;
        f.storeFiles({"$/a", "", "2;$/c", "1;1900-01-01;$/d", "$/a"}, "9");
        f.set("Files", "7", "$/g");
        f.set("Files", "12", "$/beyond-the-count");
        f.set("Files", "08", "$/not-a-key-of-the-list");
        auto next = f.reload();
        QStringList keys;
        for (const Suspect &s : next->zel.MonitoredFiles)
            keys << s.Key();
        // Empty entries and duplicates are skipped; the order is numeric.
        QCOMPARE(keys, (QStringList{"$/a", "$/c", "$/d", "$/g"}));
        QCOMPARE(next->zel.MonitoredFiles.Item(2)->ImageIndex(), qint16(3));
    }

    void hugeCountLoadsFast()
    {
        Fixture f;
        f.storeFiles({"$/a"}, "2147483647");
        QElapsedTimer clock;
        clock.start();
        auto next = f.reload();
        QVERIFY(clock.elapsed() < 2000);
        QCOMPARE(next->zel.MonitoredFiles.Count(), 1);
    }

    void countMissingOrNotNumericLoadsNothing()
    {
        for (const QString &count : {QString(), QStringLiteral("many")}) {
            Fixture f;
            f.storeFiles({"$/a"}, count);
            auto next = f.reload();
            QCOMPARE(next->zel.MonitoredFiles.Count(), 0);
        }
    }

    void saveLeavesNoStaleEntries()
    {
        Fixture f;
        f.storeFiles({"$/a", "$/b", "$/c"}, "3");
        f.zel.MonitoredFiles.Add("$/only", 0, 1, NeverRecordedDate(), "$/only");
        SaveSettings(f.zel, *f.store);
        QCOMPARE(f.get("Params", "FilesCount"), QString("1"));
        QCOMPARE(f.store->Keys(kAppName, "Files"), QStringList{"1"});

        // The poll's rewrite keeps the rest of the settings.
        f.set("Params", "Username", "kept");
        f.zel.MonitoredFiles.RemoveAll();
        StoreFileList(f.zel.MonitoredFiles, *f.store);
        QCOMPARE(f.get("Params", "FilesCount"), QString("0"));
        QVERIFY(f.store->Keys(kAppName, "Files").isEmpty());
        QCOMPARE(SettingsStore(f.configDir.path()).GetSetting(kAppName, "Params", "Username"),
                 QString("kept"));
    }

    void rememberSwitchesOff()
    {
        Fixture f;
        f.set("Params", "UseLastDB", "False");
        f.set("Params", "Inifile", "/stored/srcsafe.ini");
        f.set("Params", "Username", "Dora");
        f.set("Params", "Password", XorByLength("pw"));
        f.storeFiles({"$/a"}, "1");
        auto next = f.reload();
        QVERIFY(next->zel.settings.Inifile.isEmpty()); // not read, nothing discovered
        QCOMPARE(next->zel.settings.Username, QString("Dora"));
        QCOMPARE(next->zel.MonitoredFiles.Count(), 0); // the list needs both switches
        QVERIFY(!f.loaded);

        f.set("Params", "UseLastDB", "True");
        f.set("Params", "UseLastUser", "false");
        next = f.reload();
        QCOMPARE(next->zel.settings.Inifile, QString("/stored/srcsafe.ini"));
        QVERIFY(next->zel.settings.Username.isEmpty());
        QVERIFY(next->zel.settings.Password.isEmpty());
        QCOMPARE(next->zel.MonitoredFiles.Count(), 0);

        // Still written by the save, and the empty list replaces the stored one.
        next->zel.settings.Username = "Eve";
        SaveSettings(next->zel, *f.store);
        QCOMPARE(f.get("Params", "Username"), QString("Eve"));
        QCOMPARE(f.get("Params", "FilesCount"), QString("0"));
        QCOMPARE(f.get("Files", "1"), QString("<none>"));
    }

    void traceSwitchByUserName()
    {
        Fixture f;
        f.set("Params", "Username", "TrAcEiN");
        auto next = f.reload();
        QVERIFY(next->zel.settings.Debug);

        next->zel.settings.Username = "TRACEOUT";
        SaveSettings(next->zel, *f.store);
        QVERIFY(!next->zel.settings.Debug);
        QCOMPARE(f.get("Params", "Debug"), QString("False"));

        // Any other name leaves the stored flag alone.
        f.set("Params", "Debug", "True");
        next->zel.settings.Username = "Dora";
        next->zel.settings.Debug = false;
        SaveSettings(next->zel, *f.store);
        QCOMPARE(f.get("Params", "Debug"), QString("True"));

        // The environment's user name does not switch.
        f.set("Params", "Username", "");
        f.set("Params", "Debug", "False");
        qputenv("ssuser", "tracein");
        next = f.reload();
        QCOMPARE(next->zel.settings.Username, QString("tracein"));
        QVERIFY(!next->zel.settings.Debug);
    }

    void environmentFallbacks()
    {
        const QString sep = QDir::separator();
        Fixture f;
        qputenv("ssdir", "/srv/vss");
        qputenv("ssuser", "envuser");
        auto next = f.reload();
        QVERIFY(f.loaded);
        QCOMPARE(next->zel.settings.Inifile, "/srv/vss" + sep + "srcsafe.ini");
        QCOMPARE(next->zel.settings.Username, QString("envuser"));

        qputenv("ssdir", QString("/srv/vss" + sep).toUtf8()); // no doubled separator
        next = f.reload();
        QCOMPARE(next->zel.settings.Inifile, "/srv/vss" + sep + "srcsafe.ini");

        // Stored values win over the environment.
        f.set("Params", "Inifile", "/stored/srcsafe.ini");
        f.set("Params", "Username", "Dora");
        next = f.reload();
        QCOMPARE(next->zel.settings.Inifile, QString("/stored/srcsafe.ini"));
        QCOMPARE(next->zel.settings.Username, QString("Dora"));
    }

    void corruptValuesFallBackToDefaults()
    {
        Fixture f;
        f.set("Params", "UseLastDB", "maybe");
        f.set("Params", "ShowIcon", "0");
        f.set("Params", "NotifyIn", "yes");
        f.set("Params", "Debug", "1");
        for (const char *delay : {"8", "-1", "three", ""}) {
            f.set("Params", "PollDelay", delay);
            auto next = f.reload();
            QCOMPARE(next->zel.settings.PollDelay, qint16(3));
            QVERIFY(next->zel.settings.UseLastDB);
            QVERIFY(!next->zel.settings.ShowIcon);
            QVERIFY(next->zel.settings.NotifyIn);
            QVERIFY(next->zel.settings.Debug);
        }
        f.set("Params", "PollDelay", "0");
        QCOMPARE(f.reload()->zel.settings.PollDelay, qint16(0));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
