#pragma once

#include "engine/Suspect.h"

#include <QIcon>
#include <QString>

class QWidget;

// How a watched entry shows in the main window's list and the explorer's
// selection list, and the editing of a watched project's exclude patterns.
namespace WatchedEntry {

// A file's spec; a project's with a trailing "/..." ("$/Web/...").
QString text(const Suspect &entry);
// A file's check-out state, or the project picture.
QIcon icon(const Suspect &entry);
// Asks for the exclude patterns of `project` (one line, separated by ";");
// false when the user cancelled, the patterns unchanged.
bool editExcludes(QWidget *parent, Suspect &project);

} // namespace WatchedEntry
