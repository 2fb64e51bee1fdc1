#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>

class Suspects;

// One watched entry and what the poll last saw of it: a file, or a project
// standing for every file below it.
class Suspect
{
public:
    QDateTime DateIn() const { return m_dateIn; }
    void setDateIn(const QDateTime &value) { m_dateIn = value; }
    qint16 ImageIndex() const { return m_imageIndex; }
    void setImageIndex(qint16 value) { m_imageIndex = value; }
    // -1: never recorded; otherwise the IsCheckedOut value last seen.
    qint16 Status() const { return m_status; }
    void setStatus(qint16 value) { m_status = value; }
    QString Key() const { return m_key; }
    void setKey(const QString &value) { m_key = value; }

    // A watched project: the files below it at any depth, each with what
    // the poll last saw of it. Copies of the entry (the explorer's) share
    // these states, so a poll meanwhile is never undone by handing a copy
    // back; the exclude patterns are each copy's own.
    bool IsProject() const { return m_below != nullptr; }
    // A project's ImageIndex: the explorer's project picture.
    static constexpr qint16 ProjectImage = 4;
    const std::shared_ptr<Suspects> &Below() const { return m_below; }
    void setBelow(std::shared_ptr<Suspects> below) { m_below = std::move(below); }
    QStringList Excludes() const { return m_excludes; }
    void setExcludes(const QStringList &patterns) { m_excludes = patterns; }

private:
    QDateTime m_dateIn;
    qint16 m_imageIndex = 0;
    qint16 m_status = 0;
    QString m_key;
    std::shared_ptr<Suspects> m_below;
    QStringList m_excludes;
};
