#pragma once

#include <QString>

namespace HelpPages {

// The start page of the help: an installed copy beside the program or under
// ../share/quorvik, else the pages bundled in the program, copied to the
// user's cache folder. Empty when none can be provided.
QString HelpStartPage(const QString &programFolder);

// Help context numbers: the explorer window and its controls carry 4001.
constexpr int ExplorerContext = 4001;
// The page of a help context (0: the start page); empty as above.
QString HelpPage(const QString &programFolder, int context);

} // namespace HelpPages
