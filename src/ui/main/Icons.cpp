#include "Icons.h"

namespace Icons {

namespace {

QIcon load(const char *name)
{
    return QIcon(QStringLiteral(":/icons/") + QLatin1String(name) + QStringLiteral(".svg"));
}

} // namespace

QIcon trayLook(TrayLook look)
{
    switch (look) {
    case TrayLook::Change:
        return load("quorvik-change");
    case TrayLook::Error:
        return load("quorvik-error");
    case TrayLook::Normal:
        break;
    }
    return load("quorvik");
}

QIcon fileState(int status)
{
    switch (status) {
    case 0:
        return load("file-free");
    case 1:
        return load("file-out-other");
    case 2:
        return load("file-out-mine");
    default:
        return load("file-unknown");
    }
}

QIcon project()
{
    return load("project");
}

} // namespace Icons
