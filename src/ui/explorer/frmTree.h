#pragma once

#include "ExplorerTree.h"
#include "engine/Repository.h"
#include "engine/Suspects.h"

#include <QDialog>
#include <QHash>
#include <QSet>

#include <functional>
#include <memory>

class ExplorerFileList;
class QAction;
class QDropEvent;
class QKeyEvent;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QMimeData;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class SettingsStore;
class modZel;

// The repository explorer: the project tree (tv), the files of one project
// (lstR) and the selection list (List1), a private copy of the watched list
// that OK hands over. Created for one opening and deleted when it closes.
class frmTree : public QDialog
{
    Q_OBJECT
public:
    // `factory` creates the database object when none is open at TreeIni.
    frmTree(modZel &zel, SettingsStore &store, RepositoryFactory factory,
            QWidget *parent = nullptr);
    ~frmTree() override;

    // --- opening, in the add command's order ---
    // Builds the tree: the root, its children and grandchildren. With no
    // open database it opens one and reports its own failures; otherwise a
    // repository failure is raised to the caller.
    void TreeIni();
    void FormIni();
    void LoadExplorerLayout();
    bool IsLoaded() const { return WorkList != nullptr; }

    // --- the tree and the file list ---
    void Form_Activate();
    void tv_Expand(QTreeWidgetItem *node);
    void tv_NodeClick(QTreeWidgetItem *node);
    QTreeWidgetItem *node(const QString &key) const { return m_nodes.value(key); }
    static QString nodeKey(const QTreeWidgetItem *node);
    static bool isProjectNode(const QTreeWidgetItem *node);

    // --- the selection ---
    void AddTreeFile();
    void AddPickedFiles();
    // The tree's selected node, when a project, as a watched project (the
    // tree's popup); `key` dropped from the tree onto the selection list.
    void AddTreeProject();
    void AddProject(const QString &key);
    // "Leave Out...": the exclude patterns of the selected project line.
    void EditExcludes();
    void RemovePickedEntries();
    void RemoveAll();
    void SelectAll();
    void UndoSelect();
    // Sets the popup's entries up for the list under the pointer.
    void prepareListMenu(bool overFileList);
    // Sets the tree's popup up for `node` (the node under the pointer).
    void prepareTreeMenu(const QTreeWidgetItem *node);
    // From the mouse (right button) or the keyboard (Menu key, Shift+F10).
    void showListMenu(bool overFileList, const QPoint &at);

    // --- drag and drop from the file list ---
    // The drag's start conditions with these mouse buttons down; collects
    // the selected items into DragSet. False: no drag begins.
    bool beginFileDrag(Qt::MouseButtons buttons);
    // The drag's data: it marks a drag that comes from the file list.
    static QString dragFormat();
    QMimeData *fileDragData() const;
    // A project node dragged from the tree: its spec.
    static QString projectDragFormat();

    // --- closing ---
    void cmdOK_Click();
    void cmdCancel_Click();
    // Another window of the program became active: close, handing nothing over.
    void Form_Deactivate();
    // Hides the window, releases the copy and deletes the window later.
    void Unload();
    bool isUnloaded() const { return m_unloaded; }

    // --- layout (twips) ---
    void doLayout(int width, int height, int vbar, int hbar);
    int WidthTwips() const;
    int HeightTwips() const;
    int VBarTwips() const;
    int HBarTwips() const;

    // F1 anywhere in the window: the explorer's help context (4001).
    std::function<void(int context)> onHelp;

    // --- state ---
    VSSItemPtr CurrentProject;
    int FocusPane = 0; // 0 tree, 1 file list, 2 selection list
    std::unique_ptr<Suspects> WorkList;
    QSet<QString> DragSet;
    bool MenuTarget = false; // Select All / Undo select act on the file list
    bool SplitDragging = false;
    bool VSplitDragging = false;

    // --- controls ---
    QTreeWidget *tv;
    ExplorerFileList *lstR;
    QListWidget *List1;
    QPushButton *cmdOK, *cmdCancel;
    QWidget *vsplit, *split;
    QMenu *mnuList;
    QAction *m_single, *m_selectall, *m_cancel, *m_divider, *m_remove, *m_removeall, *m_copy,
        *m_exclude;
    QMenu *mnuTree;
    QAction *m_project; // "Watch Whole Project"

signals:
    void unloaded();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void buildControls();
    void buildMenu();
    void connectControls();

    void addNode(const ExplorerTree::Node &n);
    bool openDatabaseForTree();
    void failTreeIni(const QString &trace, const QString &status, const QString &description);
    // A repository failure while browsing or adding: status line, error
    // look, trace; the panes stay as they stood.
    void reportFailure(const QString &routine, const QString &spec, const std::exception &e);
    VSSDatabase &database() const;
    // A line of the selection list for the WorkList entry `spec`.
    void appendLine(const QString &spec);
    // The same for an entry the user just added, scrolled into view.
    void addLine(const QString &spec);
    static QString lineKey(const QListWidgetItem *line);
    // The WorkList project of the selection list's selected line, if any.
    Suspect *selectedLineProject() const;

    bool keyReleased(QObject *pane, QKeyEvent *event);
    bool swallowsKeyPress(QObject *pane, QKeyEvent *event) const;
    bool dragEvent(QObject *target, QEvent *event);
    void runFileDrag();
    // A left-button drag over the tree that began on a project node.
    bool treeMouseEvent(QEvent *event);
    bool splitterEvent(QWidget *bar, QEvent *event);
    void moveBars(const QPoint &windowPos);
    void activationChanged();

    modZel &m_zel;
    SettingsStore &m_store;
    RepositoryFactory m_factory;
    QHash<QString, QTreeWidgetItem *> m_nodes;
    QTreeWidgetItem *m_listedNode = nullptr;  // whose files the file list shows
    QTreeWidgetItem *m_pressedNode = nullptr; // where a drag over the tree began
    QPoint m_pressedAt;
    // The layout last applied (twips): read back exactly while the pixels
    // have not moved, so unchanged values are stored unchanged.
    int m_width = 0, m_height = 0, m_vbar = 0, m_hbar = 0;
    bool m_layingOut = false;
    bool m_activated = false;
    bool m_unloaded = false;
};
