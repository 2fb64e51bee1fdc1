#pragma once

#include <QString>

// Places of the program's own files that the watcher needs with or without
// windows.
namespace ProgramPaths {

// QVEvent.txt in `programFolder` when that folder is writable, else in the
// user's data folder (created when missing). Native separators.
QString DefaultEventLogPath(const QString &programFolder);

} // namespace ProgramPaths
