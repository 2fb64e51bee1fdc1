#pragma once

#include <QString>
#include <QStringList>

// Start at logon on desktops that follow the XDG autostart rules: one
// desktop entry per program in $XDG_CONFIG_HOME/autostart (~/.config/autostart).

QString AutostartFilePath(const QString &name);
// The desktop entry that starts `programPath` with `arguments` at logon.
QString AutostartEntry(const QString &name, const QString &programPath,
                       const QStringList &arguments = {});
// One argument of an Exec= line, quoted and escaped as desktop entries need.
QString ExecArgument(const QString &argument);
