#include "modZel.h"

#include "StatusText.h"
#include "engine/eventlog/EventList.h"
#include "engine/eventlog/LogLock.h"
#include "engine/eventlog/LogText.h"
#include "settings/SettingValues.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"

#include <QScopeGuard>

#include <QDir>
#include <QElapsedTimer>

#include <utility>

namespace {

const QString kCheckIn = QStringLiteral("Check In");
const QString kCheckOut = QStringLiteral("Check Out");
const QString kUndoCheckOut = QStringLiteral("Check In (Undo Check Out)");
const QString kAmendedCheckIn = QStringLiteral("check in");
const QString kCrLf = QStringLiteral("\r\n");

// A crash in a long poll repeats at most this much of its events: the
// watched list is stored at least this often while the poll finds changes.
constexpr qint64 kStoreEveryMs = 1000;

// Whole seconds from `from` to `to`, fractions of a second never counting.
// Both are wall-clock times as the repository stores them; comparing them as
// such also spares a time-zone conversion per watched file and poll.
qint64 wholeSecondsBetween(const QDateTime &from, const QDateTime &to)
{
    const qint64 days = from.date().daysTo(to.date());
    return days * 86400 + to.time().msecsSinceStartOfDay() / 1000 -
           from.time().msecsSinceStartOfDay() / 1000;
}

QDateTime orNeverRecorded(const QDateTime &value)
{
    return value.isValid() ? value : NeverRecordedDate();
}

} // namespace

modZel::modZel(Shell &shell, TimerService &timers, const Clock &clock, RepositoryFactory factory)
    : eventLog(clock), m_shell(shell), m_timers(timers), m_clock(clock),
      m_factory(std::move(factory)),
      m_hooks([this](const QString &text) { m_shell.setStatus(text); })
{}

modZel::~modZel()
{
    KillPollTimer();
    if (m_snoozeTimerId != 0)
        m_timers.KillTimer(m_snoozeTimerId);
    ReleaseDatabase();
    LogLock::removeUnused(eventLog.EventLogPath);
}

// ---------------------------------------------------------------- event list

EventList &modZel::lvTrace()
{
    if (!m_eventList)
        m_eventList = std::make_unique<EventList>();
    if (!m_eventListLoaded) {
        // Loading the viewer: read the file, then sort by date ascending.
        m_eventListLoaded = true;
        LoadEventList();
        m_eventList->sort(EventList::DateColumn, Qt::AscendingOrder);
        keepNewestRowOnly(*m_eventList);
    }
    return *m_eventList;
}

EventList &modZel::eventListQuietly()
{
    try {
        return lvTrace();
    } catch (const std::exception &e) {
        // A log that cannot be read leaves the list empty; new events are
        // still recorded (the viewer reports the failure when it opens).
        Trace(QStringLiteral("ZelIni: Cannot read the event log"), QString::fromUtf8(e.what()));
        return *m_eventList;
    }
}

void modZel::unloadEventList()
{
    if (m_eventList)
        m_eventList->clear();
    m_eventListLoaded = false;
}

int modZel::LoadEventList()
{
    if (!m_eventList)
        m_eventList = std::make_unique<EventList>();
    // Without a viewer only the newest row is kept: the log's tail holds it.
    constexpr qint64 kTailBytes = 64 * 1024;
    return m_eventList->loadFromFile(eventLog.EventLogPath, KeepNewestEventOnly ? kTailBytes : 0);
}

// ------------------------------------------------------------------- session

int modZel::PollSeconds(int index)
{
    static const int seconds[] = {10, 30, 60, 180, 300, 600, 1800, 3600};
    if (index < 0 || index > 7)
        return 10;
    return seconds[index];
}

void modZel::ReleaseDatabase()
{
    disarmChangeWatch();
    CurrentItem.reset();
    Database.reset();
}

void modZel::StartPollTimer()
{
    setPollTimer();
    // A new interval while the window is in front: the session's files are
    // watched again together with the timer.
    if (SessionOpen && Database)
        armChangeWatch();
}

void modZel::KillPollTimer()
{
    if (TimerId != 0)
        m_timers.KillTimer(TimerId);
    m_pollTimerRunning = false;
    killSettlePoll();
    disarmChangeWatch();
}

void modZel::setPollTimer()
{
    TimerId =
        m_timers.SetTimer(TimerId, PollSeconds(settings.PollDelay) * 1000, [this] { TimerProc(); });
    m_pollTimerRunning = true;
}

void modZel::armChangeWatch()
{
    if (!m_changeWatch || m_changeWatchArmed)
        return;
    m_changeWatch->Watch(m_changeFiles, [this] { ChangePoll(); });
    m_changeWatchArmed = true;
}

void modZel::disarmChangeWatch()
{
    if (m_changeWatch && m_changeWatchArmed)
        m_changeWatch->Stop();
    m_changeWatchArmed = false;
}

void modZel::scheduleSettlePoll()
{
    m_settleTimerId = m_timers.SetTimer(m_settleTimerId, kSettlePollMs, [this] {
        killSettlePoll(); // one shot
        TimerProc();
    });
}

void modZel::killSettlePoll()
{
    if (m_settleTimerId != 0)
        m_timers.KillTimer(m_settleTimerId);
    m_settleTimerId = 0;
}

void modZel::Trace(const QString &message, const QString &description)
{
    if (!settings.Debug)
        return;
    try {
        eventLog.WriteLog(TraceLogPath(), message + kCrLf + description, false);
    } catch (const std::exception &) {
        // Nothing depends on the trace log; a trace that cannot be written is dropped.
    }
}

bool modZel::OpenDatabase(bool showMainWindowOnFailure)
{
    auto fail = [&](const QString &trace, const QString &status, const QString &description) {
        Trace(trace, description);
        StartFailure = description;
        ReleaseDatabase();
        m_shell.setStatus(status);
        m_shell.setStatusDetail(description);
        m_shell.setTrayLook(TrayLook::Error);
        if (showMainWindowOnFailure)
            m_shell.showMainWindow();
        return false;
    };
    try {
        Database = m_factory();
        if (!Database)
            throw RepositoryCreateError(QStringLiteral("No repository backend"));
    } catch (const std::exception &e) {
        return fail(QStringLiteral("ZelIni: CRITICAL ERROR: VSS not installed."),
                    tr("ERROR: VSS not installed."), QString::fromUtf8(e.what()));
    }
    // The names are read in the code page remembered for this database; a
    // database met for the first time has it guessed, and it is kept from
    // then on, so names added later never change how the others are read.
    const bool remembered = !RememberedCodePage().isEmpty();
    try {
        Database->SetCodePage(RememberedCodePage());
        Database->Open(settings.Inifile, settings.Username, settings.Password);
    } catch (const std::exception &e) {
        return fail(QStringLiteral("ZelIni: Cannot open VSS database"),
                    tr("ERROR: Cannot open VSS database"), QString::fromUtf8(e.what()));
    }
    if (!remembered && !Database->CodePage().isEmpty()) {
        settings.CodePage = Database->CodePage();
        settings.CodePageDatabase = settings.Inifile;
        if (m_store && !StoreCodePage(settings, *m_store))
            ReportStoreFailure(tr("ERROR: Cannot store the code page of the database: ") +
                               m_store->failure());
    }
    return true;
}

bool modZel::ZelIni()
{
    // Asking whether the viewer shows loads it, so the event list holds the
    // file's records before the first poll.
    eventListQuietly();
    // No session starts while they are open (the caller says so when the
    // user asked to watch).
    if (m_shell.aboutVisible() || m_shell.eventLogVisible())
        return false;
    SessionOpen = false;
    if (!Database && !OpenDatabase(true))
        return false;
    if (!CheckList()) {
        KillPollTimer();
        m_shell.setTrayLook(TrayLook::Error);
        return false;
    }
    setPollTimer();
    disarmChangeWatch(); // the list may have changed: watch its files afresh
    armChangeWatch();
    RearmChangeWatch(); // says what cannot be watched
    m_shell.setTrayLook(TrayLook::Normal);
    SessionOpen = true;
    return true;
}

QString modZel::RememberedCodePage() const
{
    const bool forThisDatabase =
        settings.CodePageDatabase.isEmpty() || settings.CodePageDatabase == settings.Inifile;
    return forThisDatabase ? settings.CodePage : QString();
}

QString modZel::CannotFindText(const QString &key)
{
    if (key.size() <= 40)
        return tr("ERROR: Cannot find ") + key;
    return tr("ERROR: Cannot find ../.") + key.right(40);
}

bool modZel::CheckList()
{
    if (MonitoredFiles.Count() == 0) {
        m_shell.setStatus(tr("ERROR: No files in list"));
        return false;
    }
    m_shell.setStatus(FilesInListText());
    m_changeFiles.clear();
    BeginClaims();
    // The look-ups are one round: each project read once, however long they take.
    if (Database)
        Database->BeginPoll();
    const auto endRound = qScopeGuard([this] {
        if (Database)
            Database->EndPoll();
    });
    for (Suspect &file : MonitoredFiles) {
        const QString key = file.Key();
        if (key.isEmpty())
            continue;
        try {
            if (!Database)
                throw RepositoryError(QStringLiteral("The database is not open"));
            CurrentItem = Database->VSSItem(key, false);
            if (!CurrentItem)
                throw RepositoryError(QStringLiteral("No item"));
            if (m_changeWatch)
                m_changeFiles << CurrentItem->ChangeFile();
        } catch (const std::exception &e) {
            StartFailure = QString::fromUtf8(e.what());
            Trace(QStringLiteral("CheckList: ") + CannotFindText(key), StartFailure);
            m_shell.setStatus(CannotFindText(key));
            m_shell.setStatusDetail(StartFailure);
            return false;
        }
        if (file.IsProject())
            WalkProject(file, *CurrentItem, false);
    }
    if (m_listDirty)
        StoreList(); // what watching starts from, also after a restart
    m_lookUpsDone = true;
    return true;
}

// ---------------------------------------------------------------------- poll

void modZel::TimerProc()
{
    if (PollBusy || m_shell.mainWindowVisible())
        return;
    m_shell.processEvents();
    RearmChangeWatch();
    CheckFiles();
}

void modZel::RearmChangeWatch()
{
    if (!m_changeWatch || !m_changeWatchArmed)
        return;
    m_changeWatch->Rearm();
    // Said once, and again when it changes: only the timer polls then.
    const QString problem = m_changeWatch->Problem();
    if (problem == m_changeWatchProblem)
        return;
    m_changeWatchProblem = problem;
    if (!problem.isEmpty()) {
        m_shell.setStatus(ErrorMark() + problem);
        Trace(QStringLiteral("ChangeWatch: ") + problem, QString());
    }
}

void modZel::CheckFiles()
{
    // Events the event command's full queue did not take: said once a poll.
    const auto sayDropped = qScopeGuard([this] { m_hooks.reportDropped(); });
    EventsFound = false;
    m_ruleCFired = false;
    m_changeToTell = false;
    m_announced.clear();
    PendingMessage.clear();
    if (m_snooze.expiredAt(m_clock.now()))
        ResumeNotifications();
    if (!Database || !SessionOpen)
        return;
    if (Database->Moved()) {
        // srcsafe.ini names another data folder: read that one from now on.
        Trace(QStringLiteral("CheckFiles: the database moved; a new session"), settings.Inifile);
        ReleaseDatabase();
        if (!ZelIni())
            return;
    }
    // The poll's records share one bounded wait for the event log's lock.
    eventLog.beginLockBudget();
    const auto sayWithoutLock =
        qScopeGuard([this] { ReportWithoutLock(eventLog.endLockBudget()); });
    m_sinceStored.start();

    // Right after the look-ups, with no change watch armed since (--once),
    // the poll shares their listings: each data folder listed once for both.
    Database->BeginPoll(std::exchange(m_lookUpsDone, false) && !m_changeWatchArmed);
    const auto endPoll = qScopeGuard([this] {
        if (Database)
            Database->EndPoll();
    });
    if (m_changeWatch && m_changeWatchArmed)
        m_changeWatch->PollBegins();
    BeginClaims();
    for (Suspect &file : MonitoredFiles) {
        StoreListIfDue();
        const QString key = file.Key();
        if (key.isEmpty())
            continue;
        try {
            CurrentItem = Database->VSSItem(key, false);
            if (!CurrentItem)
                throw RepositoryError(QStringLiteral("No item"));
        } catch (const std::exception &e) {
            // A deleted or renamed file ends the poll; the error look shows
            // it while the window is hidden, at every poll.
            Trace(QStringLiteral("CheckFiles: Cannot find ") + key, QString::fromUtf8(e.what()));
            m_pollEndedEarly = true;
            m_shell.setStatus(tr("ERROR: Cannot find ") + LogText::printable(key));
            m_shell.setTrayLook(TrayLook::Error);
            return;
        }
        if (file.IsProject()) {
            WalkProject(file, *CurrentItem, true);
            continue;
        }
        try {
            CheckFile(file, *CurrentItem);
            ReadRecovered(key);
        } catch (const std::exception &e) {
            // A value that could not be read never makes a rule fire: the
            // file is skipped for this poll and looked at again next time.
            ReadFailed(key, QString::fromUtf8(e.what()));
        }
    }
    if (m_pollEndedEarly) {
        // Every file was reached again: the look and the status recover.
        m_pollEndedEarly = false;
        if (m_shell.status().startsWith(tr("ERROR: Cannot find ")))
            m_shell.setStatus(FilesInListText());
        m_shell.setTrayLook(m_shell.resetEnabled() && settings.ShowIcon ? TrayLook::Change
                                                                        : TrayLook::Normal);
    }

    if (EventsFound) {
        if (m_changeToTell && m_snooze.active)
            HoldBack();
        else if (m_changeToTell)
            EndOfPoll();
        StoreList();
        m_shell.refreshFileList();
    } else if (m_listDirty) {
        StoreList();
    }
    WatchNewcomers();
    // A check-in first reads as the end of a check-out; its new version is
    // read by the next poll, which comes soon rather than at the interval.
    if (m_ruleCFired && m_pollTimerRunning)
        scheduleSettlePoll();
}

void modZel::ReadFailed(const QString &key, const QString &reason)
{
    // Said once, and again when the reason changes.
    QString &said = m_readFailures[key];
    if (said == reason)
        return;
    said = reason;
    const QString status =
        tr("ERROR: Cannot read ") + LogText::printable(key) + QStringLiteral(": ") + reason;
    m_shell.setStatus(status);
    Trace(QStringLiteral("CheckFiles: ") + status, QString());
}

void modZel::ReadRecovered(const QString &key)
{
    const auto failure = m_readFailures.find(key);
    if (failure == m_readFailures.end())
        return;
    if (m_shell.status().startsWith(tr("ERROR: Cannot read ") + LogText::printable(key)))
        m_shell.setStatus(FilesInListText());
    m_readFailures.erase(failure);
}

QString modZel::FilesInListText() const
{
    return FilesInListText(MonitoredFiles.Count());
}

QString modZel::FilesInListText(int count)
{
    return tr("Files in the list: ") + QString::number(count);
}

void modZel::CheckFile(Suspect &file, const VSSItem &item)
{
    const int X = item.IsCheckedOut();
    if (X < 0 || X > 2)
        throw RepositoryError(QStringLiteral("Unexpected check-out state"));
    const int S = file.Status();
    // Names come from a database anyone may write: no control character of
    // theirs reaches a message, a record or standard output.
    const QString spec = LogText::printable(file.Key());

    // Read everything the rule needs before anything fires, then make sure
    // the check-out state did not change meanwhile: a check-in landing
    // between two reads would otherwise be seen as a new version now and as
    // an ended check-out next time, and be reported twice.
    //
    // With changes by some users left out (the user's own, or the names in
    // IgnoreChangesBy), who made a change is decided per change: a version
    // by a left-out user, a check-out held only by left-out users, and the
    // end of such a check-out are not told, unless a version newer than the
    // one last seen or a check-out by someone else came with it; that change
    // is then told exactly as with the options off (a check-out names that
    // user). The stored state moves on all the same.
    const QDateTime seen = orNeverRecorded(file.DateIn());
    const bool ignoring = settings.IgnoreOwnChanges || !settings.IgnoreChangesBy.isEmpty();
    const bool holdersMayBeIgnored =
        !settings.IgnoreChangesBy.isEmpty() || (settings.IgnoreOwnChanges && X == 2);
    QDateTime newest;
    QString user;
    bool tell = true;
    if (X == S) {
        newest = item.NewestVersionDate();
        if (ignoring && newest.isValid() && wholeSecondsBetween(seen, newest) >= 1 &&
            IsIgnoredUser(item.NewestVersionUser()))
            tell = ToldVersionSince(item, seen);
    } else if (X != 0 && S == 0 && (settings.NotifyOut || holdersMayBeIgnored)) {
        const VSSCheckouts checkouts = item.Checkouts();
        user = checkouts.Item(checkouts.Count()).Username;
        if (holdersMayBeIgnored) {
            // The newest check-out by someone not left out, if any.
            tell = false;
            for (int i = checkouts.Count(); i >= 1 && !tell; --i)
                if (!IsIgnoredUser(checkouts.Item(i).Username)) {
                    user = checkouts.Item(i).Username;
                    tell = true;
                }
        }
        user = LogText::printable(user);
    } else if (X == 0 && S != 0 && ignoring) {
        tell = TellCheckoutEnd(file, item);
    }
    if (item.IsCheckedOut() != X)
        throw RepositoryError(QStringLiteral("The item changed while it was read"));

    if (X == S) {
        // Rule A: a version newer than the one last seen, by whole seconds.
        if (!newest.isValid() || wholeSecondsBetween(seen, newest) < 1)
            return;
        if (settings.NotifyIn && tell)
            Announce(spec, spec + kCrLf + tr("has been checked in!") + kCrLf, kCheckIn, QString(),
                     true);
        file.setDateIn(newest);
        ChangeFound(tell);
    } else if (X != 0 && S == 0) {
        // Rule B: a check-out; the user is the last entry of the check-outs.
        if (settings.NotifyOut && tell)
            Announce(spec, spec + kCrLf + tr(" has been checked out by ") + user + kCrLf, kCheckOut,
                     user, false);
        file.setStatus(qint16(X));
        if (!tell)
            m_ignoredCheckouts.insert(file.Key());
        ChangeFound(tell);
    } else if (X == 0 && S != 0) {
        // Rule C: a check-in or an undone check-out.
        if (settings.NotifyIn && tell)
            Announce(spec, spec + kCrLf + tr("has been checked in!") + kCrLf, kUndoCheckOut,
                     QString(), false);
        file.setStatus(qint16(X));
        m_ignoredCheckouts.remove(file.Key());
        ChangeFound(tell);
        m_ruleCFired = true;
    }
    // Anything else (1 <-> 2, -1 while checked out) is not reported.
}

bool modZel::IsLoggedInUser(const QString &user) const
{
    return !user.isEmpty() && user.compare(settings.Username, Qt::CaseInsensitive) == 0;
}

bool modZel::IsIgnoredUser(const QString &user) const
{
    if (settings.IgnoreOwnChanges && IsLoggedInUser(user))
        return true;
    return !user.isEmpty() && settings.IgnoreChangesBy.contains(user, Qt::CaseInsensitive);
}

bool modZel::ToldVersionSince(const VSSItem &item, const QDateTime &seen) const
{
    for (const VSSVersion &entry : item.Versions(0))
        if (!IsIgnoredUser(entry.Username) && entry.Date.isValid() &&
            wholeSecondsBetween(seen, entry.Date) >= 1)
            return true;
    return false;
}

bool modZel::TellCheckoutEnd(const Suspect &file, const VSSItem &item) const
{
    const QDateTime seen = orNeverRecorded(file.DateIn());
    // The holder is known: the user (2), or left out when it began. A
    // check-out that began before this run tells its holder only through a
    // check-in by a left-out user.
    if ((file.Status() == 2 && settings.IgnoreOwnChanges) ||
        m_ignoredCheckouts.contains(file.Key()))
        return ToldVersionSince(item, seen);
    if (settings.IgnoreChangesBy.isEmpty())
        return true;
    const QDateTime newest = item.NewestVersionDate();
    if (newest.isValid() && wholeSecondsBetween(seen, newest) >= 1 &&
        IsIgnoredUser(item.NewestVersionUser()))
        return ToldVersionSince(item, seen);
    return true;
}

void modZel::ChangeFound(bool tell)
{
    EventsFound = true;
    m_changeToTell = m_changeToTell || tell;
}

void modZel::Announce(const QString &spec, const QString &message, const QString &action,
                      const QString &user, bool mayAmend)
{
    // While snoozed, the change is recorded and counted, nothing more.
    const bool held = m_snooze.active;
    if (!held) {
        m_shell.setResetEnabled(true);
        PendingMessage += message;
    }
    m_announced.push_back({spec, action, user});
    RecordEvent(spec, action, user, mayAmend);
    if (settings.ShowIcon && !held)
        m_shell.setTrayLook(TrayLook::Change);
}

void modZel::RecordEvent(const QString &spec, const QString &action, const QString &user,
                         bool mayAmend)
{
    const QDateTime now = m_clock.now();
    const QString object = LogText::printable(spec);
    const QString rowKey = DateToSetting(now) + object;
    EventList &list = eventListQuietly();

    // Rule A2: the newest row concerns this file: amend it to "check in".
    // The newest row is the one added last, wherever a sort shows it (the
    // last row in the order the list was loaded or added to). It must be
    // this file's own (its object equals the spec; a mere substring test
    // would let $/a.txt amend the row of $/a.txt.bak), and so must the log's
    // last record, which may differ when the list was cleared: another
    // file's record is never rewritten; this file's check-in then gets a row
    // and a record of its own, so the list keeps showing what the log holds.
    if (mayAmend && !list.isEmpty() && list.newestRow().object == object) {
        const EventRow newest = list.newestRow();
        bool amended = false;
        try {
            amended = eventLog.AmendLastAction(object, kAmendedCheckIn);
        } catch (const std::exception &e) {
            // The row shows the check-in even though the log could not.
            amended = true;
            ReportStoreFailure(e);
        }
        if (amended) {
            list.amendNewestRow(rowKey, kAmendedCheckIn);
            Deliver(
                {newest.date, newest.time, object, kAmendedCheckIn, QString(), settings.Inifile});
            return;
        }
    }

    EventRow row;
    row.key = rowKey;
    row.text = action;
    row.date = now.toString(QStringLiteral("yyyy-MM-dd"));
    row.time = now.toString(QStringLiteral("hh:mm:ss"));
    row.object = object;
    row.user = user;
    list.addRow(row);
    keepNewestRowOnly(list);
    WriteRecord(now, object, action, user);
}

void modZel::WriteRecord(const QDateTime &when, const QString &object, const QString &action,
                         const QString &user)
{
    const EventRecord record{when.toString(QStringLiteral("yyyy-MM-dd")),
                             when.toString(QStringLiteral("hh:mm:ss")),
                             object,
                             action,
                             user,
                             settings.Inifile};
    // Standard output and the event command get the event even when the log
    // cannot take it.
    Deliver(record);
    try {
        eventLog.WriteLog(eventLog.EventLogPath, record.text(), true);
    } catch (const std::exception &e) {
        ReportStoreFailure(e);
    }
}

void modZel::Deliver(const EventRecord &record)
{
    m_shell.eventRecorded(record);
    m_hooks.run(settings.OnEvent, settings.OnEventTimeout * 1000, record);
}

void modZel::ReportStoreFailure(const std::exception &e)
{
    ReportStoreFailure(ErrorMark() + QString::fromUtf8(e.what()));
}

void modZel::ReportStoreFailure(const QString &status)
{
    // The poll goes on and the in-memory state moves on, so nothing is
    // reported twice within this run; the user learns what was not kept.
    StoreFailed = true;
    m_shell.setStatus(status);
    Trace(QStringLiteral("CheckFiles: ") + status, QString());
}

void modZel::ReportWithoutLock(int records)
{
    if (records == 0)
        return;
    const QString text =
        records == 1 ? tr("1 event record was") : tr("%1 event records were").arg(records);
    const QString status =
        tr("ERROR: %1 written without the event log's lock: another program holds %2")
            .arg(text, QDir::toNativeSeparators(LogLock::lockPathFor(eventLog.EventLogPath)));
    m_shell.setStatus(status);
    Trace(QStringLiteral("CheckFiles: ") + status, QString());
}

void modZel::keepNewestRowOnly(EventList &list)
{
    if (!KeepNewestEventOnly || list.count() <= 1)
        return;
    const EventRow newest = list.lastRow();
    list.clear();
    list.addRow(newest);
}

// ------------------------------------------------------------- notifications

void modZel::EndOfPoll()
{
    TellChanges(DesktopNote::For(m_announced), true);
}

void modZel::TellChanges(const DesktopNote &note, bool restartTimer)
{
    if (settings.DesktopNotify && !note.summary.isEmpty())
        m_shell.showDesktopNotification(note.summary, note.body);
    if (settings.PlaySound)
        m_shell.beep();
    if (settings.ShowMessages) {
        // The timer pauses while the viewer comes up (polls on writes wait
        // for PollBusy meanwhile).
        if (TimerId != 0)
            m_timers.KillTimer(TimerId);
        PollBusy = true;
        m_shell.showEventLog();
        if (restartTimer)
            setPollTimer();
        PollBusy = false;
        ResetTrayIcon();
    }
}

void modZel::StoreListIfDue()
{
    if (EventsFound && m_sinceStored.hasExpired(kStoreEveryMs)) {
        StoreList();
        m_sinceStored.restart();
    }
}

void modZel::StoreList()
{
    m_listDirty = false;
    if (!m_store)
        return;
    QString reason;
    try {
        if (!StoreFileList(MonitoredFiles, *m_store))
            reason = m_store->failure();
    } catch (const std::exception &e) {
        reason = QString::fromUtf8(e.what());
    }
    if (!reason.isEmpty())
        ReportStoreFailure(tr("ERROR: Cannot store the list of files: ") + reason);
}

void modZel::ResetTrayIcon()
{
    PendingMessage.clear();
    m_resumeSummary.clear();
    m_shell.setResetEnabled(false);
    m_shell.setTrayLook(TrayLook::Normal);
}

void modZel::Reset()
{
    if (ModalOpen)
        return;
    if (!PollBusy)
        m_shell.showMessage(m_resumeSummary + PendingMessage);
    ResetTrayIcon();
}

// -------------------------------------------------------------------- snooze

void modZel::SnoozeNotifications(SnoozeLength length)
{
    if (!m_snooze.active)
        m_heldChanges.clear();
    m_snooze.active = true;
    m_snooze.until = Snooze::EndFor(length, m_clock.now());
    StoreSnooze();
    SnoozeTick();
    m_shell.snoozeChanged();
}

void modZel::ResumeNotifications()
{
    if (!m_snooze.active)
        return;
    const int held = m_snooze.held;
    m_snooze = Snooze();
    if (m_snoozeTimerId != 0)
        m_timers.KillTimer(m_snoozeTimerId);
    m_snoozeTimerId = 0;
    StoreSnooze();
    m_shell.snoozeChanged();
    const std::vector<AnnouncedChange> changes = std::exchange(m_heldChanges, {});
    if (held == 0)
        return;
    const DesktopNote note = DesktopNote::WhilePaused(changes, held);
    m_resumeSummary = note.summary + kCrLf;
    m_shell.setResetEnabled(true);
    if (settings.ShowIcon)
        m_shell.setTrayLook(TrayLook::Change);
    TellChanges(note, m_pollTimerRunning);
}

void modZel::RestoreSnooze(const Snooze &stored)
{
    if (!stored.active)
        return;
    if (stored.expiredAt(m_clock.now())) {
        StoreSnooze(); // its time ended while the program was not running
        return;
    }
    m_snooze = stored;
    SnoozeTick();
    m_shell.snoozeChanged();
}

void modZel::HoldBack()
{
    if (m_announced.empty())
        return;
    m_snooze.held += int(m_announced.size());
    for (const AnnouncedChange &change : m_announced)
        if (m_heldChanges.size() < DesktopNote::kMaxLines)
            m_heldChanges.push_back(change);
    StoreSnooze();
}

void modZel::StoreSnooze()
{
    if (!m_store)
        return;
    if (!::StoreSnooze(m_snooze, *m_store))
        ReportStoreFailure(tr("ERROR: Cannot store the pause of notifications: ") +
                           m_store->failure());
}

void modZel::SnoozeTick()
{
    constexpr qint64 kLookAtLeastEveryMs = 60 * 1000;
    if (!m_snooze.active || !m_snooze.until.isValid()) {
        if (m_snoozeTimerId != 0)
            m_timers.KillTimer(m_snoozeTimerId);
        m_snoozeTimerId = 0;
        return;
    }
    const qint64 leftMs = m_clock.now().msecsTo(m_snooze.until);
    // A dialog or the viewer pop-up of a poll: the summary waits for it.
    if (leftMs <= 0 && !ModalOpen && !PollBusy) {
        ResumeNotifications();
        return;
    }
    const int nextMs = int(qBound<qint64>(1000, leftMs, kLookAtLeastEveryMs));
    m_snoozeTimerId = m_timers.SetTimer(m_snoozeTimerId, nextMs, [this] { SnoozeTick(); });
}
