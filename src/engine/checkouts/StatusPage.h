#pragma once

#include "CheckoutReader.h"
#include "engine/eventlog/EventRecord.h"

#include <QByteArray>
#include <QDateTime>

#include <deque>
#include <vector>

// What the status page shows.
struct StatusPageContent
{
    QString database;  // the srcsafe.ini path
    QDateTime written; // the poll that wrote the page (local time)
    int watched = 0;   // entries in the watched list
    std::vector<CheckedOutFile> checkouts;
    std::deque<EventRecord> events; // oldest first
    QStringList problems;           // items that could not be read, with the reason
};

// A self-contained HTML page of who has what among the watched files: one
// file with its style and plain script, loading nothing (its content
// security policy forbids any request), sortable by each column and
// filterable by file or user in the page. Every name is escaped.
namespace StatusPage {

QByteArray html(const StatusPageContent &content);
// Text for an HTML element or attribute value.
QString escaped(const QString &text);

} // namespace StatusPage

// Keeps the page of the headless watcher: the newest events (the log's
// last records at start, then each one recorded) and, at each write, the
// check-outs read afresh.
class StatusPageWriter
{
public:
    static constexpr int MaxEvents = 100;

    explicit StatusPageWriter(const QString &path) : m_path(path) {}
    QString path() const { return m_path; }

    // The last MaxEvents records of the event log (none when it cannot be read).
    void loadEvents(const QString &logPath);
    // A new record, or the newest one amended (same date, time and file).
    void eventRecorded(const EventRecord &record);

    // Reads the check-outs of the watched entries and replaces the page
    // (temporary file, then rename); raises ZelError when it cannot be written.
    void write(VSSDatabase &db, const CheckoutRoots &watched, const QString &database,
               const QDateTime &now);

private:
    QString m_path;
    std::deque<EventRecord> m_events;
};
