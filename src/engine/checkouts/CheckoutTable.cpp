#include "CheckoutTable.h"

#include <QMap>

void CheckoutTable::append(std::vector<CheckedOutFile> rows)
{
    if (rows.empty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()),
                  std::make_move_iterator(rows.end()));
    endInsertRows();
}

void CheckoutTable::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

QStringList CheckoutTable::users() const
{
    QMap<QString, QString> byKey; // case-folded -> first spelling, sorted
    for (const CheckedOutFile &row : m_rows)
        byKey.insert(row.checkout.Username.toCaseFolded(), row.checkout.Username);
    return byKey.values();
}

int CheckoutTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CheckoutTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CheckoutTable::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() ||
        (role != Qt::DisplayRole && role != Qt::UserRole && role != Qt::ToolTipRole))
        return {};
    const CheckedOutFile &row = at(index.row());
    const VSSCheckout &c = row.checkout;
    switch (index.column()) {
    case File:
        return row.spec;
    case User:
        return c.Username;
    case Since:
        if (role == Qt::UserRole)
            return c.Date;
        return c.Date.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    case Version:
        if (role == Qt::UserRole)
            return c.VersionNumber;
        return c.VersionNumber > 0 ? QString::number(c.VersionNumber) : QString();
    case Folder:
        return c.LocalSpec;
    case Machine:
        return c.Machine;
    case Comment:
        return c.Comment;
    default:
        return {};
    }
}

QVariant CheckoutTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char *const names[] = {
        QT_TR_NOOP("File"),   QT_TR_NOOP("User"),    QT_TR_NOOP("Since"),  QT_TR_NOOP("Version"),
        QT_TR_NOOP("Folder"), QT_TR_NOOP("Machine"), QT_TR_NOOP("Comment")};
    return section >= 0 && section < ColumnCount ? tr(names[section]) : QVariant();
}

CheckoutFilter::CheckoutFilter(QObject *parent) : QSortFilterProxyModel(parent)
{
    setSortRole(Qt::UserRole);
    setSortCaseSensitivity(Qt::CaseInsensitive);
    setSortLocaleAware(true);
}

void CheckoutFilter::setUser(const QString &user)
{
    m_user = user;
    invalidateFilter();
}

void CheckoutFilter::setPathText(const QString &text)
{
    m_pathText = text;
    invalidateFilter();
}

bool CheckoutFilter::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    const auto *table = static_cast<const CheckoutTable *>(sourceModel());
    const CheckedOutFile &row = table->at(sourceRow);
    return (m_user.isEmpty() || row.checkout.Username.compare(m_user, Qt::CaseInsensitive) == 0) &&
           row.spec.contains(m_pathText, Qt::CaseInsensitive);
}
