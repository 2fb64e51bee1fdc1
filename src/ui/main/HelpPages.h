#pragma once

#include <QString>

namespace HelpPages {

// The start page of the help: an installed copy beside the program or under
// ../share/quorvik, else the pages bundled in the program, copied to the
// user's cache folder. Empty when none can be provided.
QString HelpStartPage(const QString &programFolder);

// Help context numbers: each window and its controls carry one (F1).
constexpr int MainWindowContext = 4000;
constexpr int ExplorerContext = 4001;
constexpr int EventLogContext = 4002;
constexpr int LogSettingsContext = 4003;
constexpr int AboutContext = 4004;
constexpr int CheckoutsContext = 4005;
// The page of a help context (0: the start page); empty as above.
QString HelpPage(const QString &programFolder, int context);
// The section of that page the context opens at (empty: its top).
QString HelpSection(int context);

} // namespace HelpPages
