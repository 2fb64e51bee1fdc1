#pragma once

#include <QDateTime>
#include <QString>

class SettingsStore;
class Suspect;
class Suspects;

// One entry of section "Files": Status;LastDate;Key. The Key is everything
// behind the second ';', so it may itself hold ';'.
struct FileEntry
{
    QString key; // empty: the entry is skipped
    qint16 status = -1;
    QDateTime lastDate;
};

QString FormatFileEntry(const Suspect &file);
// Also reads the short forms "Key" and "Status;Key". A Status or date that
// cannot be read leaves the file watched, as never recorded.
FileEntry ParseFileEntry(const QString &value);

// Replaces section "Files" and "FilesCount" by the list (not committed), in
// an order that a rewrite cut short still loads (see FileList.cpp): picked
// files as the numbered entries 1..FilesCount, each watched project as
// "ProjectK" with "ProjectK.Exclude" and the states of the files below it
// as "ProjectK.1", "ProjectK.2", ...
void WriteFileList(const Suspects &files, SettingsStore &store);
// Why the stored list is not whole: entries 1..FilesCount that are missing or
// name no file (a file caught halfway through a rewrite); empty when whole.
QString MissingFileEntries(const SettingsStore &store);
// Adds the stored entries 1..FilesCount to the list, reading only the keys
// present (none when FilesCount is empty or not a number), then the
// watched projects in the order of their numbers.
void ReadFileList(const SettingsStore &store, Suspects &files);
