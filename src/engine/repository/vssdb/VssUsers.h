#pragma once

#include "VssBytes.h"

#include <QList>
#include <QString>

// The accounts of um.dat.
struct VssUser
{
    QByteArray name; // in the database's code page
    quint16 passwordHash = 0;
};

namespace VssUsers {

// Parses um.dat: signature, the HU header and exactly as many UU records as
// it counts (a stale record may follow them). Empty description on success.
QString parse(const VssBytes &file, QList<VssUser> &users);

// The 16-bit password hash VSS stores: the password upper-cased, as ANSI
// bytes, cut or padded to 15 bytes with a fixed filler.
quint16 passwordHash(const QByteArray &upperCaseAnsi);

} // namespace VssUsers
