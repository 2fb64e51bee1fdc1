#pragma once

class modZel;
class SettingsStore;

// Reads the settings and the watched list again after they were edited by
// hand, while watching. Files that stay watched keep what the poll saw of
// them; files added start as never seen; a changed database or login opens a
// new session; the poll timer restarts with the interval read. When the new
// settings cannot start a session, the previous ones are restored (and the
// session restarted with them) and false is returned.
bool ReloadSettings(modZel &zel, SettingsStore &store);
