#pragma once

#include "engine/repository/memory/MemoryRepository.h"
#include "engine/settings/Settings.h"
#include "engine/settings/SettingsStore.h"
#include "support/ManualTimers.h"
#include "support/TestFiles.h"
#include "ui/main/DialogHook.h"
#include "ui/main/frmZel.h"

#include <QListWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

inline QStringList texts(const QListWidget *list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

// A main window over an in-memory repository, manual timers and a settings
// store in a temporary folder; it records what would reach the desktop (start
// at logon, sounds, opened pages) and answers dialogs through DialogHook.
struct FrmZelHarness
{
    QTemporaryDir dir;
    std::shared_ptr<MemoryRepository> repo = MemoryRepository::create();
    ManualTimers timers;
    ManualChangeWatch watch;
    QString settingsFolder; // not the default one
    ManualClock clock;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<frmZel> frm;
    bool trayAvailable = true;
    bool realTray = false; // the program looks for a tray itself
    QStringList runCalls;  // "name|path|flag" of each start-at-logon change
    int beeps = 0;
    QList<QUrl> opened;
    bool browserFails = false; // no browser: the program shows the page itself
    QStringList informed;
    QStringList asked;  // "name|filter" of each file dialog, and the tests' own questions
    QString chosenFile; // what the file dialog answers; empty: cancelled

    static void isolateFromUser()
    {
        QStandardPaths::setTestModeEnabled(true);
        for (const char *name : {"ssdir", "SSDIR", "ssuser", "SSUSER"})
            qunsetenv(name);
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
        DialogHook::openFile = [this](QWidget *, const QString &title, const QString &,
                                      const QString &name, const QString &filter) {
            asked << title + '|' + name + '|' + filter;
            return chosenFile;
        };
    }
    ~FrmZelHarness()
    {
        frm.reset();
        DialogHook::reset();
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
        const QDateTime date = clock.now().addDays(-1);
        for (int i = 0; i < specs.size(); ++i) {
            repo->addFile(specs[i], QStringLiteral("other"), date);
            store->SaveSetting(kAppName, QStringLiteral("Files"), QString::number(i + 1),
                               "0;" + DateToSetting(date) + ';' + specs[i]);
        }
        param(QStringLiteral("FilesCount"), QString::number(specs.size()));
        store->commit();
    }

    frmZel &build()
    {
        frmZelServices s;
        s.timers = &timers;
        s.changes = &watch;
        s.settingsFolder = settingsFolder;
        s.clock = &clock;
        s.factory = repo->factory();
        s.store = store.get();
        s.programFolder = dir.path();
        s.programPath = dir.filePath(QStringLiteral("quorvik"));
        s.runAtStartup = [this](const QString &n, const QString &p, bool f) {
            runCalls << QStringList{n, p, f ? "on" : "off"}.join('|');
        };
        s.beep = [this] { ++beeps; };
        if (!realTray)
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

    bool timerRunning() const { return frm && timers.running.contains(frm->zel().TimerId); }
    int timerPeriod() const { return timers.running.value(frm->zel().TimerId).periodMs; }
};
