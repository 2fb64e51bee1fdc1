#include "InitialState.h"

QDateTime ZeroDate()
{
    return WallClockTime(QDate(1899, 12, 30), QTime(0, 0));
}

InitialState ReadInitialState(const VSSItem &file)
{
    InitialState state;
    state.Status = qint16(file.IsCheckedOut());
    state.ImageIndex = qint16(state.Status + 1);
    state.DateIn = file.NewestVersionDate();
    if (!state.DateIn.isValid())
        state.DateIn = ZeroDate();
    return state;
}
