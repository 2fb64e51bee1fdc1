#pragma once

class SettingsStore;

// The explorer's window size and bar positions (twips), kept in X1..X4 of
// the "Params" section.
struct ExplorerLayoutValues
{
    int width = 8000;  // X1
    int height = 5000; // X2
    int vbar = 4000;   // X3
    int hbar = 2000;   // X4
};

// A missing value, or one that is not a whole number, reads as its default.
ExplorerLayoutValues ReadExplorerLayout(const SettingsStore &store);
// Writes X1..X4 and commits the store.
void SaveExplorerLayout(SettingsStore &store, int width, int height, int vbar, int hbar);
