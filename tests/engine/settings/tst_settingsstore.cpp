#include "engine/settings/Autostart.h"
#include "engine/settings/SettingValues.h"
#include "engine/settings/Settings.h"
#include "engine/settings/SettingsStore.h"

#include <QtTest>

#include <unistd.h>

// The store on disk, the encodings of its values, the password scrambling
// and the start-at-logon entry.
class TestSettingsStore : public QObject
{
    Q_OBJECT

    QTemporaryDir xdgHome;

    static QByteArray onDisk(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QString codes(const QString &text)
    {
        QStringList out;
        for (QChar c : text)
            out << QString::number(c.unicode(), 16);
        return out.join(QLatin1Char(' '));
    }

private slots:
    void initTestCase()
    {
        // Nothing here may touch the user's own configuration.
        qputenv("XDG_CONFIG_HOME", xdgHome.path().toUtf8());
    }

    void valuesRoundTripThroughTheFile()
    {
        QTemporaryDir dir;
        const QStringList values = {
            QStringLiteral("1;06/12/2026 09:00:00;$/Web/a;b.txt"),
            QStringLiteral("a,b = c"),
            QStringLiteral("  edge spaces  "),
            QStringLiteral("C:\\tmp\\new\\srcsafe.ini"),
            QStringLiteral("@Variant(x)"),
            QStringLiteral("Ærø Ωμέγα 漢字 \U0001F600"),
        };
        {
            SettingsStore store(dir.path());
            for (int i = 0; i < values.size(); ++i)
                store.SaveSetting(kAppName, "Params", QString::number(i), values[i]);
            QVERIFY(store.commit());
            QCOMPARE(store.fileName(), dir.filePath("Quorvik.ini"));
        }
        SettingsStore again(dir.path());
        for (int i = 0; i < values.size(); ++i)
            QCOMPARE(again.GetSetting(kAppName, "Params", QString::number(i)), values[i]);
        QCOMPARE(again.GetSetting(kAppName, "Params", "Missing", "dflt"), QString("dflt"));
        QCOMPARE(again.GetSetting(kAppName, "Nowhere", "0", "dflt"), QString("dflt"));
    }

    void handWrittenFileReadsCaseInsensitively()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("Quorvik.ini"), "[params]\nusername=bob\nlist=a, b\n[files]\n1=x\n");
        SettingsStore store(dir.path());
        QCOMPARE(store.GetSetting(kAppName, "Params", "Username"), QString("bob"));
        QCOMPARE(store.GetSetting(kAppName, "Params", "List"), QString("a,b"));
        QCOMPARE(store.Keys(kAppName, "Files"), QStringList{"1"});
        // Deleting reaches the section whatever its case.
        store.DeleteSetting(kAppName, "Files");
        store.DeleteSetting(kAppName, "NoSuchSection");
        QVERIFY(store.commit());
        QVERIFY(SettingsStore(dir.path()).Keys(kAppName, "Files").isEmpty());
    }

    void defaultLocationIsTheUserConfigFolder()
    {
        const QString expected = xdgHome.filePath("Quorvik/Quorvik.ini");
        {
            SettingsStore store;
            QCOMPARE(store.fileName(), expected);
            store.SaveSetting(kAppName, "Params", "Debug", "False");
        } // destroying the store writes what is pending
        QVERIFY(onDisk(expected).contains("Debug=False"));
    }

    void fileIsReadableByItsOwnerOnly()
    {
        const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
        const QFile::Permissions others = QFile::ReadGroup | QFile::ReadOther;
        QTemporaryDir dir;
        const QString path = dir.filePath("Quorvik.ini");
        SettingsStore store(dir.path());
        store.SaveSetting(kAppName, "Params", "Password", "x");
        QVERIFY(store.commit());
        QCOMPARE(QFile::permissions(path) & (ownerOnly | others), ownerOnly);

        // A file opened up by someone else is closed again at the next write.
        QFile::setPermissions(path, ownerOnly | others);
        store.SaveSetting(kAppName, "Params", "Password", "y");
        QVERIFY(store.commit());
        QCOMPARE(QFile::permissions(path) & (ownerOnly | others), ownerOnly);
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
        const QByteArray oldList = onDisk(path);

        QFile oldHandle(path);
        QVERIFY(oldHandle.open(QIODevice::ReadOnly));

        // The rewrite, cut short before its commit: the disk holds the old list.
        store.DeleteSetting(kAppName, "Files");
        store.SaveSetting(kAppName, "Params", "FilesCount", "0");
        store.SaveSetting(kAppName, "Files", "1", "0;;$/new1");
        QCoreApplication::processEvents(); // QSettings would write here on its own
        QCOMPARE(onDisk(path), oldList);

        store.SaveSetting(kAppName, "Params", "FilesCount", "1");
        QVERIFY(store.commit());
        // The file was replaced, not rewritten in place: a reader that had it
        // open still sees the whole old list.
        QCOMPARE(oldHandle.readAll(), oldList);
        const QByteArray newList = onDisk(path);
        QVERIFY(newList.contains("FilesCount=1"));
        QVERIFY(newList.contains("new1"));
        QVERIFY(!newList.contains("old"));
    }

    void failedCommitIsReported()
    {
        if (::geteuid() == 0)
            QSKIP("file modes do not stop the superuser");
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("locked"));
        const QString locked = dir.filePath("locked");
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
        SettingsStore store(locked);
        store.SaveSetting(kAppName, "Params", "A", "1");
        QVERIFY(!store.commit());
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        store.SaveSetting(kAppName, "Params", "A", "2");
        QVERIFY(store.commit());
    }

    void flagsAndNumbers()
    {
        QCOMPARE(FlagToSetting(true), QString("True"));
        QCOMPARE(FlagToSetting(false), QString("False"));
        for (const char *yes : {"true", "TRUE", " True ", "1", "-1", "42"})
            QVERIFY2(FlagFromSetting(yes, false), yes);
        for (const char *no : {"false", "FaLsE", "0"})
            QVERIFY2(!FlagFromSetting(no, true), no);
        // Unreadable: the caller's default.
        QVERIFY(FlagFromSetting("yes", true));
        QVERIFY(!FlagFromSetting("", false));
        QCOMPARE(WholeNumberFromSetting(" 12 "), std::optional<int>(12));
        QCOMPARE(WholeNumberFromSetting("-1"), std::optional<int>(-1));
        QVERIFY(!WholeNumberFromSetting("3x"));
        QVERIFY(!WholeNumberFromSetting(""));
        QVERIFY(!WholeNumberFromSetting("99999999999"));
    }

    void datesRoundTripInEveryLocale_data()
    {
        QTest::addColumn<QString>("locale");
        for (const char *name :
             {"C", "en_US", "de_DE", "en_GB", "ko_KR", "zh_CN", "fa_IR", "ja_JP", "ar_EG", "hi_IN"})
            QTest::newRow(name) << QString(name);
    }
    void datesRoundTripInEveryLocale()
    {
        QFETCH(QString, locale);
        const QLocale l(locale);
        const QList<QDateTime> dates = {
            NeverRecordedDate(),
            QDateTime(QDate(2026, 12, 6), QTime(9, 5, 7)),
            QDateTime(QDate(1999, 2, 28), QTime(23, 59, 59)),
            QDateTime(QDate(2030, 7, 1), QTime(12, 0, 1)),
            QDateTime(QDate(2026, 1, 31), QTime(0, 0)),
        };
        for (const QDateTime &date : dates) {
            const QString text = DateToSetting(date, l);
            bool ok = false;
            QCOMPARE(DateFromSetting(text, l, &ok), date);
            QVERIFY2(ok, qPrintable(text));
            QVERIFY2(text.contains(l.toString(date.date(), "yyyy")), qPrintable(text));
        }
        // Midnight is written as the date alone.
        const QDateTime midnight(QDate(2026, 1, 31), QTime(0, 0));
        const QString dateOnly = DateToSetting(midnight, l);
        const QString withTime = DateToSetting(midnight.addSecs(1), l);
        QVERIFY2(withTime.startsWith(dateOnly) && withTime.size() > dateOnly.size(),
                 qPrintable(dateOnly + " / " + withTime));
        // Milliseconds are not stored; the second is.
        const QDateTime withMs(QDate(2026, 3, 3), QTime(10, 11, 12, 999));
        QCOMPARE(DateFromSetting(DateToSetting(withMs, l), l),
                 QDateTime(QDate(2026, 3, 3), QTime(10, 11, 12)));
    }

    void datesReadOtherForms()
    {
        const QLocale us("en_US");
        bool ok = false;
        QCOMPARE(DateFromSetting("1900-01-01", us, &ok), NeverRecordedDate());
        QVERIFY(ok);
        QCOMPARE(DateFromSetting("2026-12-06 09:05:07", us),
                 QDateTime(QDate(2026, 12, 6), QTime(9, 5, 7)));
        QCOMPARE(DateFromSetting("2026-12-06T09:05:07", us),
                 QDateTime(QDate(2026, 12, 6), QTime(9, 5, 7)));
        QCOMPARE(DateFromSetting("12/6/2026", us), QDateTime(QDate(2026, 12, 6), QTime(0, 0)));
        QCOMPARE(DateFromSetting("12/6/2026 9:05:07 PM", us),
                 QDateTime(QDate(2026, 12, 6), QTime(21, 5, 7)));
        QCOMPARE(DateFromSetting("06.12.2026 09:05:07", QLocale("de_DE")),
                 QDateTime(QDate(2026, 12, 6), QTime(9, 5, 7)));
        // A value written in UTC reads back as the same instant.
        const QDateTime utc(QDate(2026, 5, 5), QTime(5, 5, 5), Qt::UTC);
        QCOMPARE(DateFromSetting(DateToSetting(utc, us), us), utc);
        // An invalid date is stored as never recorded.
        QCOMPARE(DateFromSetting(DateToSetting(QDateTime(), us), us), NeverRecordedDate());

        for (const char *bad : {"", "yesterday", "13/45/2026", "2026-02-30"}) {
            ok = true;
            QCOMPARE(DateFromSetting(bad, us, &ok), NeverRecordedDate());
            QVERIFY2(!ok, bad);
        }
    }

    void passwordScrambling()
    {
        const QString scrambled = XorByLength("abc");
        QCOMPARE(codes(scrambled), QString("62 61 60"));
        QCOMPARE(XorByLength(scrambled), QString("abc"));
        QVERIFY(XorByLength(QString()).isEmpty());

        const QStringList texts = {
            QStringLiteral("pässwörd"),
            QStringLiteral("Пароль-密码-\U0001F511"),
            QString(97, QLatin1Char('a')), // 'a' XOR 97 would be NUL
            QString(300, QChar(0x00E9)),   // beyond the 8-bit range
            QString(0x800, QChar(0xD7FF)), // XOR 0x800 is a surrogate
            QString(0x7FE, QLatin1Char('x')) + QStringLiteral("\U0001F600"), // a pair, L 0x800
        };
        for (const QString &text : texts) {
            const QString s = XorByLength(text);
            QCOMPARE(s.size(), text.size());
            QCOMPARE(XorByLength(s), text);
            for (qsizetype i = 0; i < s.size(); ++i) {
                QVERIFY(s.at(i) != QChar(0));
                // Surrogates stay paired where they were, and appear nowhere else.
                QCOMPARE(s.at(i).isSurrogate(), text.at(i).isSurrogate());
            }
        }
    }

    void autostartEntry()
    {
        const QString path = AutostartFilePath("Quorvik");
        QCOMPARE(path, xdgHome.filePath("autostart/Quorvik.desktop"));

        SetRunAtStartup("Quorvik", "/opt/My Apps/quorvik", true);
        const QByteArray entry = onDisk(path);
        QVERIFY(entry.startsWith("[Desktop Entry]\n"));
        QVERIFY(entry.contains("\nType=Application\n"));
        QVERIFY(entry.contains("\nExec=\"/opt/My Apps/quorvik\"\n"));
        QVERIFY(entry.contains("\nX-GNOME-Autostart-Delay="));

        SetRunAtStartup("Quorvik", "/usr/bin/quorvik", true); // rewritten, not added to
        QCOMPARE(onDisk(path).count("Exec="), 1);
        QVERIFY(onDisk(path).contains("\nExec=/usr/bin/quorvik\n"));

        SetRunAtStartup("Quorvik", QString(), false);
        QVERIFY(!QFile::exists(path));
        SetRunAtStartup("Quorvik", QString(), false); // nothing to delete: silent
    }

    void execArgumentQuoting()
    {
        QCOMPARE(ExecArgument("/usr/bin/quorvik"), QString("/usr/bin/quorvik"));
        QCOMPARE(ExecArgument("/a b/q"), QString("\"/a b/q\""));
        // Inside quotes ", `, $ and \ are escaped; then the value's own
        // escaping doubles each backslash.
        QCOMPARE(ExecArgument("/x/$HOME\"`q"), QString("\"/x/\\\\$HOME\\\\\"\\\\`q\""));
        QCOMPARE(ExecArgument("/x\\y"), QString("\"/x\\\\\\\\y\""));
        QCOMPARE(ExecArgument("/100%/q"), QString("/100%%/q"));
        QCOMPARE(ExecArgument("/a\nb"), QString("\"/a\\nb\""));
    }

    void registryIsAbsentHere()
    {
#ifndef Q_OS_WIN
        QCOMPARE(ReadRegString("HKEY_CURRENT_USER", "Software\\Microsoft\\SourceSafe",
                               "Current Database", "dflt"),
                 QString("dflt"));
#endif
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
