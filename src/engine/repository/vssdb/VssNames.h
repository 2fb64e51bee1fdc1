#pragma once

#include "VssBytes.h"

#include <QByteArray>
#include <QList>
#include <QString>

class FileAccess;

// names.dat: the long names of items whose name block points there.
class VssNames
{
public:
    // Loads the file (through `files`; null: the local file system); a
    // missing file leaves an empty table (isPresent false).
    QString load(const QString &path, FileAccess *files = nullptr);
    bool isPresent() const { return m_present; }

    // The name of kind `kind` in the SN record at `offset`; an empty array
    // when that record has no such name. Returns a description on failure
    // (offset outside the file, torn or damaged record).
    QString lookup(qint32 offset, quint16 kind, QByteArray &name) const;
    bool covers(qint32 offset) const { return offset >= 0 && offset < m_data.size(); }

    // Every name in the file (to guess the code page from).
    QList<QByteArray> allNames() const;

private:
    QString readNames(qint64 offset, QList<QPair<quint16, QByteArray>> &names,
                      qint64 *end = nullptr) const;

    QByteArray m_data;
    bool m_present = false;
};
