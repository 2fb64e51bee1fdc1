#pragma once

#include <QString>

// Places of the program's own files.
namespace ProgramPaths {

// QVEvent.txt in `programFolder` when that folder is writable, else in the
// user's data folder (created when missing). Native separators.
QString DefaultEventLogPath(const QString &programFolder);

// The start page of the help: an installed copy beside the program or under
// ../share/quorvik, else the pages bundled in the program, copied to the
// user's cache folder. Empty when none can be provided.
QString HelpStartPage(const QString &programFolder);

} // namespace ProgramPaths
