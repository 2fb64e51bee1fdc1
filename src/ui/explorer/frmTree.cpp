// The explorer window: building it, opening, browsing the tree, closing.
#include "frmTree.h"

#include "ExplorerFileList.h"
#include "ExplorerIcons.h"
#include "ExplorerSelection.h"
#include "ExplorerSettings.h"
#include "engine/modZel.h"
#include "ui/Accessible.h"
#include "ui/ScreenFit.h"
#include "ui/WaitCursor.h"
#include "ui/main/HelpPages.h"
#include "ui/main/HelpWindow.h"
#include "ui/main/Icons.h"
#include "ui/main/ProgramActivation.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeWidget>

namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kProjectRole = Qt::UserRole + 1;

} // namespace

frmTree::frmTree(modZel &zel, SettingsStore &store, RepositoryFactory factory, QWidget *parent)
    : QDialog(parent), m_zel(zel), m_store(store), m_factory(std::move(factory))
{
    setObjectName(QStringLiteral("frmTree"));
    setWindowTitle(tr("Quorvik Explorer"));
    setWindowIcon(Icons::trayLook(TrayLook::Normal));
    // A sizable border, no minimize or maximize button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    buildControls();
    buildMenu();
    connectControls();
}

frmTree::~frmTree() = default;

// ------------------------------------------------------------------ building

void frmTree::buildControls()
{
    tv = new QTreeWidget(this);
    tv->setObjectName(QStringLiteral("tv"));
    tv->setHeaderHidden(true);
    tv->setColumnCount(1);
    tv->setRootIsDecorated(true);
    tv->setIconSize(QSize(16, 16));
    tv->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tv->setSelectionMode(QAbstractItemView::SingleSelection);

    lstR = new ExplorerFileList(this);
    lstR->setObjectName(QStringLiteral("lstR"));
    lstR->setIconSize(QSize(16, 16));
    lstR->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstR->setSelectionMode(QAbstractItemView::ExtendedSelection);

    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setIconSize(QSize(16, 16));
    List1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Describe(tv, tr("Projects"),
             tr("The database's projects; the files of the one chosen are listed beside"));
    Describe(lstR, tr("Files of the project"),
             tr("Ctrl+C adds the selected files to the files to watch; the Menu key or "
                "Shift+F10 opens the list's commands."));
    Describe(List1, tr("Files to watch"),
             tr("What OK hands over. Delete removes the selected files; the Menu key or "
                "Shift+F10 opens the list's commands."));

    cmdOK = new QPushButton(tr("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(tr("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    vsplit = new QWidget(this);
    vsplit->setObjectName(QStringLiteral("vsplit"));
    vsplit->setCursor(Qt::SizeHorCursor);
    split = new QWidget(this);
    split->setObjectName(QStringLiteral("split"));
    split->setCursor(Qt::SizeVerCursor);
    for (QWidget *bar : {vsplit, split})
        bar->setBackgroundRole(QPalette::Dark);

    // Everything a drag from the file list can pass over.
    for (QWidget *w :
         std::initializer_list<QWidget *>{this, tv, tv->viewport(), lstR, lstR->viewport(), List1,
                                          List1->viewport(), cmdOK, cmdCancel, vsplit, split})
        w->setAcceptDrops(true);
}

void frmTree::buildMenu()
{
    mnuList = new QMenu(QStringLiteral("listpopup"), this);
    mnuList->setObjectName(QStringLiteral("mnuList"));
    auto entry = [this](const char *name, const QString &caption, const QKeySequence &keys) {
        QAction *a = mnuList->addAction(caption);
        a->setObjectName(QLatin1String(name));
        // Shown in the menu only; the keys act through the panes' key
        // handlers, each once.
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WidgetShortcut);
        return a;
    };
    m_single = entry("m_single", tr("Select"), QKeySequence());
    m_selectall = entry("m_selectall", tr("Select All"), QKeySequence(Qt::CTRL | Qt::Key_A));
    m_cancel = entry("m_cancel", tr("Undo select"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_divider = mnuList->addSeparator();
    m_divider->setObjectName(QStringLiteral("m_divider"));
    m_remove = entry("m_remove", tr("Remove"), QKeySequence(Qt::Key_Delete));
    m_removeall = entry("m_removeall", tr("Remove All"), QKeySequence(Qt::CTRL | Qt::Key_X));
    m_copy = entry("m_copy", tr("Copy"), QKeySequence(Qt::CTRL | Qt::Key_C));
    m_exclude = entry("m_exclude", tr("&Leave Out..."), QKeySequence());

    mnuTree = new QMenu(QStringLiteral("treepopup"), this);
    mnuTree->setObjectName(QStringLiteral("mnuTree"));
    m_project = mnuTree->addAction(tr("&Watch Whole Project"));
    m_project->setObjectName(QStringLiteral("m_project"));
}

void frmTree::connectControls()
{
    connect(tv, &QTreeWidget::itemExpanded, this, &frmTree::tv_Expand);
    connect(tv, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *n) { tv_NodeClick(n); });
    connect(cmdOK, &QPushButton::clicked, this, &frmTree::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmTree::cmdCancel_Click);
    connect(m_selectall, &QAction::triggered, this, &frmTree::SelectAll);
    connect(m_cancel, &QAction::triggered, this, &frmTree::UndoSelect);
    connect(m_remove, &QAction::triggered, this, &frmTree::RemovePickedEntries);
    connect(m_removeall, &QAction::triggered, this, &frmTree::RemoveAll);
    connect(m_copy, &QAction::triggered, this, &frmTree::AddPickedFiles);
    connect(m_exclude, &QAction::triggered, this, &frmTree::EditExcludes);
    connect(m_project, &QAction::triggered, this, &frmTree::AddTreeProject);
    tv->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tv, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        // Under the pointer; from the keyboard (the menu key), the current node.
        QTreeWidgetItem *node = tv->itemAt(pos);
        if (!node)
            node = tv->currentItem();
        if (!node)
            return;
        tv->setCurrentItem(node);
        prepareTreeMenu(node);
        mnuTree->popup(tv->viewport()->mapToGlobal(pos));
    });
    lstR->onDragStart = [this] { runFileDrag(); };
    BindHelpKey(this, HelpPages::ExplorerContext, [this](int context) {
        if (onHelp)
            onHelp(context);
    });

    for (QObject *o :
         std::initializer_list<QObject *>{this, tv, tv->viewport(), lstR, lstR->viewport(), List1,
                                          List1->viewport(), cmdOK, cmdCancel, vsplit, split})
        if (o != this)
            o->installEventFilter(this);
}

// ------------------------------------------------------------------- opening

void frmTree::addNode(const ExplorerTree::Node &n)
{
    auto *item = new QTreeWidgetItem(QStringList(n.text));
    item->setData(0, kKeyRole, n.key);
    item->setData(0, kProjectRole, n.image == ExplorerTree::ProjectImage);
    item->setIcon(0, ExplorerIcons::NodeIcon(n.image, n.selectedImage));
    if (QTreeWidgetItem *parent = m_nodes.value(n.parentKey))
        parent->addChild(item);
    else
        tv->addTopLevelItem(item);
    m_nodes.insert(n.key, item);
}

QString frmTree::nodeKey(const QTreeWidgetItem *node)
{
    return node ? node->data(0, kKeyRole).toString() : QString();
}

bool frmTree::isProjectNode(const QTreeWidgetItem *node)
{
    return node && node->data(0, kProjectRole).toBool();
}

void frmTree::TreeIni()
{
    addNode(ExplorerTree::RootNode());
    const bool fallback = !m_zel.Database;
    if (fallback && !openDatabaseForTree())
        return;
    try {
        ExplorerTree::ReadTop(*m_zel.Database, [this](const ExplorerTree::Node &n) { addNode(n); });
    } catch (const std::exception &e) {
        if (!fallback)
            throw; // the add command reports it
        failTreeIni(QStringLiteral("TreeIni: Cannot open VSS database"),
                    modZel::tr("ERROR: Cannot open VSS database"), QString::fromUtf8(e.what()));
        return;
    }
    // Marking the root expanded reads nothing more: its children are here.
    const QSignalBlocker quiet(tv);
    m_nodes.value(ExplorerTree::RootKey())->setExpanded(true);
}

bool frmTree::openDatabaseForTree()
{
    std::unique_ptr<VSSDatabase> db;
    try {
        if (m_factory)
            db = m_factory();
        if (!db)
            throw RepositoryCreateError(QStringLiteral("No repository backend"));
    } catch (const std::exception &e) {
        failTreeIni(QStringLiteral("TreeIni: CRITICAL ERROR: VSS not installed."),
                    modZel::tr("ERROR: VSS not installed."), QString::fromUtf8(e.what()));
        return false;
    }
    try {
        const ZelSettings &s = m_zel.settings;
        db->Open(s.Inifile, s.Username, s.Password);
    } catch (const std::exception &e) {
        failTreeIni(QStringLiteral("TreeIni: Cannot open VSS database"),
                    modZel::tr("ERROR: Cannot open VSS database"), QString::fromUtf8(e.what()));
        return false;
    }
    m_zel.Database = std::move(db);
    return true;
}

void frmTree::failTreeIni(const QString &trace, const QString &status, const QString &description)
{
    m_zel.Trace(trace, description);
    m_zel.ReleaseDatabase();
    m_zel.shell().setStatus(status);
    m_zel.shell().setTrayLook(TrayLook::Error);
}

void frmTree::FormIni()
{
    if (!IsLoaded())
        WorkList = std::make_unique<Suspects>();
    ExplorerSelection::CopySuspects(m_zel.MonitoredFiles, *WorkList);
    List1->clear();
    for (const Suspect &entry : *WorkList)
        appendLine(entry.Key());
}

void frmTree::LoadExplorerLayout()
{
    const ExplorerLayoutValues v = ReadExplorerLayout(m_store);
    const QWidget *opener = parentWidget() ? parentWidget() : this;
    const QSize size = ScreenFit::cappedTwips(
        QSize(v.width, v.height), ScreenFit::freeArea(this, opener->geometry().center()));
    doLayout(size.width(), size.height(), v.vbar, v.hbar);
}

// ------------------------------------------------------------------ browsing

VSSDatabase &frmTree::database() const
{
    if (!m_zel.Database)
        throw RepositoryError(QStringLiteral("The database is not open"));
    return *m_zel.Database;
}

void frmTree::reportFailure(const QString &routine, const QString &spec, const std::exception &e)
{
    m_zel.Trace(routine + QStringLiteral(": Cannot read ") + spec, QString::fromUtf8(e.what()));
    m_zel.shell().setStatus(modZel::CannotFindText(spec));
    m_zel.shell().setTrayLook(TrayLook::Error);
}

void frmTree::Form_Activate()
{
    // Once per opening: coming back from a message box or another
    // application is no activation among the program's windows.
    m_activated = true;
    QTreeWidgetItem *root = m_nodes.value(ExplorerTree::RootKey());
    if (root)
        tv->setCurrentItem(root);
    try {
        CurrentProject = database().VSSItem(ExplorerTree::RootKey(), false);
    } catch (const std::exception &e) {
        reportFailure(QStringLiteral("Activate"), ExplorerTree::RootKey(), e);
    }
}

void frmTree::tv_Expand(QTreeWidgetItem *node)
{
    if (!node)
        return;
    const WaitCursor busy(this);
    const QString key = nodeKey(node);
    std::vector<ExplorerTree::Node> found;
    try {
        found = ExplorerTree::ReadExpansion(
            database(), key, [this](const QString &k) { return m_nodes.contains(k); });
    } catch (const std::exception &e) {
        reportFailure(QStringLiteral("Expand"), key, e);
        return;
    }
    for (const ExplorerTree::Node &n : found)
        addNode(n);
}

void frmTree::tv_NodeClick(QTreeWidgetItem *node)
{
    if (!node)
        return;
    const QString key = nodeKey(node);
    ExplorerTree::ProjectFiles read;
    try {
        read = ExplorerTree::ReadProjectFiles(database(), key);
    } catch (const std::exception &e) {
        reportFailure(QStringLiteral("NodeClick"), key, e);
        return; // the file list stays as it stood
    }
    lstR->clear();
    m_listedNode = node;
    CurrentProject = read.item;
    for (const ExplorerTree::FileEntry &file : read.files) {
        auto *item = new QListWidgetItem(ExplorerIcons::Image(file.icon), file.name);
        item->setData(kKeyRole, file.name);
        lstR->addItem(item);
    }
}

// ------------------------------------------------------------------- closing

void frmTree::cmdOK_Click()
{
    if (!IsLoaded())
        return;
    m_zel.MonitoredFiles.RemoveAll();
    ExplorerSelection::CopySuspects(*WorkList, m_zel.MonitoredFiles);
    m_zel.shell().refreshFileList();
    SaveExplorerLayout(m_store, WidthTwips(), HeightTwips(), VBarTwips(), HBarTwips());
    Unload();
    m_zel.shell().showMainWindow();
}

void frmTree::cmdCancel_Click()
{
    if (WorkList)
        WorkList->RemoveAll();
    Unload();
}

void frmTree::Form_Deactivate()
{
    Unload();
}

void frmTree::Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    hide();
    WorkList.reset();
    DragSet.clear();
    CurrentProject.reset();
    emit unloaded();
    deleteLater();
}

void frmTree::closeEvent(QCloseEvent *event)
{
    // The close box hands nothing over.
    event->ignore();
    cmdCancel_Click();
}

void frmTree::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept(); // Escape has no function here
        return;
    }
    QDialog::keyPressEvent(event);
}

// ---------------------------------------------------------------- activation

void frmTree::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        // The application's active window is settled only afterwards.
        QTimer::singleShot(0, this, &frmTree::activationChanged);
}

void frmTree::activationChanged()
{
    if (m_unloaded)
        return;
    QWidget *now = QApplication::activeWindow();
    if (now == this) {
        if (!m_activated)
            Form_Activate();
    } else if (now && ProgramActivation::isProgramWindow(now)) {
        // Message boxes, menus and other applications do not count.
        Form_Deactivate();
    }
}
