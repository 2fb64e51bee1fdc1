#pragma once

#include <QString>

namespace HelpPages {

// The start page of the help: an installed copy beside the program or under
// ../share/quorvik, else the pages bundled in the program, copied to the
// user's cache folder. Empty when none can be provided.
QString HelpStartPage(const QString &programFolder);

} // namespace HelpPages
