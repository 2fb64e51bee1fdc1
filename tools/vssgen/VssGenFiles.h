#pragma once

#include <QByteArray>
#include <QString>

// File access of the writer; every failure raises VssGenError.
namespace VssGenFiles {

QByteArray read(const QString &path);
// Creates or replaces a whole file.
void write(const QString &path, const QByteArray &bytes);
// Writes `bytes` at `offset` of an existing file in one call (records
// appended at the end, headers rewritten in place).
void writeAt(const QString &path, qint64 offset, const QByteArray &bytes);
void remove(const QString &path);
// Every file below folder `from` copied to the same place below `to` (a
// database that tests and benchmarks change in a copy of their own).
void copyTree(const QString &from, const QString &to);

} // namespace VssGenFiles
