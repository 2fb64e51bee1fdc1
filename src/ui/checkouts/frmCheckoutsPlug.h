#pragma once

#include "engine/Repository.h"

class frmCheckouts;
class frmZel;

// Builds the check-outs window for the main window and plugs it into the
// main window's hooks; it reads with its own session of the stored login.
frmCheckouts &PlugCheckoutsWindow(frmZel &main, RepositoryFactory factory);
