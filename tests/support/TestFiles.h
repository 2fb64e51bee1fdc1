#pragma once

#include <QFile>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>

// Whole files as bytes, and the event log's records, for any test.
namespace TestFiles {

inline QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// Applies `change` to the file's bytes.
template <typename Change> bool edit(const QString &path, Change change)
{
    QByteArray bytes = read(path);
    change(bytes);
    return write(path, bytes);
}

// The event log's records as (object, action) pairs, oldest first.
inline QList<QPair<QString, QString>> records(const QString &logPath)
{
    QList<QPair<QString, QString>> out;
    for (const QByteArray &line : read(logPath).split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split('\t');
        if (fields.size() == 4)
            out.append({QString::fromUtf8(fields[2]), QString::fromUtf8(fields[3])});
    }
    return out;
}

// Makes a folder or file refuse changes while it lives: its mode, and for
// root (whom modes do not bind) the immutable attribute.
struct ReadOnly
{
    QString path;
    bool immutable = false;
    explicit ReadOnly(const QString &p) : path(p)
    {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
        immutable = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0;
    }
    ~ReadOnly()
    {
        if (immutable)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

} // namespace TestFiles
