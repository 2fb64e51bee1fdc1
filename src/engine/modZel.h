#pragma once

#include "ChangeWatch.h"
#include "Clock.h"
#include "DesktopNote.h"
#include "Repository.h"
#include "Shell.h"
#include "Snooze.h"
#include "Suspects.h"
#include "TimerService.h"
#include "engine/eventlog/EventLogFile.h"
#include "engine/hooks/EventHooks.h"
#include "engine/settings/ShareLogin.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>

class EventList;
class SettingsStore;

// The in-memory settings, one instance for the process.
struct ZelSettings
{
    QString Inifile;
    QString Username;
    QString Password; // plain text in memory
    bool UseLastDB = true;
    bool UseLastUser = true;
    bool Debug = false;
    bool ShowMessages = true;
    bool ShowIcon = true;
    bool PlaySound = true;
    bool NotifyIn = true;
    bool NotifyOut = true;
    bool StartUp = true;
    qint16 PollDelay = 3;
    // A desktop notification per poll with announced changes.
    bool DesktopNotify = true;
    // Check-outs and check-ins of the logged-in user are not announced.
    bool IgnoreOwnChanges = false;
    // Changes by these VSS users are not announced (names match in any case).
    QStringList IgnoreChangesBy;
    // The code page the database's names are read in, and the database
    // (Inifile) it belongs to: guessed once at the first session and
    // remembered, or set by hand ("CodePage" with no database: any).
    QString CodePage;
    QString CodePageDatabase;
    QString OnEvent;         // the command run for each event record (empty: none)
    int OnEventTimeout = 30; // seconds before that command is stopped
    QString StatusPage;      // the headless watcher's HTML page of check-outs (empty: none)
    ShareLogin Share;        // for databases given as smb:// paths
};

// The monitoring engine: the module state and its routines (session start,
// poll cycle, notifications). One object, created fresh by each test.
class modZel
{
    Q_DECLARE_TR_FUNCTIONS(modZel)

public:
    modZel(Shell &shell, TimerService &timers, const Clock &clock, RepositoryFactory factory);
    ~modZel();
    modZel(const modZel &) = delete;
    modZel &operator=(const modZel &) = delete;

    // --- state ---
    ZelSettings settings;
    Suspects MonitoredFiles;
    std::unique_ptr<VSSDatabase> Database;
    VSSItemPtr CurrentItem;
    bool SessionOpen = false;
    quint32 TimerId = 0;
    bool PollBusy = false;
    bool EventsFound = false;
    QString PendingMessage;
    bool ModalOpen = false;
    // An event record, the log's upkeep or the watched list could not be
    // stored (reported on the status line and in the trace log).
    bool StoreFailed = false;
    // Without a viewer (headless) the event list keeps only its newest row,
    // all that rule A2 looks at.
    bool KeepNewestEventOnly = false;
    // Why the last session start failed: the database did not open, or a
    // watched file was not found (the repository's own words).
    QString StartFailure;
    EventLogFile eventLog; // EventLogPath, MaxLogSize, MaxAction, MaxDays

    // The store the poll rewrites the watched list into (none: not stored).
    void setSettingsStore(SettingsStore *store) { m_store = store; }
    SettingsStore *settingsStore() const { return m_store; }

    // Writes to the watched items' files start a poll (none: the timer only).
    void setChangeWatch(ChangeWatch *watch) { m_changeWatch = watch; }

    // The event list (lvTrace), loaded from EventLogPath on first use.
    EventList &lvTrace();
    bool eventListLoaded() const { return m_eventListLoaded; }
    // Discards the rows; the next use reloads them from the file (the
    // viewer was unloaded).
    void unloadEventList();
    // LoadEventList: replaces the rows by the file's records; returns the
    // longest object field's length in characters.
    int LoadEventList();

    // --- session ---
    bool ZelIni();
    bool CheckList();
    // Creates and opens Database with the stored credentials; on failure
    // reports it (status, error look, trace), releases the objects and, when
    // asked, shows the main window.
    bool OpenDatabase(bool showMainWindowOnFailure);
    // "ERROR: Cannot find " and the key, or its last 40 characters.
    static QString CannotFindText(const QString &key);
    // The code page to read this database's names in: the one remembered
    // for it or set by hand; empty when it is to be guessed.
    QString RememberedCodePage() const;
    void ReleaseDatabase();
    static int PollSeconds(int index);

    // (Re)starts the poll timer TimerId with the period of PollDelay, or
    // stops it; the main window stops it while it is in front. Polls on
    // writes follow the timer: they run exactly while it does.
    void StartPollTimer();
    void KillPollTimer();
    // Polls on writes are armed (the timer runs for an open session).
    bool changeWatchArmed() const { return m_changeWatchArmed; }

    // --- poll ---
    void TimerProc();
    // A poll started by a change of the watched files: a timer poll in all
    // but its cause, under the same conditions.
    void ChangePoll() { TimerProc(); }
    void CheckFiles();
    // After a poll in which rule C fired, one more poll comes this soon, so
    // that a check-in is read as one (rule A2) while the user still looks.
    static constexpr int kSettlePollMs = 1000;
    quint32 settlePollTimerId() const { return m_settleTimerId; }

    // --- notifications ---
    void ResetTrayIcon();
    // The tray menu's Reset entry.
    void Reset();

    // --- snooze ---
    // Pauses the notifications: the beep, desktop notifications, the viewer
    // pop-up, the change look and the Reset entry are held back; polling,
    // the event list, the log, event commands and output go on. Stored, so
    // a restart before its end keeps it.
    void SnoozeNotifications(SnoozeLength length);
    // Ends the pause (also when its time is up): one summary of the changes
    // it held back, told through the chosen notification methods.
    void ResumeNotifications();
    // At start: a stored pause that has not ended goes on; an ended one is
    // dropped.
    void RestoreSnooze(const Snooze &stored);
    const Snooze &snooze() const { return m_snooze; }
    quint32 snoozeTimerId() const { return m_snoozeTimerId; }

    // Writes a trace entry when Debug is on; failures to write are ignored.
    void Trace(const QString &message, const QString &description);

    Shell &shell() { return m_shell; }
    // The event command's runner (settings.OnEvent).
    EventHooks &hooks() { return m_hooks; }
    const Clock &clock() const { return m_clock; }

    // "Files in the list: " and the count, the status after a good start.
    QString FilesInListText() const;
    static QString FilesInListText(int count);

private:
    // lvTrace() for the engine's own use: a log that cannot be read is traced
    // and leaves the list empty instead of failing the caller.
    EventList &eventListQuietly();
    // Reads what the rules need first; raises when a value cannot be read.
    void CheckFile(Suspect &file, const VSSItem &item);
    // The files below a watched project (modZelProjects.cpp): each one not
    // left out goes through the rules (`check`) or is only taken in (the
    // session start); newcomers start from their current state, files gone
    // are dropped.
    void WalkProject(Suspect &project, const VSSItem &root, bool check);
    // Where one file is reached through several entries (picked, or below
    // two watched projects), the first entry in list order watches it.
    void BeginClaims();
    bool Claim(const QString &spec);
    // The list is stored during a long poll that found changes.
    void StoreListIfDue();
    // The change watch takes the files that came below watched projects.
    void WatchNewcomers();
    bool IsLoggedInUser(const QString &user) const;
    // Changes by this user are left out: the user's own (when asked) or a
    // name in IgnoreChangesBy.
    bool IsIgnoredUser(const QString &user) const;
    // A history entry by a user not left out is newer than `seen` by whole
    // seconds.
    bool ToldVersionSince(const VSSItem &item, const QDateTime &seen) const;
    // Whether the end of a check-out (rule C) is told: not when its holder
    // was left out, unless a version by someone else came with it.
    bool TellCheckoutEnd(const Suspect &file, const VSSItem &item) const;
    // A rule fired: the stored state moves on; `tell` whether it is
    // announced when its gate is open (not the user's own change).
    void ChangeFound(bool tell);
    void Announce(const QString &spec, const QString &message, const QString &action,
                  const QString &user, bool mayAmend);
    void RecordEvent(const QString &spec, const QString &action, const QString &user,
                     bool mayAmend);
    void WriteRecord(const QDateTime &when, const QString &object, const QString &action,
                     const QString &user);
    // Hands a record on: to the shell and the event command.
    void Deliver(const EventRecord &record);
    void ReportStoreFailure(const std::exception &e);
    void ReportStoreFailure(const QString &status);
    // Says how many of the poll's writes went ahead without the log's lock.
    void ReportWithoutLock(int records);
    void keepNewestRowOnly(EventList &list);
    void ReadFailed(const QString &key, const QString &reason);
    void ReadRecovered(const QString &key);
    void EndOfPoll();
    // The desktop notification, the beep and the viewer pop-up, as chosen;
    // the poll timer pauses meanwhile and restarts when asked.
    void TellChanges(const DesktopNote &note, bool restartTimer);
    // A snoozed poll's announced changes: counted for the summary.
    void HoldBack();
    void StoreSnooze();
    // Resumes when the pause's time is up; else looks again by then (at
    // least once a minute, so a clock that jumps is noticed).
    void SnoozeTick();
    void StoreList();
    // Watches again what the change watch lost; says what it cannot watch.
    void RearmChangeWatch();
    void setPollTimer();
    void armChangeWatch();
    void disarmChangeWatch();
    void scheduleSettlePoll();
    void killSettlePoll();

    Shell &m_shell;
    TimerService &m_timers;
    const Clock &m_clock;
    RepositoryFactory m_factory;
    SettingsStore *m_store = nullptr;
    ChangeWatch *m_changeWatch = nullptr;
    QStringList m_changeFiles;    // of the items CheckList found
    QString m_changeWatchProblem; // last said
    bool m_pollTimerRunning = false;
    bool m_changeWatchArmed = false;
    bool m_lookUpsDone = false;  // and no poll since
    quint32 m_settleTimerId = 0; // the one-shot poll after rule C (0: none)
    bool m_ruleCFired = false;   // in this poll
    std::unique_ptr<EventList> m_eventList;
    bool m_eventListLoaded = false;
    QHash<QString, QString> m_readFailures; // key -> the reason last said
    bool m_pollEndedEarly = false;          // a watched file could not be found
    // Watched files whose check-out was left out (its holders all ignored):
    // the end of that check-out is left out too.
    QSet<QString> m_ignoredCheckouts;
    QElapsedTimer m_sinceStored; // the last store of a poll with changes
    // Files below watched projects came or went: the list is stored.
    bool m_listDirty = false;
    bool m_changeFilesGrew = false;         // newcomers' files for the change watch
    std::optional<QSet<QString>> m_claimed; // case-folded specs, for this walk
    // This poll found a change that is not the user's own ignored one.
    bool m_changeToTell = false;
    // What this poll announced, for the desktop notification.
    std::vector<AnnouncedChange> m_announced;
    EventHooks m_hooks;
    Snooze m_snooze;
    quint32 m_snoozeTimerId = 0;
    std::vector<AnnouncedChange> m_heldChanges; // the first few, for the summary
    // The summary after a pause, shown by Reset before the latest poll's
    // messages until the icon is reset.
    QString m_resumeSummary;
};
