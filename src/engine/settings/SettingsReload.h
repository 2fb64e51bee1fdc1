#pragma once

class modZel;
class SettingsStore;

// Reads the settings and the watched list again after they were edited by
// hand, while watching. Files that stay watched keep what the poll saw of
// them; files added start as never seen; a changed database or login opens a
// new session; the poll timer restarts with the interval read. When the new
// settings cannot start a session, the previous ones are restored (and the
// session restarted with them) and false is returned. A list with fewer
// entries than its FilesCount (a file caught while it was written) is refused
// the same way before anything changes; a file that changed while it was read
// is read once more after a short settle.
bool ReloadSettings(modZel &zel, SettingsStore &store);
