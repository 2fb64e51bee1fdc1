#pragma once

#include "RepositoryWalk.h"

#include <QStringList>

// One live check-out of one file.
struct CheckedOutFile
{
    QString spec;
    VSSCheckout checkout;
};

// Reads who has what: every live check-out of the files at and below the
// given roots (files, or projects with everything below them), in walk
// order, each file once however often the roots reach it. Items that cannot
// be read go to `failure` and are left out.
namespace CheckoutReader {

using Sink = std::function<void(CheckedOutFile &&row)>;

// Returns false when any item failed or the read was cancelled.
bool read(VSSDatabase &db, const QStringList &roots, const Sink &sink,
          const RepositoryWalk::Failure &failure, const RepositoryWalk::Proceed &proceed = {});

} // namespace CheckoutReader
