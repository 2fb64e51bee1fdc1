#pragma once

class modZel;
class SettingsStore;

// `--headless --check`: whether the settings loaded into `zel` can run the
// watcher. Says on standard error what was checked and every fault found;
// returns 0 when all is well, else the status of the first fault (sysexits
// values, listed in the README):
enum CheckStatus
{
    CheckPassed = 0,
    CheckBadWatchedFile = 65, // a watched file is not in the database
    CheckNoDatabase = 66,     // srcsafe.ini or the database cannot be read
    CheckLoginRefused = 67,   // unknown user or wrong password
    CheckLogNotWritable = 73, // the event log cannot be written
    CheckBadSettings = 78,    // no settings file, no database or user named, no watched file
};
int CheckSettings(modZel &zel, const SettingsStore &store);
