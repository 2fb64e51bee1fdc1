#include "engine/WallClock.h"
#include "engine/settings/Autostart.h"
#include "engine/settings/SettingValues.h"
#include "engine/settings/Settings.h"
#include "engine/settings/SettingsStore.h"
#include "support/TestFiles.h"

#include <QtTest>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

// The store on disk, the encodings of its values, the password scrambling
// and the start-at-logon entry.
class TestSettingsStore : public QObject
{
    Q_OBJECT

    QTemporaryDir xdgHome;

private slots:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", xdgHome.path().toUtf8()); } // not the user's

    void valuesRoundTripThroughTheFile()
    {
        QTemporaryDir dir;
        const QStringList values = {"1;6 Dec 2026;$/a;b.txt", "a,b = c",     "  edge  ",
                                    "C:\\tmp\\new",           "@Variant(x)", "Ærø 漢字 \U0001F600"};
        SettingsStore store(dir.path());
        for (int i = 0; i < values.size(); ++i)
            store.SaveSetting(kAppName, "Params", QString::number(i), values[i]);
        QVERIFY(store.commit());
        SettingsStore again(dir.path());
        for (int i = 0; i < values.size(); ++i)
            QCOMPARE(again.GetSetting(kAppName, "Params", QString::number(i)), values[i]);
        QCOMPARE(again.GetSetting(kAppName, "Params", "Missing", "dflt"), QString("dflt"));

        // A file edited by hand: names in any case, an unquoted comma.
        QVERIFY(TestFiles::write(dir.filePath("Quorvik.ini"),
                                 "[params]\nusername=bob\nlist=a, b\n[files]\n1=x\n"));
        SettingsStore edited(dir.path());
        QCOMPARE(edited.GetSetting(kAppName, "Params", "Username") +
                     edited.GetSetting(kAppName, "Params", "List"),
                 "boba,b");
        edited.DeleteSetting(kAppName, "Files");
        edited.DeleteSetting(kAppName, "NoSuchSection");
        QVERIFY(edited.commit());
        QVERIFY(SettingsStore(dir.path()).Keys(kAppName, "Files").isEmpty());
    }

    // The default store is in the user's configuration folder; its file is
    // the owner's alone, even after someone else opened it up.
    void defaultFileIsTheOwners()
    {
#ifdef Q_OS_WIN
        QSKIP("the registry on Windows: tst_windowsplatform");
#endif
        const QString path = xdgHome.filePath("Quorvik/Quorvik.ini");
        const auto owner = QFile::ReadOwner | QFile::WriteOwner;
        const auto others = QFile::ReadGroup | QFile::ReadOther;
        for (const char *password : {"x", "y"}) {
            {
                SettingsStore store;
                QCOMPARE(store.fileName(), path);
                store.SaveSetting(kAppName, "Params", "Password", password);
            } // destroying the store writes what is pending
            QVERIFY(TestFiles::read(path).contains(QByteArray("Password=") + password));
            QCOMPARE(QFile::permissions(path) & (owner | others), owner);
            QFile::setPermissions(path, owner | others);
        }
    }

    void rewriteReachesTheDiskWholeOrNotAtAll()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Quorvik.ini");
        SettingsStore store(dir.path());
        for (int i = 1; i <= 3; ++i)
            store.SaveSetting(kAppName, "Files", QString::number(i), QString("0;;$/old%1").arg(i));
        store.SaveSetting(kAppName, "Params", "FilesCount", "3");
        QVERIFY(store.commit());
        const QByteArray oldList = TestFiles::read(path);
        QFile reader(path);
#ifndef Q_OS_WIN // where an open file cannot be replaced
        QVERIFY(reader.open(QIODevice::ReadOnly));
#endif
        // A rewrite cut short before its commit leaves the old list on disk.
        store.DeleteSetting(kAppName, "Files");
        store.SaveSetting(kAppName, "Params", "FilesCount", "0");
        store.SaveSetting(kAppName, "Files", "1", "0;;$/new1");
        QCoreApplication::processEvents(); // QSettings would write here on its own
        QCOMPARE(TestFiles::read(path), oldList);

        store.SaveSetting(kAppName, "Params", "FilesCount", "1");
        QVERIFY(store.commit());
        // Replaced, not rewritten in place: an open reader still sees it whole.
        if (reader.isOpen())
            QCOMPARE(reader.readAll(), oldList);
        const QByteArray newList = TestFiles::read(path);
        QVERIFY(newList.contains("FilesCount=1") && newList.contains("new1") &&
                !newList.contains("old"));
    }

    // A FIFO in place of the settings file reads as empty at once and is
    // neither read nor replaced by a commit.
    void fifoInPlaceOfTheFileIsNeverWaitedOn()
    {
#ifdef Q_OS_WIN
        QSKIP("no FIFOs there");
#else
        QTemporaryDir dir;
        const QString path = dir.filePath("Quorvik.ini");
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        SettingsStore store(dir.path());
        QCOMPARE(store.GetSetting(kAppName, "Params", "Inifile", "none"), QString("none"));
        store.SaveSetting(kAppName, "Params", "Inifile", "x");
        QVERIFY(!store.commit());
        QVERIFY(QFileInfo(path).isFile() == false && QFileInfo::exists(path));
#endif
    }

    void flags()
    {
        for (const char *yes : {"true", "TRUE", " True ", "1", "-1"})
            QVERIFY2(FlagFromSetting(yes, false), yes);
        for (const char *no : {"false", "FaLsE", "0"})
            QVERIFY2(!FlagFromSetting(no, true), no);
        QVERIFY(FlagFromSetting("yes", true) && !FlagFromSetting("", false));
    }

    // One form for every locale: what any locale wrote, every locale Qt
    // knows reads back the same wall-clock time (sq_AL could not read even
    // its own dates), a time in a daylight-saving gap included.
    void datesReadBackInEveryLocale()
    {
        const QDateTime dates[] = {NeverRecordedDate(), WallClockTime(QDate(2026, 1, 31), QTime()),
                                   WallClockTime(QDate(1999, 2, 28), QTime(23, 59, 59)),
                                   WallClockTime(QDate(2026, 3, 29), QTime(2, 30))};
        QStringList texts;
        for (const QDateTime &date : dates)
            texts << DateToSetting(date);
        QCOMPARE(texts, QStringList({"1900-01-01", "2026-01-31", "1999-02-28 23:59:59",
                                     "2026-03-29 02:30:00"}));
        QVERIFY(DateToSetting(dates[2].addMSecs(999)) == texts[2] && DateToSetting({}) == texts[0]);
        QList<QLocale> locales = QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript,
                                                          QLocale::AnyTerritory);
        locales << QLocale("sq_AL");
        for (const QLocale &l : locales)
            for (int i = 0; i < texts.size(); ++i) {
                bool ok = false;
                QCOMPARE(DateFromSetting(texts[i], l, &ok), dates[i]);
                QVERIFY2(ok, qPrintable(l.name()));
            }
    }

    // The forms written before: the locale's own, ISO with "T", 1900-01-01.
    void datesReadFormsWrittenBefore()
    {
        const QDateTime t = WallClockTime(QDate(2026, 12, 6), QTime(21, 5, 7));
        QList<std::tuple<const char *, const char *, QDateTime>> rows = {
            {"en_US", "12/6/2026 9:05:07 PM", t},
            {"en_US", "12/6/2026", WallClockTime(t.date(), QTime(0, 0))},
            {"de_DE", "06.12.2026 21:05:07", t},
            {"de_DE", "2026-12-06T21:05:07", t},
            {"ja_JP", "1900-01-01", NeverRecordedDate()}};
        for (const char *bad : {"", "yesterday", "13/45/2026", "2026-02-30", "2026-12-06 25:00:00",
                                "x026-12-06 21:05:07", "2026-12-06 21:05:0x"})
            rows.append({"en_US", bad, QDateTime()}); // unreadable: never recorded
        for (const auto &[locale, text, date] : rows) {
            bool ok = false;
            QCOMPARE(DateFromSetting(text, QLocale(locale), &ok),
                     date.isValid() ? date : NeverRecordedDate());
            QVERIFY2(ok == date.isValid(), text);
        }
    }

    void passwordScrambling()
    {
        const QString abc = XorByLength("abc");
        QVERIFY(abc == QString(QChar(0x62)) + QChar(0x61) + QChar(0x60) &&
                XorByLength(abc) == "abc");
        for (const QString &text : {QStringLiteral("Пароль-密码-\U0001F511"),
                                    QString(97, QLatin1Char('a')), // 'a' XOR 97 would be NUL
                                    QString(300, QChar(0x00E9)),   // beyond 8 bits
                                    QString(0x800, QChar(0xD7FF)), // XOR 0x800: a surrogate
                                    QString(0x7FE, QLatin1Char('x')) + "\U0001F600"}) {
            const QString s = XorByLength(text);
            QCOMPARE(XorByLength(s), text);
            for (qsizetype i = 0; i < s.size(); ++i) {
                QVERIFY(s.at(i) != QChar(0));
                QCOMPARE(s.at(i).isSurrogate(), text.at(i).isSurrogate());
            }
        }
    }

    void autostartEntry()
    {
#ifdef Q_OS_WIN
        QSKIP("the Run value on Windows: tst_windowsplatform");
#endif
        const QString path = AutostartFilePath("Quorvik");
        QCOMPARE(path, xdgHome.filePath("autostart/Quorvik.desktop"));
        SetRunAtStartup("Quorvik", "/opt/My Apps/quorvik", true);
        // Replaced, not added to; the options in use follow the program.
        SetRunAtStartup("Quorvik", "/usr/bin/quorvik", true, {"--config-dir", "/my dir"});
        const QByteArray entry = TestFiles::read(path);
        QVERIFY(entry.startsWith("[Desktop Entry]\nType=Application\n") &&
                entry.count("Exec=") == 1);
        QVERIFY(entry.contains("\nExec=/usr/bin/quorvik --config-dir \"/my dir\"\n"));
        for (int i = 0; i < 2; ++i) // the second has nothing to delete: silent
            SetRunAtStartup("Quorvik", QString(), false);
        QVERIFY(!QFile::exists(path));

        QCOMPARE(ExecArgument("/a b/q"), QString("\"/a b/q\""));
        // Inside quotes ", `, $ and \ are escaped; the value's own escaping
        // then doubles each backslash.
        QCOMPARE(ExecArgument("/x/$H\"`q"), QString("\"/x/\\\\$H\\\\\"\\\\`q\""));
        QCOMPARE(ExecArgument("/x\\y"), QString("\"/x\\\\\\\\y\""));
        QCOMPARE(ExecArgument("/100%/q"), QString("/100%%/q"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
