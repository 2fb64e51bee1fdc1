#pragma once

#include "VssCodePage.h"
#include "VssDataFolder.h"
#include "VssItemFile.h"
#include "VssNames.h"

#include <QString>

#include <functional>
#include <memory>

// Settings of the database reader.
struct VssDbOptions
{
    // Code page of the names in the database; empty: the system's ANSI code
    // page on Windows, elsewhere Windows-1252 unless the names only make
    // sense as GBK (code page 936).
    QString codePage;
    // A project listing checked this recently, in the same poll, is reused
    // without reading its header again, so that one poll over many files of
    // one project reads each ancestor project once. 0: check on every lookup.
    int projectRecheckMs = 1000;
    // A project or watched item whose item file keeps the stamp it had when
    // it was last read, this long or more after that stamp was first seen,
    // is taken as unchanged after one look at its stamp instead of a read. The wait
    // outlasts the time step of file system clocks (2 s on FAT), so a write
    // in the same step as an earlier one is never taken for no write.
    // Negative: always read.
    int stampSettleMs = 3000;
    // Where listings carry stamps, a listing of a data folder answers every
    // look at its item files until the next poll begins, or until the place
    // was asked nothing for this long (VssListedStamps). 0: every look lists.
    int listingReuseMs = 1000;
    // An item object answers from its last read of the item file for this
    // long, so that the calls one poll makes on one file (check-out state,
    // newest date, check-outs, the state again) cost one read and see one
    // consistent state. Items kept longer see changes once it has passed.
    // 0: read on every call.
    int itemReuseMs = 250;
    // The item states kept: once there are twice as many as after the last
    // sweep (and at least itemsKept), those not read for itemForgetMs are
    // forgotten. A watcher that runs for months keeps what its polls read,
    // at the longest interval too, and forgets items looked at once.
    int itemsKept = 1024;
    qint64 itemForgetMs = 2 * 3600 * 1000;
    // Attempts at a consistent read before a call fails.
    int readAttempts = 3;
    // Item states and project listings are kept for the next read: a watcher
    // reads the same files at every poll. A walk that reads each item once
    // (quorvik-vss) keeps none, so its memory does not grow with the tree.
    bool keepReadStates = true;
    // How the files are reached; null: the backend the database's path
    // names (FileAccess::forPath).
    std::shared_ptr<FileAccess> files;
};

// What an open database shares among its items: the data folder, the code
// page, the long names and the logged-in user.
class VssSession
{
public:
    explicit VssSession(VssDbOptions options) : m_options(std::move(options)) {}

    // Raises RepositoryOpenError.
    void open(const QString &iniPath, const QString &user, const QString &password);

    // Whether srcsafe.ini now names another data folder than this session
    // reads (the database was moved): read again when its stamp changed since
    // the last look, or always when `force`. A file that cannot be read now
    // is taken as no move (the polls say what they cannot read).
    bool dataPathMoved(bool force);

    const VssDbOptions &options() const { return m_options; }
    const VssDataFolder &folder() const { return m_folder; }
    // Listings taken before are not reused for what follows.
    void beginPoll() { m_folder.beginPoll(); }
    void endPoll() { m_folder.endPoll(); }
    QString userName() const { return m_userName; }
    QString codePageName() const { return m_codePage ? m_codePage->name() : QString(); }
    QString codePageNote() const { return m_codePage ? m_codePage->note() : QString(); }

    QString decode(const QByteArray &bytes) const { return m_codePage->decode(bytes); }
    // The display name of a name block: the long (or project) name from
    // names.dat when there is one, else the stored short name. Raises
    // RepositoryError when names.dat is damaged.
    QString displayName(const VssNameBlock &block);
    // The same, falling back to the short name on any failure (texts only).
    QString displayNameOrShort(const VssNameBlock &block);

    [[noreturn]] void fail(const QString &path, const QString &what) const;

    // Reads the item or listing of `physical` through `tryOnce`, which
    // returns an error text (empty on success) and names the file it read.
    // A failed try is repeated, up to readAttempts in all, after a short
    // pause that lets a writer finish; then RepositoryError is raised. An
    // invalid physical name fails at once.
    void readConsistently(const QByteArray &physical,
                          const std::function<QString(QString &path)> &tryOnce) const;

private:
    QString chooseCodePage(const QString &configured);
    // names.dat, wherever it is spelt; absent is no error.
    QString loadNames();
    // The data folder srcsafe.ini names, and the file's stamp; raises
    // RepositoryOpenError.
    static QString readDataPath(FileAccess &files, const QString &iniPath,
                                FileStamp *stamp = nullptr);

    VssDbOptions m_options;
    VssDataFolder m_folder;
    std::unique_ptr<VssCodePage> m_codePage;
    VssNames m_names;
    QString m_userName;
    QString m_iniPath;
    FileStamp m_iniStamp; // of srcsafe.ini when it was last read
};
