#include "support/TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// `cmake --install` of this build folder into a temporary prefix: the files
// a desktop needs, the user service unit, a manual whose links all resolve,
// and installed programs that run on their own.
class TestInstall : public QObject
{
    Q_OBJECT

    QTemporaryDir m_prefix;
    QTemporaryDir m_home; // settings, data, cache and runtime folders of the runs

    QString installed(const QString &relative) const { return m_prefix.filePath(relative); }
    QString text(const QString &relative) const
    {
        return QString::fromUtf8(TestFiles::read(installed(relative)));
    }
    // A process over an installed program, or another, in an isolated home.
    void start(QProcess &p, const QString &program, const QStringList &args) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HOME", m_home.path());
        for (const char *name :
             {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
            const QString folder = m_home.filePath(QString::fromLatin1(name));
            QDir().mkpath(folder);
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            env.insert(QString::fromLatin1(name), folder);
        }
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program.contains('/') ? program : installed("bin/" + program), args);
    }
    QString run(const QString &program, const QStringList &args) const
    {
        QProcess p;
        start(p, program, args);
        if (!p.waitForFinished(30000) || p.exitCode() != 0)
            return QStringLiteral("failed: ") + p.readAll();
        return QString::fromUtf8(p.readAll());
    }

private slots:
    void initTestCase()
    {
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(
            QStringLiteral(QUORVIK_CMAKE_COMMAND),
            {"--install", QStringLiteral(QUORVIK_BUILD_DIR), "--prefix", m_prefix.path()});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
                 install.readAll().constData());
    }

    void installsTheProgramsTheirDesktopEntryAndIcon()
    {
        // No test, benchmark, database writer or fuzz target comes along.
        const auto entries = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
        QCOMPARE(QDir(installed("bin")).entryList(entries),
                 QStringList({"quorvik", "quorvik-vss"}));
        QCOMPARE(QDir(m_prefix.path()).entryList(entries), QStringList({"bin", "lib", "share"}));
        QCOMPARE(QDir(installed("lib")).entryList(entries), QStringList{"systemd"});
        // The licence where Debian keeps it, and what the package uses under which.
        QVERIFY(text("share/doc/quorvik/copyright").contains("GNU GENERAL PUBLIC LICENSE"));
        QVERIFY(text("share/doc/quorvik/THIRD-PARTY.txt").contains("GPL-3.0-or-later"));
        QHash<QString, QString> entry; // the [Desktop Entry] group
        for (const QString &line : text("share/applications/quorvik.desktop").split('\n'))
            if (line.contains('=') && !line.startsWith('#'))
                entry.insert(line.section('=', 0, 0).trimmed(), line.section('=', 1).trimmed());
        QCOMPARE(QStringList({entry["Type"], entry["Name"], entry["Terminal"]}),
                 QStringList({"Application", "Quorvik", "false"}));
        QVERIFY(!entry.value("Comment").isEmpty());
        // Exec and Icon name what the prefix holds, found through PATH and the icon theme.
        QVERIFY(QFileInfo(installed("bin/" + entry.value("Exec"))).isExecutable());
        QVERIFY(text("share/icons/hicolor/scalable/apps/" + entry.value("Icon") + ".svg")
                    .contains("<svg"));
    }

    void serviceUnitRunsTheInstalledWatcherAndVerifies()
    {
        const QString unit = installed("lib/systemd/user/quorvik-headless.service");
        QVERIFY(TestFiles::read(unit).contains("\nExecStart=" + installed("bin/quorvik").toUtf8() +
                                               " --headless --config-dir "));
        const QString analyze = QStandardPaths::findExecutable("systemd-analyze");
        if (analyze.isEmpty())
            QSKIP("systemd-analyze is not installed (Debian package systemd)");
        QCOMPARE(run(analyze, {"--user", "verify", unit}), QString()); // a warning is a fault too
    }

    // The Debian package holds what the install holds, at /usr, and its unit
    // starts /usr/bin/quorvik (not the folder CPack staged the files in).
    void packageHoldsTheInstalledTreeAtUsr()
    {
        const QString dpkgDeb = QStandardPaths::findExecutable("dpkg-deb");
        if (dpkgDeb.isEmpty())
            QSKIP("dpkg-deb is not installed");
        QTemporaryDir out;
        const QString cpack = QFileInfo(QUORVIK_CMAKE_COMMAND).dir().filePath("cpack");
        run(cpack, {"-G", "DEB", "--config", QUORVIK_BUILD_DIR "/CPackConfig.cmake", "-B",
                    out.path(), "-D", "CPACK_DEBIAN_FILE_NAME=q.deb"});
        run(dpkgDeb, {"-x", out.filePath("q.deb"), out.filePath("root")});
        const auto files = [](const QString &folder) {
            QStringList found;
            for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
                found << QDir(folder).relativeFilePath(it.next());
            found.sort();
            return found;
        };
        QCOMPARE(files(out.filePath("root")),
                 files(m_prefix.path()).replaceInStrings(QRegularExpression("^"), "usr/"));
        QVERIFY(TestFiles::read(out.filePath("root/usr/lib/systemd/user/quorvik-headless.service"))
                    .contains("\nExecStart=/usr/bin/quorvik --headless --config-dir "));
    }

    void manualIsWhereTheProgramLooksAndEveryLinkResolves()
    {
        // The program looks beside itself, then in ../share/quorvik/help.
        const QDir help(installed("bin/../share/quorvik/help"));
        const QStringList pages = help.entryList({"*.html"}, QDir::Files);
        QVERIFY2(pages.contains("index.html") && pages.size() >= 2, qPrintable(pages.join(' ')));
        static const QRegularExpression link(QStringLiteral("(?:src|href)=\"([^\":]*)\""));
        QSet<QString> linked{"index.html"};
        for (const QString &page : pages) {
            const QString html = QString::fromUtf8(TestFiles::read(help.filePath(page)));
            QVERIFY2(html.contains("<title>"), qPrintable(page));
            for (const auto &m : link.globalMatch(html)) {
                const QString file = m.captured(1).section('#', 0, 0);
                const QString fragment = m.captured(1).section('#', 1);
                const QString target = file.isEmpty() ? page : QDir::cleanPath(file);
                linked.insert(target);
                const QByteArray body = TestFiles::read(help.filePath(target));
                QVERIFY2(!body.isEmpty(), qPrintable(page + " -> " + m.captured(1)));
                QVERIFY2(fragment.isEmpty() || body.contains("id=\"" + fragment.toUtf8() + '"'),
                         qPrintable(page + " -> " + m.captured(1)));
            }
        }
        // Every page can be reached, and the screenshots installed are shown.
        for (const QString &file : pages + help.entryList({"*.png"}, QDir::Files))
            QVERIFY2(linked.contains(file), qPrintable(file));
    }

    void installedProgramsRunOnTheirOwn()
    {
        QVERIFY(run("quorvik", {"--version"}).contains(QLatin1String(QUORVIK_VERSION)));
        QVERIFY(run("quorvik-vss", {"--help"}).contains(QLatin1String("checkouts")));

        // Still running after two seconds: it found its libraries and the
        // platform plugin and got past its start-up.
        QProcess p;
        start(p, "quorvik", {"--config-dir", m_home.filePath("config")});
        QVERIFY2(!p.waitForFinished(2000), p.readAll().constData());
        p.terminate();
        if (!p.waitForFinished(5000)) {
            p.kill();
            p.waitForFinished(5000);
        }
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
