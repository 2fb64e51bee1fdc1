#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// Builds a large database in one go, writing whole item files directly
// (thousands of files with long histories in seconds).
namespace VssGenPopulate {

struct Options
{
    int projects = 10; // projects in all, in chains of `depth` nested projects
    int depth = 1;     // $/P0_1/P0_2/... up to this many levels
    int files = 100;   // files in all, spread over the projects in turn
    int history = 1;   // history entries per file: created + (history - 1) check-ins
    QString user = QStringLiteral("Admin");
    QString password;
    QDateTime start = QDateTime(QDate(2024, 1, 8), QTime(9, 0, 0));
};

// Creates the database in `folder` (which must not hold one) and returns the
// specs of its files, in creation order. Raises VssGenError.
QStringList populate(const QString &folder, const Options &options);

} // namespace VssGenPopulate
