#pragma once

#include "engine/Repository.h"

#include <QHash>
#include <QSet>
#include <QStringList>

// A scriptable repository held in memory, for tests and demo scripting. The
// repository holds the data; each database object it creates is one session
// that reads it live, as the automation library's objects do.
class MemoryRepository : public std::enable_shared_from_this<MemoryRepository>
{
public:
    struct Node
    {
        QString name;
        int type = VSSItem::File;
        bool deleted = false;
        Node *parent = nullptr;
        std::vector<std::shared_ptr<Node>> children;
        std::vector<VSSVersion> history; // oldest first
        struct Checkout
        {
            QString user;
            bool exclusive = true;
        };
        std::vector<Checkout> checkouts;
    };

    static std::shared_ptr<MemoryRepository> create();

    // Open accepts this ini path only (empty: any path).
    void setIniPath(const QString &path) { m_iniPath = path; }
    QString iniPath() const { return m_iniPath; }
    // User names compare case-insensitively, as VSS does.
    void addUser(const QString &name, const QString &password = QString());

    // Scripting. Specs name existing parents; each call raises RepositoryError
    // when the spec cannot be used. A date is kept as the wall-clock time its
    // fields show, as the database files keep it.
    void addProject(const QString &spec, const QDateTime &date = QDateTime());
    void addFile(const QString &spec, const QString &user, const QDateTime &date);
    void checkOut(const QString &spec, const QString &user, bool exclusive = true);
    // A new version dated `date`; the user's check-out ends unless keepCheckedOut.
    void checkIn(const QString &spec, const QString &user, const QDateTime &date,
                 bool keepCheckedOut = false);
    void undoCheckOut(const QString &spec, const QString &user);
    // A history entry carrying `versionNumber` (-1: the current one).
    void label(const QString &spec, const QString &label, const QDateTime &date,
               const QString &user = QStringLiteral("Admin"), int versionNumber = -1);
    void remove(const QString &spec);
    void recover(const QString &spec);
    void rename(const QString &spec, const QString &newName);

    // Failure injection: an operation name ("create", "Open", "VSSItem",
    // "Items", "IsCheckedOut", "VersionNumber", "Versions", "Checkouts") fails
    // for every spec, or only for `spec` when given.
    void failOn(const QString &operation, const QString &spec = QString());
    void clearFailures() { m_failures.clear(); }

    // Runs `action` once, at the next call of `operation` (before it reads):
    // a writer that changes the repository in the middle of a poll.
    void onNextCall(const QString &operation, std::function<void()> action)
    {
        m_pending[operation] = std::move(action);
    }

    // Call counting, per operation name.
    int calls(const QString &operation) const { return m_calls.value(operation); }
    void resetCalls() { m_calls.clear(); }

    RepositoryFactory factory();

    // Used by the session objects.
    Node *find(const QString &spec, bool includeDeleted) const;
    static QString specOf(const Node *node);
    void count(const QString &operation)
    {
        ++m_calls[operation];
        if (auto action = m_pending.take(operation))
            action();
    }
    void checkFailure(const QString &operation, const QString &spec) const;
    bool acceptsLogin(const QString &ini, const QString &user, const QString &password) const;

private:
    MemoryRepository();
    Node *require(const QString &spec) const;
    Node *addNode(const QString &spec, int type);

    std::shared_ptr<Node> m_root;
    QString m_iniPath;
    QHash<QString, QString> m_users; // lower-case name -> password
    QSet<QString> m_failures;        // "operation" or "operation\nspec"
    QHash<QString, int> m_calls;
    QHash<QString, std::function<void()>> m_pending;
};
