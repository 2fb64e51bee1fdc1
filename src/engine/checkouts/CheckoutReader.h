#pragma once

#include "RepositoryWalk.h"

#include <QList>
#include <QStringList>

class Suspects;

// One live check-out of one file.
struct CheckedOutFile
{
    QString spec;
    VSSCheckout checkout;
};

// Where to look: a file, or a project with everything below it that its
// exclude patterns do not leave out.
struct CheckoutRoot
{
    CheckoutRoot(const QString &spec, const QStringList &excludes = {})
        : spec(spec), excludes(excludes)
    {}
    QString spec;
    QStringList excludes;
};
using CheckoutRoots = QList<CheckoutRoot>;

// Reads who has what: every live check-out of the files at and below the
// given roots, in walk order, each file once however often the roots reach
// it. Items that cannot be read go to `failure` and are left out.
namespace CheckoutReader {

using Sink = std::function<void(CheckedOutFile &&row)>;

// The watched entries, reaching exactly the files the watcher watches.
CheckoutRoots rootsOf(const Suspects &watched);

// Returns false when any item failed or the read was cancelled.
bool read(VSSDatabase &db, const CheckoutRoots &roots, const Sink &sink,
          const RepositoryWalk::Failure &failure, const RepositoryWalk::Proceed &proceed = {});

} // namespace CheckoutReader
