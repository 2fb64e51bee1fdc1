#pragma once

#include "engine/Shell.h"

#include <QIcon>

// The program's pictures, drawn as SVG and compiled into the program.
namespace Icons {

// The three looks of the tray icon; Normal is also the window's icon.
QIcon trayLook(TrayLook look);
// The list's picture for a watched file's Status (0, 1, 2; -1: never looked at).
QIcon fileState(int status);
// A project (a watched project in the list; the explorer's tree).
QIcon project();

} // namespace Icons
