#pragma once

#include "engine/Repository.h"
#include "engine/checkouts/CheckoutFormat.h"

#include <QTextStream>

// The listings of quorvik-vss. Each writes TAB-separated lines to `out` and
// problems with single items to `err`; returns false when any item failed.
namespace VssToolCommands {

// spec, type, version, newest version date, IsCheckedOut, check-out users.
bool tree(VSSDatabase &db, const QString &spec, QTextStream &out, QTextStream &err);
// Only the files that are checked out, in the same form.
bool checkouts(VSSDatabase &db, const QString &spec, QTextStream &out, QTextStream &err);
// One line (or object) per live check-out: spec, user, date, version,
// folder, machine, comment.
bool checkouts(VSSDatabase &db, const QString &spec, CheckoutFormat format, QTextStream &out,
               QTextStream &err);
// version, date, user, action, label.
bool history(VSSDatabase &db, const QString &spec, QTextStream &out, QTextStream &err);

} // namespace VssToolCommands
