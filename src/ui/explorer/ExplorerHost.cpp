#include "ExplorerHost.h"

#include "frmTree.h"
#include "ui/main/frmZel.h"

ExplorerHost::ExplorerHost(frmZel &main, RepositoryFactory factory)
    : m_main(main), m_factory(std::move(factory))
{
    m_main.windows.openExplorer = [this] { return open(); };
    m_main.windows.explorerVisible = [this] { return visible(); };
    m_main.windows.unloadExplorer = [this] { unload(); };
}

ExplorerHost::~ExplorerHost()
{
    m_main.windows.openExplorer = nullptr;
    m_main.windows.explorerVisible = nullptr;
    m_main.windows.unloadExplorer = nullptr;
    delete m_window.data();
}

bool ExplorerHost::open()
{
    // Every opening starts afresh from the watched list as it stands.
    if (m_window) {
        m_window->Unload();
        delete m_window.data();
    }
    modZel &z = m_main.zel();
    m_window = new frmTree(z, m_main.store(), m_factory);
    m_window->onHelp = [this](int context) { m_main.showHelp(context); };
    try {
        m_window->TreeIni();
    } catch (const std::exception &e) {
        // Reported as the add command reports a database it cannot use.
        z.Trace(QStringLiteral("TreeIni: Cannot open VSS database"), QString::fromUtf8(e.what()));
        z.ReleaseDatabase();
        m_main.setStatus(modZel::tr("ERROR: Cannot open VSS database"));
        m_main.setTrayLook(TrayLook::Error);
        delete m_window.data();
        return false;
    }
    m_window->FormIni();
    m_window->LoadExplorerLayout();
    m_window->show();
    m_window->activateWindow();
    return true;
}

frmTree *ExplorerHost::window() const
{
    return m_window.data();
}

bool ExplorerHost::visible() const
{
    return m_window && m_window->isVisible();
}

void ExplorerHost::unload()
{
    if (m_window)
        m_window->Unload();
}
