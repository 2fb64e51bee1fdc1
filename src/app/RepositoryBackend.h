#pragma once

#include "engine/Repository.h"

// The repository the program reads: the one place that chooses the backend.
RepositoryFactory ProgramRepositoryFactory();
