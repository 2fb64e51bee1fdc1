#pragma once

#include "VssGenItems.h"

#include "engine/repository/vssdb/VssItemFile.h"
#include "engine/repository/vssdb/VssNames.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>

class VssCodePage;

// Writes a VSS database the way VSS does: new item files, records appended
// at the old end of an item file, DH and CF records rewritten in place, and
// project lists replaced by a new data file under the other extension. Used
// to build databases for tests, benchmarks and the demo. Not safe against a
// second writer at the same time (VSS's own file locks are not taken).
class VssWriter
{
public:
    struct User
    {
        QString name;
        QString password;
    };
    // Who does an operation, when, and with what comment.
    struct Stamp
    {
        QString user;
        QDateTime when = QDateTime::currentDateTime();
        QString comment;
    };

    // Creates an empty database (the root project "$/") in `folder`; the
    // accounts are `users` plus Admin (blank password) unless given. With
    // `multipleCheckouts` several users may hold a file at once.
    static void create(const QString &folder, const QList<User> &users,
                       const QDateTime &when = QDateTime::currentDateTime(),
                       bool multipleCheckouts = false);

    // Opens the database whose srcsafe.ini is in `folder`.
    explicit VssWriter(const QString &folder);
    ~VssWriter();

    void addProject(const QString &spec, const Stamp &stamp);
    void addFile(const QString &spec, const Stamp &stamp, const QByteArray &content = {},
                 bool binary = false);
    // With multiple check-outs allowed, a file another user holds gets one
    // more record, at the old end of the item file, at the head of the
    // chain: the header names the newest check-out, each record the one
    // before it.
    void checkout(const QString &spec, const Stamp &stamp, bool exclusive = true,
                  const QString &workFolder = QStringLiteral("C:\\work"),
                  const QString &machine = QStringLiteral("VSSGEN"));
    // A check-in: a new version; `content` replaces the content file when
    // given.
    void checkin(const QString &spec, const Stamp &stamp, const QByteArray *content = nullptr);
    // Ends the check-out of `stamp.user`; while others still hold the file
    // the header keeps its chain and only this record is released.
    void undoCheckout(const QString &spec, const Stamp &stamp);
    void label(const QString &spec, const QString &label, const Stamp &stamp);
    void remove(const QString &spec, const Stamp &stamp);
    void rename(const QString &spec, const QString &newName, const Stamp &stamp);
    // Shares the file `spec` into the project `intoProject`: one item file,
    // two project entries.
    void share(const QString &spec, const QString &intoProject, const Stamp &stamp);
    // Pins the entry `spec` of its project at `version` (0 unpins it): that
    // project then shows the file as it was at that version.
    void pin(const QString &spec, int version, const Stamp &stamp);

    QString dataPath() const { return m_data; }
    QString itemPath(const QByteArray &physical) const;
    QString dataFilePath(const QByteArray &physical, char extension) const;

private:
    struct Item
    {
        QByteArray physical;
        QString path;
        QByteArray bytes;
        VssItemState state;
    };
    struct Located
    {
        QString spec;
        QString name;
        bool project = false;
        QByteArray physical;
        QString parentSpec;
        QByteArray parentPhysical;
    };
    struct Listing
    {
        Item item;
        std::vector<VssGenRecords::ProjectEntry> entries;
    };

    Item load(const QByteArray &physical) const;
    Listing listing(const QByteArray &project) const;
    QString displayName(const VssGenRecords::NameBlock &block) const;
    Located resolve(const QString &spec) const;
    Located resolveParent(const QString &spec, QString &name) const;
    int findEntry(const Listing &list, const QString &name, bool liveOnly = true) const;
    QByteArray canonicalUser(const QString &user) const;
    QByteArray encode(const QString &text) const;
    QByteArray allocatePhysical();
    VssGenRecords::NameBlock makeName(const QString &name, bool project);
    void addItem(const QString &spec, const Stamp &stamp, bool project, const QByteArray &content,
                 bool binary);
    // A live check-out record: where it is and its payload.
    struct Held
    {
        qint32 offset = 0;
        QByteArray payload;
        QByteArray user;
    };
    // The live check-out records of the file, in chain order (newest first).
    std::vector<Held> held(const Item &item) const;
    void release(const Located &file, const Stamp &stamp, const QByteArray *content,
                 bool newVersion);
    // Appends the history entry to the project and replaces its list.
    void commitListing(Listing &list, std::vector<VssGenRecords::ProjectEntry> entries,
                       VssGenRecords::HistoryEntry entry);
    void applyChange(const Item &item, const VssGenItems::Change &change);
    // status.dat, VSS's cache of every item's state (0 while a file is
    // checked out, else its content time), is rewritten in place at each
    // check-out, undo and check-in, as VSS does.
    void noteStatus(const QByteArray &physical, quint32 value) const;

    QString m_data;
    bool m_multipleCheckouts = false;
    mutable VssNames m_names;
    std::unique_ptr<VssCodePage> m_codePage;
};
