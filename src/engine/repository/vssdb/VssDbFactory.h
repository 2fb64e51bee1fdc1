#pragma once

#include "VssSession.h"
#include "engine/Repository.h"

// Creates database objects of the native reader. `codePage` names the code
// page of the database's names ("1252", "936", "GBK", ...); empty: the
// system's ANSI code page on Windows, elsewhere Windows-1252 unless the
// names are recognisably GBK.
RepositoryFactory VssDbFactory(const QString &codePage = {});
RepositoryFactory VssDbFactory(const VssDbOptions &options);
