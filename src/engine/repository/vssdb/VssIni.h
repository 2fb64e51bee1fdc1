#pragma once

#include <QString>

// The settings of srcsafe.ini that a reader needs.
struct VssIni
{
    QString dataPath; // as written, separators turned into '/'
    QString usersTxt;
    bool multipleCheckouts = false;

    // A real srcsafe.ini holds a few kilobytes; a larger file is refused
    // rather than read.
    static constexpr qint64 MaxSize = 1024 * 1024;

    // Parses the text of srcsafe.ini: "key = value" lines, ';' comments,
    // keys case-insensitive; only keys before the first [section] count.
    static VssIni parse(QByteArrayView text);

    // The data folder: Data_Path resolved against the folder of the ini
    // unless it is absolute (Unix, drive letter or UNC path, used as given).
    static QString resolvePath(const QString &iniPath, const QString &value);
};
