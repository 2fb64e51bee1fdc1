#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// `cmake --install` of this build folder into a temporary prefix: the files
// a desktop needs, a manual whose links all resolve from where the program
// looks for it, and installed programs that run on their own.
class TestInstall : public QObject
{
    Q_OBJECT

    QTemporaryDir m_prefix;
    QTemporaryDir m_home; // settings, data, cache and runtime folders of the runs

    QString installed(const QString &relative) const { return m_prefix.filePath(relative); }
    QString helpFolder() const { return installed(QStringLiteral("share/quorvik/help")); }

    QProcessEnvironment isolatedEnvironment() const
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
        return env;
    }

    struct Run
    {
        bool finished = false;
        int exitCode = -1;
        QString out, err;
    };

    Run runInstalled(const QString &program, const QStringList &args) const
    {
        QProcess p;
        p.setProcessEnvironment(isolatedEnvironment());
        p.start(installed(QStringLiteral("bin/") + program), args);
        Run run;
        run.finished = p.waitForFinished(30000);
        run.exitCode = p.exitCode();
        run.out = QString::fromUtf8(p.readAllStandardOutput());
        run.err = QString::fromUtf8(p.readAllStandardError());
        return run;
    }

    static QString readText(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QString();
        return QString::fromUtf8(file.readAll());
    }

    // key=value lines of a desktop entry's [Desktop Entry] group
    static QHash<QString, QString> desktopEntry(const QString &path)
    {
        QHash<QString, QString> values;
        bool inGroup = false;
        for (const QString &line : readText(path).split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1Char('[')))
                inGroup = line.trimmed() == QLatin1String("[Desktop Entry]");
            const int equals = line.indexOf(QLatin1Char('='));
            if (inGroup && equals > 0)
                values.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
        }
        return values;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_prefix.isValid() && m_home.isValid());
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(
            QStringLiteral(QUORVIK_CMAKE_COMMAND),
            {"--install", QStringLiteral(QUORVIK_BUILD_DIR), "--prefix", m_prefix.path()});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
                 install.readAll().constData());
    }

    void installsTheProgramsAndTheirDesktopFilesOnly()
    {
        for (const char *program : {"bin/quorvik", "bin/quorvik-vss"}) {
            const QFileInfo info(installed(QLatin1String(program)));
            QVERIFY2(info.isFile() && info.isExecutable(), program);
        }
        // No test, benchmark, database writer or fuzz target comes along.
        const auto entries = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
        QCOMPARE(QDir(installed("bin")).entryList(entries),
                 QStringList({"quorvik", "quorvik-vss"}));
        QCOMPARE(QDir(m_prefix.path()).entryList(entries), QStringList({"bin", "lib", "share"}));
        QVERIFY(readText(installed("share/icons/hicolor/scalable/apps/quorvik.svg"))
                    .contains(QLatin1String("<svg")));
    }

    void desktopEntryStartsTheInstalledProgramWithItsIcon()
    {
        const auto entry = desktopEntry(installed("share/applications/quorvik.desktop"));
        QCOMPARE(entry.value("Type"), QStringLiteral("Application"));
        QCOMPARE(entry.value("Name"), QStringLiteral("Quorvik"));
        QVERIFY(!entry.value("Comment").isEmpty());
        QCOMPARE(entry.value("Terminal"), QStringLiteral("false"));
        // Exec and Icon name what the prefix holds, found through PATH and
        // the icon theme respectively.
        QVERIFY(QFileInfo(installed("bin/" + entry.value("Exec"))).isExecutable());
        QVERIFY(QFileInfo::exists(
            installed("share/icons/hicolor/scalable/apps/" + entry.value("Icon") + ".svg")));
        const QStringList categories = entry.value("Categories").split(';');
        QVERIFY(categories.contains("Development") && categories.contains("RevisionControl"));
        QCOMPARE(categories.last(), QString()); // the list ends with ';'
    }

    void manualIsWhereTheProgramLooksAndEveryLinkResolves()
    {
        // The program looks beside itself, then in ../share/quorvik/help.
        const QDir programFolder(installed("bin"));
        QVERIFY(QFileInfo(programFolder.filePath("../share/quorvik/help/index.html")).isFile());

        const QStringList pages = QDir(helpFolder()).entryList({"*.html"}, QDir::Files);
        QVERIFY2(pages.size() >= 2, qPrintable(pages.join(' ')));
        static const QRegularExpression link(QStringLiteral("(?:src|href)=\"([^\"]*)\""));
        static const QRegularExpression anchor(QStringLiteral("id=\"([^\"]+)\""));
        QSet<QString> linkedPages, shownPictures;
        for (const QString &page : pages) {
            const QString html = readText(QDir(helpFolder()).filePath(page));
            QVERIFY2(html.contains(QLatin1String("<title>")), qPrintable(page));
            auto links = link.globalMatch(html);
            while (links.hasNext()) {
                const QString target = links.next().captured(1);
                if (target.contains(QLatin1Char(':')))
                    continue; // another site
                const QString file = target.section(QLatin1Char('#'), 0, 0);
                const QString fragment = target.section(QLatin1Char('#'), 1);
                const QString resolved = file.isEmpty() ? page : QDir(helpFolder()).cleanPath(file);
                const QString path = QDir(helpFolder()).filePath(resolved);
                QVERIFY2(QFileInfo(path).isFile(), qPrintable(page + " -> " + target));
                if (resolved.endsWith(QLatin1String(".html")))
                    linkedPages.insert(resolved);
                if (resolved.endsWith(QLatin1String(".png")))
                    shownPictures.insert(resolved);
                if (fragment.isEmpty())
                    continue;
                QSet<QString> ids;
                auto found = anchor.globalMatch(readText(path));
                while (found.hasNext())
                    ids.insert(found.next().captured(1));
                QVERIFY2(ids.contains(fragment), qPrintable(page + " -> " + target));
            }
        }
        // Every page can be reached, and the screenshots installed are shown.
        for (const QString &page : pages)
            QVERIFY2(page == QLatin1String("index.html") || linkedPages.contains(page),
                     qPrintable(page));
        for (const QString &picture : QDir(helpFolder()).entryList({"*.png"}, QDir::Files))
            QVERIFY2(shownPictures.contains(picture), qPrintable(picture));
        QVERIFY(!shownPictures.isEmpty());
    }

    void installedProgramStartsAndRuns()
    {
        QProcess p;
        p.setProcessEnvironment(isolatedEnvironment());
        p.start(installed("bin/quorvik"), {"--config-dir", m_home.filePath("config")});
        QVERIFY(p.waitForStarted(10000));
        // Still running after two seconds: it found its libraries and the
        // platform plugin and got past its start-up.
        const bool endedEarly = p.waitForFinished(2000);
        const QByteArray output = p.readAllStandardError();
        QVERIFY2(!endedEarly, output.constData());
        p.terminate();
        if (!p.waitForFinished(5000)) {
            p.kill();
            QVERIFY(p.waitForFinished(5000));
        }
    }

    void serviceUnitRunsTheInstalledWatcherAndVerifies()
    {
        const QString unit = installed("lib/systemd/user/quorvik-headless.service");
        QVERIFY(readText(unit).contains("\nExecStart=" + installed("bin/quorvik") +
                                        " --headless --config-dir "));
        const QString analyze = QStandardPaths::findExecutable("systemd-analyze");
        if (analyze.isEmpty())
            QSKIP("systemd-analyze is not installed (Debian package systemd)");
        QProcess verify;
        verify.setProcessEnvironment(isolatedEnvironment());
        verify.setProcessChannelMode(QProcess::MergedChannels);
        verify.start(analyze, {"--user", "verify", unit});
        QVERIFY(verify.waitForFinished(30000));
        const QByteArray said = verify.readAll(); // a warning is a fault too
        QVERIFY2(verify.exitCode() == 0 && said.isEmpty(), said.constData());
    }

    void installedToolsAnswerVersionAndHelp()
    {
        const Run version = runInstalled("quorvik", {"--version"});
        QVERIFY(version.finished && version.exitCode == 0);
        QVERIFY2(version.out.contains(QLatin1String(QUORVIK_VERSION)), qPrintable(version.out));

        const Run help = runInstalled("quorvik-vss", {"--help"});
        QVERIFY(help.finished && help.exitCode == 0);
        for (const char *command : {"tree", "history", "checkouts", "--encoding"})
            QVERIFY2(help.out.contains(QLatin1String(command)), qPrintable(help.out));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
