#pragma once

#include "engine/repository/memory/MemoryRepository.h"
#include "engine/settings/Settings.h"
#include "engine/settings/SettingsStore.h"
#include "support/ManualTimers.h"
#include "ui/main/DialogHook.h"
#include "ui/main/frmZel.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

// A main window over an in-memory repository, manual timers and a settings
// store in a temporary folder; it records what would reach the desktop (start
// at logon, sounds, opened pages) and answers dialogs through DialogHook.
struct FrmZelHarness
{
    struct RunCall
    {
        QString name, path;
        bool flag;
    };

    QTemporaryDir dir;
    std::shared_ptr<MemoryRepository> repo = MemoryRepository::create();
    ManualTimers timers;
    ManualClock clock;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<frmZel> frm;
    bool trayAvailable = true;
    bool otherInstance = false;
    QList<RunCall> runCalls;
    int beeps = 0;
    QList<QUrl> opened;
    bool browserFails = false; // no browser: the program shows the page itself
    QStringList informed;

    static void isolateFromUser()
    {
        QStandardPaths::setTestModeEnabled(true);
        qunsetenv("ssdir");
        qunsetenv("SSDIR");
        qunsetenv("ssuser");
        qunsetenv("SSUSER");
    }

    FrmZelHarness()
    {
        store = std::make_unique<SettingsStore>(dir.path());
        repo->setIniPath(iniPath());
        repo->addUser(QStringLiteral("me"), QStringLiteral("pw"));
        repo->addProject(QStringLiteral("$/Web"));
        DialogHook::reset();
        DialogHook::information = [this](QWidget *, const QString &, const QString &text) {
            informed.append(text);
        };
    }
    ~FrmZelHarness()
    {
        frm.reset();
        DialogHook::reset();
    }

    // Writes `bytes` to `file` (created or replaced).
    static void writeFile(const QString &file, const QByteArray &bytes)
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QString iniPath() const { return dir.filePath(QStringLiteral("vss/srcsafe.ini")); }

    void param(const QString &key, const QString &value)
    {
        store->SaveSetting(kAppName, QStringLiteral("Params"), key, value);
    }
    QString storedParam(const QString &key) const
    {
        return store->GetSetting(kAppName, QStringLiteral("Params"), key);
    }

    // Stored settings of a user who watched `specs` (each added to the repository).
    void storeUser(const QStringList &specs, const QString &password = QStringLiteral("pw"))
    {
        param(QStringLiteral("Inifile"), iniPath());
        param(QStringLiteral("Username"), QStringLiteral("me"));
        param(QStringLiteral("Password"), XorByLength(password));
        int i = 0;
        const QDateTime date = clock.now().addDays(-1);
        for (const QString &spec : specs) {
            repo->addFile(spec, QStringLiteral("other"), date);
            store->SaveSetting(kAppName, QStringLiteral("Files"), QString::number(++i),
                               QStringLiteral("0;") + DateToSetting(date) + QLatin1Char(';') +
                                   spec);
        }
        param(QStringLiteral("FilesCount"), QString::number(i));
        store->commit();
    }

    frmZel &build()
    {
        frmZelServices s;
        s.timers = &timers;
        s.clock = &clock;
        s.factory = repo->factory();
        s.store = store.get();
        s.claimInstance = [this] { return !otherInstance; };
        s.programFolder = dir.path();
        s.programPath = dir.filePath(QStringLiteral("quorvik"));
        s.runAtStartup = [this](const QString &n, const QString &p, bool f) {
            runCalls.append({n, p, f});
        };
        s.beep = [this] { ++beeps; };
        s.trayAvailable = [this] { return trayAvailable; };
        s.openUrl = [this](const QUrl &url, const std::function<void()> &failed) {
            opened.append(url);
            if (browserFails)
                failed();
        };
        frm = std::make_unique<frmZel>(s);
        return *frm;
    }

    // Built, loaded and shown, as the program starts.
    frmZel &start()
    {
        build();
        frm->Load();
        frm->show();
        return *frm;
    }

    // Started over stored settings of a user who watched `specs`.
    frmZel &start(const QStringList &specs)
    {
        storeUser(specs);
        return start();
    }
    // Built and loaded, not shown, over stored settings watching `specs`.
    frmZel &load(const QStringList &specs)
    {
        storeUser(specs);
        build();
        frm->Load();
        return *frm;
    }

    bool timerRunning() const { return frm && timers.running.contains(frm->zel().TimerId); }
    int timerPeriod() const { return timers.running.value(frm->zel().TimerId).periodMs; }
};
