#pragma once

#include "engine/Repository.h"

#include <QPointer>

class frmTree;
class frmZel;

// Plugs the explorer into the main window's add command: each opening
// builds a new frmTree (tree, selection list, layout) and shows it without
// blocking; closing deletes it. Lives no longer than the main window.
class ExplorerHost
{
public:
    // `factory` is the one the main window uses, for the explorer's own
    // opening of the database.
    ExplorerHost(frmZel &main, RepositoryFactory factory);
    ~ExplorerHost();
    ExplorerHost(const ExplorerHost &) = delete;
    ExplorerHost &operator=(const ExplorerHost &) = delete;

    // TreeIni, FormIni, LoadExplorerLayout, then show. False (and no window)
    // when reading the tree failed; the failure is in the status line.
    bool open();
    bool visible() const;
    void unload();
    // The window of the current opening, if any.
    frmTree *window() const;

private:
    frmZel &m_main;
    RepositoryFactory m_factory;
    QPointer<frmTree> m_window;
};
