#pragma once

#include <QDateTime>
#include <QString>

// One watched file and what the poll last saw of it.
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

private:
    QDateTime m_dateIn;
    qint16 m_imageIndex = 0;
    qint16 m_status = 0;
    QString m_key;
};
