#pragma once

#include "CheckoutReader.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

#include <vector>

// The check-outs as a table: one row per check-out, columns File, User,
// Since, Version, Folder, Machine, Comment. Rows arrive in batches while
// the database is read.
class CheckoutTable : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        File,
        User,
        Since,
        Version,
        Folder,
        Machine,
        Comment,
        ColumnCount
    };

    using QAbstractTableModel::QAbstractTableModel;

    void append(std::vector<CheckedOutFile> rows);
    void clear();
    const CheckedOutFile &at(int row) const { return m_rows[size_t(row)]; }
    // The users holding files, each once (as first spelled), sorted.
    QStringList users() const;

    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    // DisplayRole: the text; Qt::UserRole: what the column sorts by.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    std::vector<CheckedOutFile> m_rows;
};

// The rows of one user (any user when empty) whose file contains a text
// (any case), sorted by any column.
class CheckoutFilter : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit CheckoutFilter(QObject *parent = nullptr);
    void setUser(const QString &user);
    void setPathText(const QString &text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QString m_user;
    QString m_pathText;
};
