#pragma once

#include "WallClock.h"
#include "ZelError.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// The repository as the engine sees it: the operations of the VSS automation
// library that the session, the poll, the add command and the explorer call.
// Backends: the in-memory repository (tests, demo scripting), the native
// reader of VSS database files, and on Windows the automation binding.

// Any failing repository call.
class RepositoryError : public ZelError
{
public:
    explicit RepositoryError(const QString &description, int number = -1)
        : ZelError(number, QStringLiteral("VSSDatabase"), description)
    {}
};

// The database object could not be created ("VSS not installed").
class RepositoryCreateError : public RepositoryError
{
public:
    using RepositoryError::RepositoryError;
};

// Open refused the database, the user or the password.
class RepositoryOpenError : public RepositoryError
{
public:
    using RepositoryError::RepositoryError;
};

// Open refused the user or the password (the database itself was readable).
class RepositoryLoginError : public RepositoryOpenError
{
public:
    using RepositoryOpenError::RepositoryOpenError;
};

// One entry of an item's history. The engine uses VersionNumber and Date (a
// wall-clock time, see WallClock.h); the other fields serve the command-line
// tool and the explorer.
struct VSSVersion
{
    int VersionNumber = 0;
    QDateTime Date;
    QString Username;
    QString Action;
    QString Label;
};

// One live check-out. The native reader fills every field; other backends
// may leave all but Username empty.
struct VSSCheckout
{
    QString Username;
    QDateTime Date;        // when it was checked out (wall-clock time, see WallClock.h)
    int VersionNumber = 0; // the version checked out
    QString LocalSpec;     // the check-out folder on that machine
    QString Machine;
    QString Comment;
};

// Collection with Count and Item(i), i from 1 to Count.
class VSSCheckouts
{
public:
    VSSCheckouts() = default;
    explicit VSSCheckouts(std::vector<VSSCheckout> entries) : m_entries(std::move(entries)) {}
    int Count() const { return int(m_entries.size()); }
    // 1-based, as the automation library counts; raises for a bad index.
    const VSSCheckout &Item(int i) const
    {
        if (i < 1 || i > Count())
            throw RepositoryError(QStringLiteral("Invalid check-out index"));
        return m_entries[size_t(i - 1)];
    }

private:
    std::vector<VSSCheckout> m_entries;
};

class VSSItem;
using VSSItemPtr = std::shared_ptr<VSSItem>;

class VSSItem
{
public:
    enum ItemType
    {
        Project = 0,
        File = 1
    };

    virtual ~VSSItem() = default;
    virtual QString Spec() const = 0;
    virtual QString Name() const = 0;
    virtual int Type() const = 0;
    virtual std::vector<VSSItemPtr> Items(bool includeDeleted = false) const = 0;
    // 0 not checked out, 1 by another user, 2 by the logged-in user.
    virtual int IsCheckedOut() const = 0;
    virtual int VersionNumber() const = 0;
    // Every history entry, newest first.
    virtual std::vector<VSSVersion> Versions(int flags = 0) const = 0;
    virtual VSSCheckouts Checkouts() const = 0;

    // The date of the newest version: the latest date among the history
    // entries that carry VersionNumber (a label shares the number of the
    // version it marks); invalid when there is none. A backend may answer
    // without walking the whole history.
    virtual QDateTime NewestVersionDate() const { return NewestVersion().Date; }
    // Who made that version; empty when there is none.
    virtual QString NewestVersionUser() const { return NewestVersion().Username; }

    // The file whose writes can change what this item reports (watched for
    // changes between polls); empty when the backend has none.
    virtual QString ChangeFile() const { return {}; }

protected:
    // The entry NewestVersionDate dates, read from the whole history.
    VSSVersion NewestVersion() const
    {
        const int newestNumber = VersionNumber();
        VSSVersion newest;
        for (const VSSVersion &version : Versions(0))
            if (version.VersionNumber == newestNumber &&
                (!newest.Date.isValid() || version.Date > newest.Date))
                newest = version;
        return newest;
    }
};

class VSSDatabase
{
public:
    virtual ~VSSDatabase() = default;
    // Raises RepositoryOpenError when the session is not usable.
    virtual void Open(const QString &iniPath, const QString &user, const QString &password) = 0;
    // Raises RepositoryError when the spec does not exist.
    virtual VSSItemPtr VSSItem(const QString &spec, bool deleted = false) = 0;

    // The code page of the names. Set before Open: the one to read them in
    // (empty: the backend chooses); after Open: the one in use (empty when
    // the backend has none).
    virtual void SetCodePage(const QString &) {}
    virtual QString CodePage() const { return {}; }

    // Whether the database settings file now names another data folder than
    // the open session reads (the database was moved; a new session reads
    // the new one): looked at again when the file changed, or always when
    // `force`.
    virtual bool Moved(bool force = false)
    {
        Q_UNUSED(force);
        return false;
    }

    // A poll (or the look-up of the watched files as watching starts)
    // begins: what it reads shows the files as they are from now on (a
    // reader that decides from folder listings takes them afresh). Until
    // EndPoll, a project's listing is looked at once. `afterLookUps`: the
    // poll follows the look-ups at once, nothing watching for writes
    // between (`--once`): what they listed may serve it (a write since
    // shows at the next poll).
    virtual void BeginPoll(bool afterLookUps = false) { Q_UNUSED(afterLookUps); }
    virtual void EndPoll() {}
};

// Creates an unopened database object; raises RepositoryCreateError when the
// backend is not available.
using RepositoryFactory = std::function<std::unique_ptr<VSSDatabase>()>;
