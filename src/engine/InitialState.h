#pragma once

#include "Repository.h"

#include <QDateTime>

// The state a file starts being watched from: picked in the explorer, or
// found below a watched project.
struct InitialState
{
    qint16 Status = 0;
    qint16 ImageIndex = 1;
    QDateTime DateIn;
};

// The zero date: what a file without a matching history entry gets.
QDateTime ZeroDate();

// Status = IsCheckedOut, ImageIndex = Status + 1, DateIn = the latest date
// among the file's history entries carrying its current version number
// (the zero date when none does).
InitialState ReadInitialState(const VSSItem &file);
