#pragma once

#include "support/TestFiles.h"

#include "engine/repository/vssdb/VssDbDatabase.h"
#include "engine/repository/vssdb/VssLayout.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTest>

// Access to the real databases kept as read-only fixtures.
namespace VssFixtures {

inline QString root()
{
    const QString fromEnv = qEnvironmentVariable("QUORVIK_FIXTURES");
    return fromEnv.isEmpty() ? QStringLiteral(QUORVIK_FIXTURES) : fromEnv;
}

inline QString ini(const QString &database)
{
    return root() + QLatin1Char('/') + database + QStringLiteral("/srcsafe.ini");
}

// Fresh options: no reuse window, so a test sees every change at once.
inline VssDbOptions strict(const QString &codePage = {})
{
    VssDbOptions options;
    options.codePage = codePage;
    options.projectRecheckMs = options.itemReuseMs = options.listingReuseMs = 0;
    options.readAttempts = 1;
    return options;
}

inline std::unique_ptr<VssDbDatabase> open(const QString &iniPath, const QString &user,
                                           const QString &password = {},
                                           const VssDbOptions &options = strict())
{
    auto db = std::make_unique<VssDbDatabase>(options);
    db->Open(iniPath, user, password);
    return db;
}

// Copies a database folder so that a test may change it.
inline bool copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(source);
        // Plain read and write: QFile::copy syncs every file to disk.
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) ||
            !TestFiles::write(target, TestFiles::read(source)))
            return false;
    }
    return true;
}

// The item file behind `item`.
inline QString itemFile(const VssDbDatabase &db, const VSSItem &item)
{
    return db.context()->session.folder().itemPath(
        dynamic_cast<const VssDbItem &>(item).physicalName());
}

// The data file of `item` (a project's listing), named by its header.
inline QString dataFile(const VssDbDatabase &db, const VSSItem &item)
{
    const QByteArray physical = dynamic_cast<const VssDbItem &>(item).physicalName();
    const VssDataFolder &folder = db.context()->session.folder();
    const QByteArray header = TestFiles::read(folder.itemPath(physical));
    return folder.dataFilePath(physical,
                               header.at(VssLayout::DH::FileOffset + VssLayout::RecordHeaderSize +
                                         VssLayout::DH::DataExtension + 1));
}

// Every spec at and below `item`, with its children, depth first.
inline void collect(const VSSItem &item, QStringList &specs)
{
    specs << item.Spec();
    for (const VSSItemPtr &child : item.Items(false))
        collect(*child, specs);
}

} // namespace VssFixtures
