#pragma once

#include <QDeadlineTimer>
#include <QString>

#include <functional>
#include <optional>

class Clock;
class LogLock;

// The event log file (one TAB-separated record per detected change, CR LF
// line ends) and the trace log. Every rewrite replaces the file atomically;
// appends, trims and amendments of the event log hold its writers' lock
// (LogLock), so several processes may share one log.
class EventLogFile
{
public:
    explicit EventLogFile(const Clock &clock);

    // Module-level values of the event log.
    QString EventLogPath;
    QString MaxLogSize; // kilobytes, as text; empty reads as "1024"
    qint16 MaxAction = 0;
    QString MaxDays;

    // Appends one entry. isEvent: `text` is a record for EventLogPath and the
    // size policy applies; otherwise a trace message gets its timestamp.
    // The entry is written in the file's encoding (UTF-16LE after FF FE).
    // Raises ZelError on failure; nothing is then written, except when only
    // the trim failed: the record is then added and the trim failure raised.
    void WriteLog(const QString &fileName, const QString &text, bool isEvent);
    // Replaces the action (text after the last TAB) of the last record.
    void UpdateLastAction(const QString &action);
    // Rule A2 on the file: replaces the last record's action when that record
    // is `object`'s, under the writers' lock; false (nothing written) when it
    // is another object's or there is none.
    bool AmendLastAction(const QString &object, const QString &action);
    // The object of the record whose action UpdateLastAction would replace
    // (everything between the second and the last TAB of that line); empty
    // when the file has no TAB. Reads only the file's tail.
    QString LastActionObject() const;
    // Applies the MaxAction policy; true when the file was rewritten and is
    // now under the limit.
    bool TrimEventLog();

    // From here on the writes share one wait of at most LockBudgetMs for
    // the writers' lock (a poll's records: another program holding the lock
    // stalls a poll once, not every record); once it is spent, each write
    // tries the lock once. endLockBudget() returns how many writes went
    // ahead without the lock because another program held it.
    int LockBudgetMs = 10000;
    void beginLockBudget();
    int endLockBudget();

    // Whole file as text: UTF-16LE when it starts with FF FE, else the
    // program's 8-bit encoding. Missing file or empty path: empty text (a
    // missing file is then created empty where its folder allows). Raises
    // ZelError for a file that cannot be read or is larger than 256 MiB.
    static QString ReadTextFile(const QString &path);
    // The same text handed to `take` in pieces of whole lines (each ends with
    // CR LF; an unfinished last line is left out), with the number of bytes
    // each was read from; `take` returns false to stop. With `tailBytes`
    // above 0, only the lines that start within the file's last `tailBytes`
    // bytes. Any size is read: only a piece is in memory at a time.
    static void ReadTextPieces(const QString &path, qint64 tailBytes,
                               const std::function<bool(QStringView, qint64)> &take);
    // Replaces the file's content atomically (the old content stays intact
    // on any failure) in the 8-bit encoding, under the writers' lock; returns
    // its length in bytes.
    // Raises ZelError on failure.
    static qint32 WriteTextFile(const QString &path, const QString &content);

private:
    void replaceLastAction(const QString &action);
    QDeadlineTimer lockDeadline() const;
    void lockTaken(const LogLock &lock);

    std::optional<QDeadlineTimer> m_lockBudget;
    int m_withoutLock = 0;

    const Clock &m_clock;
};

// Where the trace log lives: "c:\quorvik.log" on Windows, else quorvik.log
// in the user's application data folder (created by the first entry).
QString TraceLogPath();
