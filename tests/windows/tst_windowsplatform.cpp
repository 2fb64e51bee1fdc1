#include "VssWriter.h"
#include "engine/eventlog/EventLogFile.h"
#include "engine/program/ProgramPaths.h"
#include "engine/repository/vssdb/VssIni.h"
#include "engine/settings/Settings.h"
#include "engine/settings/SettingsStore.h"
#include "support/EngineFixture.h"
#include "ui/about/frmAbout.h"
#include "ui/main/DesktopSound.h"

#include "../engine/repository/vssdb/VssFixtures.h"

#include <QtTest>

// What only the Windows build has: the registry, its paths, the trace
// place, the beep. Runs under Wine in the Windows test run.
class TestWindowsPlatform : public QObject
{
    Q_OBJECT

    const QString kStoreKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Quorvik");

    static QSettings registry(const QString &key)
    {
        return QSettings(key, QSettings::NativeFormat);
    }

private slots:
    void init() { registry(kStoreKey).clear(); }
    void cleanupTestCase() { registry(kStoreKey).clear(); }

    void settingsRoundTripThroughTheRegistry()
    {
        EngineFixture saved;
        ZelSettings &s = saved.zel.settings;
        s.Inifile = "\\\\server\\vss\\srcsafe.ini";
        s.Username = "Dora";
        s.Password = "pä ss";
        s.PollDelay = 5;
        s.ShowMessages = false;
        const QDateTime seen(QDate(2026, 12, 6), QTime(9, 5));
        for (const char *key : {"$/a.txt", "$/b; c.txt", "$/Ünï.txt"})
            saved.zel.MonitoredFiles.Add(QString::fromUtf8(key), 1, 2, seen);
        {
            SettingsStore store; // no folder: the registry
            QVERIFY(store.fileName().isEmpty());
            SaveSettings(saved.zel, store);
        }
        // Sections are subkeys, values are strings, as a user sees them in regedit.
        QSettings raw = registry(kStoreKey);
        QCOMPARE(QStringList({raw.value("Params/Inifile").toString(),
                              raw.value("Params/FilesCount").toString(),
                              raw.value("Params/ShowMessages").toString()}),
                 QStringList({s.Inifile, "3", "False"}));
        QVERIFY(raw.value("Files/2").toString().endsWith(";$/b; c.txt"));

        EngineFixture loaded;
        SettingsStore store;
        QVERIFY(LoadSettings(loaded.zel, store));
        const ZelSettings &l = loaded.zel.settings;
        QCOMPARE(QStringList({l.Inifile, l.Username, l.Password}),
                 QStringList({s.Inifile, s.Username, s.Password}));
        QVERIFY(l.PollDelay == 5 && !l.ShowMessages);
        QCOMPARE(loaded.zel.MonitoredFiles.Count(), 3);
        QCOMPARE(loaded.zel.MonitoredFiles.Item(QString::fromUtf8("$/Ünï.txt"))->DateIn(), seen);

        // A rewrite cut short in the registry (each value lands at once)
        // still loads every file that stays.
        saved.zel.MonitoredFiles.Remove("$/a.txt");
        store.simulateCrashAfter(1);
        StoreFileList(saved.zel.MonitoredFiles, store);
        EngineFixture again;
        SettingsStore reread;
        LoadSettings(again.zel, reread);
        QVERIFY(again.zel.MonitoredFiles.Exists("$/b; c.txt") &&
                again.zel.MonitoredFiles.Exists(QString::fromUtf8("$/Ünï.txt")));
    }

    void runValue()
    {
        // A path with a space is quoted; backslashes as Windows spells them.
        const std::pair<const char *, const char *> paths[] = {
            {"C:/Program Files/Quorvik/quorvik.exe", "\"C:\\Program Files\\Quorvik\\quorvik.exe\""},
            {"D:\\Tools\\quorvik.exe", "D:\\Tools\\quorvik.exe"}};
        for (const auto &[path, value] : paths) {
            SetRunAtStartup("Quorvik", path, true);
            QCOMPARE(registry(QString::fromLatin1(kRunKey)).value("Quorvik").toString(),
                     QString(value));
        }
        SetRunAtStartup("Quorvik", QString(), false);
        QVERIFY(!registry(QString::fromLatin1(kRunKey)).contains("Quorvik"));
        SetRunAtStartup("Quorvik", QString(), false); // nothing to remove: silent
    }

    // With no database remembered and no "ssdir", the VSS client's current one.
    void currentDatabaseOfTheVssClient()
    {
        qunsetenv("SSDIR");
        QSettings client = registry("HKEY_CURRENT_USER\\Software\\Microsoft\\SourceSafe");
        for (const char *folder : {"C:\\VSS\\Main", "C:\\VSS\\Main\\"}) {
            client.setValue("Current Database", folder);
            client.sync();
            EngineFixture f;
            SettingsStore store;
            LoadSettings(f.zel, store);
            QCOMPARE(f.zel.settings.Inifile, QString("C:\\VSS\\Main\\srcsafe.ini"));
        }
        client.remove("Current Database");
    }

    void systemInformationTool()
    {
        QTemporaryDir dir;
        const QString folder = QDir::toNativeSeparators(dir.path());
        QFile(dir.filePath("MSINFO32.EXE")).open(QIODevice::WriteOnly);
        QSettings tools = registry("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools");
        tools.remove("MSINFO");
        QSettings location =
            registry("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location");
        location.setValue("MSINFO", folder);
        location.sync();
        QCOMPARE(frmAbout::FindSysInfoTool().program, folder + "\\MSINFO32.EXE");
        tools.setValue("MSINFO/PATH", "C:\\Tools\\msinfo32.exe"); // the first place asked
        tools.sync();
        QCOMPARE(frmAbout::FindSysInfoTool().program, QString("C:\\Tools\\msinfo32.exe"));
        tools.remove("MSINFO");
        location.remove("MSINFO");
    }

    void traceEventLogAndSound()
    {
        QCOMPARE(TraceLogPath(), QString("c:\\quorvik.log"));
        QFile::remove("c:/quorvik.log");
        EngineFixture f;
        f.zel.settings.Debug = true;
        f.zel.Trace("traced", "here");
        QFile trace("c:/quorvik.log");
        QVERIFY(trace.open(QIODevice::ReadOnly));
        QVERIFY(trace.readAll().contains("traced"));
        trace.remove();

        QTemporaryDir program;
        QCOMPARE(ProgramPaths::DefaultEventLogPath(program.path()),
                 QDir::toNativeSeparators(program.filePath("QVEvent.txt")));
        const QString fallback = ProgramPaths::DefaultEventLogPath("C:\\no\\such\\folder");
        QCOMPARE(fallback, QDir::toNativeSeparators(QStandardPaths::writableLocation(
                                                        QStandardPaths::AppLocalDataLocation) +
                                                    "/QVEvent.txt"));
        QVERIFY(fallback.contains("AppData\\Local", Qt::CaseInsensitive));

        DesktopSound sound; // the beep: the system's default sound
        QCOMPARE(sound.method(), DesktopSound::Bell);
        QCOMPARE(sound.play(), DesktopSound::Bell);
    }

    // Drive letters, backslashes, any case; Data_Path relative or absolute;
    // UNC names resolved as the reader opens them.
    void readerOnWindowsPaths()
    {
        const QString ini = QDir::toNativeSeparators(
            QFileInfo(VssFixtures::ini("rauls-newscaster")).absoluteFilePath());
        QVERIFY2(ini.startsWith("Z:\\"), qPrintable(ini));
        for (const QString &path : {ini, ini.toUpper(), QDir::fromNativeSeparators(ini)}) {
            auto db = VssFixtures::open(path, "raul", "raul");
            QCOMPARE(db->VSSItem("$/WIDGIE/avi_playerdlg.cpp")->Type(), int(VSSItem::File));
        }

        QTemporaryDir dir;
        const QString db = dir.filePath("db");
        VssWriter::create(db, {{"Dora", ""}}, QDateTime(QDate(2026, 11, 1), QTime(9, 0)));
        VssWriter(db).addFile("$/a.txt", {"Dora", QDateTime::currentDateTime(), {}}, "a");
        const QString data = QDir::toNativeSeparators(db + "/data");
        for (const QString &dataPath :
             {QString("data"), QString(".\\DATA"), data, data.toLower()}) {
            QFile file(db + "/srcsafe.ini");
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(("Data_Path = " + dataPath + "\r\n").toLocal8Bit());
            file.close();
            auto opened = VssFixtures::open(QDir::toNativeSeparators(db + "/SrcSafe.ini"), "dora");
            QVERIFY2(opened->VSSItem("$/A.TXT"), qPrintable(dataPath));
        }

        const QString unc = "\\\\server\\share\\vss\\srcsafe.ini";
        QCOMPARE(VssIni::resolvePath(unc, VssIni::parse("Data_Path = data\r\n").dataPath),
                 QString("//server/share/vss/data"));
        QCOMPARE(
            VssIni::resolvePath(unc, VssIni::parse("Data_Path = \\\\nas\\vss\\data\r\n").dataPath),
            QString("//nas/vss/data"));
        QCOMPARE(VssIni::resolvePath(unc, VssIni::parse("Data_Path = ..\\data\r\n").dataPath),
                 QString("//server/share/data"));
    }
};

QTEST_MAIN(TestWindowsPlatform)
#include "tst_windowsplatform.moc"
