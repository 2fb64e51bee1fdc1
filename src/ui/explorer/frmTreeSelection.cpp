// The explorer's selection list: adding and removing, the popup menu, the
// keys of each pane, and dragging files onto the selection list.
#include "ExplorerFileList.h"
#include "ExplorerIcons.h"
#include "ExplorerSelection.h"
#include "engine/modZel.h"
#include "frmTree.h"
#include "ui/KeyboardMenu.h"
#include "ui/WaitCursor.h"
#include "ui/main/WatchedEntry.h"

#include <QAction>
#include <QApplication>
#include <QDrag>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>

// -------------------------------------------------------- adding and removing

void frmTree::appendLine(const QString &spec)
{
    const Suspect *entry = WorkList ? WorkList->Find(spec) : nullptr;
    auto *line = entry ? new QListWidgetItem(WatchedEntry::icon(*entry), WatchedEntry::text(*entry))
                       : new QListWidgetItem(spec);
    line->setData(Qt::UserRole, spec);
    List1->addItem(line);
}

void frmTree::addLine(const QString &spec)
{
    appendLine(spec);
    List1->scrollToItem(List1->item(List1->count() - 1));
}

QString frmTree::lineKey(const QListWidgetItem *line)
{
    return line->data(Qt::UserRole).toString();
}

Suspect *frmTree::selectedLineProject() const
{
    if (!IsLoaded())
        return nullptr;
    const QListWidgetItem *line = List1->currentItem();
    if (!line || !line->isSelected()) {
        const QList<QListWidgetItem *> selected = List1->selectedItems();
        line = selected.isEmpty() ? nullptr : selected.constFirst();
    }
    Suspect *entry = line ? WorkList->Find(lineKey(line)) : nullptr;
    return entry && entry->IsProject() ? entry : nullptr;
}

void frmTree::AddTreeProject()
{
    const QList<QTreeWidgetItem *> picked = tv->selectedItems();
    if (!picked.isEmpty() && isProjectNode(picked.constFirst()))
        AddProject(nodeKey(picked.constFirst()));
}

void frmTree::AddProject(const QString &key)
{
    if (IsLoaded() && WorkList->AddProject(key, {}))
        addLine(key);
}

void frmTree::EditExcludes()
{
    if (Suspect *project = selectedLineProject())
        WatchedEntry::editExcludes(this, *project);
}

void frmTree::AddTreeFile()
{
    const QList<QTreeWidgetItem *> picked = tv->selectedItems();
    if (picked.isEmpty() || !m_zel.Database || !IsLoaded())
        return;
    const QString key = nodeKey(picked.constFirst());
    try {
        if (ExplorerSelection::AddFile(*m_zel.Database, key, *WorkList, true))
            addLine(key);
    } catch (const std::exception &e) {
        reportFailure(QStringLiteral("AddTreeFile"), key, e);
    }
}

void frmTree::AddPickedFiles()
{
    const WaitCursor busy(this);
    const QPointer<frmTree> self(this);
    m_zel.shell().processEvents();
    if (!self || !IsLoaded())
        return; // the window closed meanwhile

    QString spec;
    try {
        const QList<QListWidgetItem *> picked = lstR->selectedItems();
        if (!picked.isEmpty()) {
            if (!CurrentProject)
                throw RepositoryError(QStringLiteral("No current project"));
            const QString project = CurrentProject->Spec();
            for (int i = 0; i < lstR->count(); ++i) {
                const QListWidgetItem *item = lstR->item(i);
                if (!item->isSelected())
                    continue;
                spec = ExplorerTree::ChildKey(project, item->text());
                if (ExplorerSelection::AddFile(database(), spec, *WorkList, false))
                    addLine(spec);
            }
        }
    } catch (const std::exception &e) {
        // The files added so far stay.
        reportFailure(QStringLiteral("AddPickedFiles"),
                      spec.isEmpty() ? nodeKey(tv->currentItem()) : spec, e);
    }
    DragSet.clear();
}

void frmTree::RemovePickedEntries()
{
    if (!IsLoaded() || List1->selectedItems().isEmpty())
        return;
    for (int i = List1->count() - 1; i >= 0; --i) {
        if (!List1->item(i)->isSelected())
            continue;
        const QString key = lineKey(List1->item(i));
        if (WorkList->Exists(key))
            WorkList->Remove(key);
        delete List1->takeItem(i);
    }
}

void frmTree::RemoveAll()
{
    if (!IsLoaded())
        return;
    while (List1->count() > 0) {
        const QString key = lineKey(List1->item(0));
        if (WorkList->Exists(key))
            WorkList->Remove(key);
        delete List1->takeItem(0);
    }
}

void frmTree::SelectAll()
{
    if (MenuTarget)
        lstR->selectAll();
    else
        List1->selectAll();
}

void frmTree::UndoSelect()
{
    if (MenuTarget)
        lstR->clearSelection();
    else
        List1->clearSelection();
}

// ---------------------------------------------------------------- popup menu

void frmTree::showListMenu(bool overFileList, const QPoint &at)
{
    prepareListMenu(overFileList);
    mnuList->popup(at);
}

void frmTree::prepareListMenu(bool overFileList)
{
    MenuTarget = overFileList;
    QListWidget *list = overFileList ? static_cast<QListWidget *>(lstR) : List1;
    const bool hasLines = list->count() > 0;
    const bool hasSelection = !list->selectedItems().isEmpty();

    m_remove->setVisible(!overFileList);
    m_removeall->setVisible(!overFileList);
    m_copy->setVisible(overFileList);

    m_single->setEnabled(hasLines);
    m_selectall->setEnabled(hasLines);
    m_cancel->setEnabled(hasLines && hasSelection);
    m_copy->setEnabled(hasLines && hasSelection);
    m_remove->setEnabled(hasLines && hasSelection);
    m_removeall->setEnabled(hasLines);

    // Over a selection list holding a watched project: its patterns.
    bool projects = false;
    if (!overFileList && IsLoaded())
        for (const Suspect &entry : *WorkList)
            projects = projects || entry.IsProject();
    m_exclude->setVisible(projects);
    m_exclude->setEnabled(selectedLineProject() != nullptr);
}

void frmTree::prepareTreeMenu(const QTreeWidgetItem *node)
{
    m_project->setEnabled(isProjectNode(node) && IsLoaded() && !WorkList->Exists(nodeKey(node)));
}

// ---------------------------------------------------------------------- keys

namespace {

bool ctrlOnly(const QKeyEvent *event)
{
    return (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
}

// The arrows and paging keys, or a letter that finds a node by its name.
bool movesInTree(const QKeyEvent *event)
{
    static const int moves[] = {Qt::Key_Up,   Qt::Key_Down, Qt::Key_Left,   Qt::Key_Right,
                                Qt::Key_Home, Qt::Key_End,  Qt::Key_PageUp, Qt::Key_PageDown};
    const QString text = event->text();
    return std::find(std::begin(moves), std::end(moves), event->key()) != std::end(moves) ||
           (!text.isEmpty() && text.at(0).isPrint());
}

} // namespace

bool frmTree::keyReleased(QObject *pane, QKeyEvent *event)
{
    if (event->isAutoRepeat())
        return false; // a held key acts once, when it is let go
    const int key = event->key();
    if (pane == tv) {
        if (key == Qt::Key_Insert)
            AddTreeFile();
        else if (movesInTree(event) && tv->currentItem() != m_listedNode)
            tv_NodeClick(tv->currentItem()); // the file list follows the keys
    } else if (pane == lstR) {
        if (!ctrlOnly(event))
            return false;
        MenuTarget = true;
        if (key == Qt::Key_A)
            SelectAll();
        else if (key == Qt::Key_C)
            AddPickedFiles();
        else if (key == Qt::Key_Z)
            UndoSelect();
    } else if (pane == List1) {
        if (key == Qt::Key_Delete) {
            RemovePickedEntries();
        } else if (ctrlOnly(event)) {
            MenuTarget = false;
            if (key == Qt::Key_A)
                SelectAll();
            else if (key == Qt::Key_X)
                RemoveAll();
            else if (key == Qt::Key_Z)
                UndoSelect();
        }
    }
    return false;
}

bool frmTree::swallowsKeyPress(QObject *pane, QKeyEvent *event) const
{
    // The lists' own Ctrl+A (select all) and Ctrl+C (copy the text) would
    // act a second time, on the press.
    if ((pane == lstR || pane == List1) && ctrlOnly(event))
        return event->key() == Qt::Key_A || event->key() == Qt::Key_C ||
               event->key() == Qt::Key_X || event->key() == Qt::Key_Z;
    return false;
}

// ----------------------------------------------------------- drag and drop

QString frmTree::dragFormat()
{
    return QStringLiteral("application/x-quorvik-explorer-files");
}

QString frmTree::projectDragFormat()
{
    return QStringLiteral("application/x-quorvik-explorer-project");
}

QMimeData *frmTree::fileDragData() const
{
    auto *data = new QMimeData;
    QStringList names(DragSet.begin(), DragSet.end());
    data->setData(dragFormat(), names.join(QLatin1Char('\n')).toUtf8());
    return data;
}

bool frmTree::beginFileDrag(Qt::MouseButtons buttons)
{
    if (FocusPane != 1 || !lstR->currentItem() || buttons != Qt::LeftButton)
        return false;
    for (const QListWidgetItem *item : lstR->selectedItems())
        DragSet.insert(item->text());
    return true;
}

void frmTree::runFileDrag()
{
    if (!beginFileDrag(QApplication::mouseButtons()))
        return;
    auto *drag = new QDrag(lstR);
    drag->setMimeData(fileDragData());
    drag->setDragCursor(ExplorerIcons::DragCursor(true), Qt::CopyAction);
    drag->setDragCursor(ExplorerIcons::DragCursor(false), Qt::IgnoreAction);
    drag->exec(Qt::CopyAction);
}

bool frmTree::treeMouseEvent(QEvent *event)
{
    const auto *mouse = static_cast<QMouseEvent *>(event);
    if (event->type() == QEvent::MouseButtonPress) {
        m_pressedAt = mouse->position().toPoint();
        m_pressedNode = mouse->button() == Qt::LeftButton ? tv->itemAt(m_pressedAt) : nullptr;
        return false;
    }
    if (event->type() != QEvent::MouseMove || !isProjectNode(m_pressedNode) ||
        mouse->buttons() != Qt::LeftButton ||
        (mouse->position().toPoint() - m_pressedAt).manhattanLength() <
            QApplication::startDragDistance())
        return false;
    auto *data = new QMimeData;
    data->setData(projectDragFormat(), nodeKey(m_pressedNode).toUtf8());
    m_pressedNode = nullptr;
    auto *drag = new QDrag(tv);
    drag->setMimeData(data);
    drag->setDragCursor(ExplorerIcons::DragCursor(true), Qt::CopyAction);
    drag->setDragCursor(ExplorerIcons::DragCursor(false), Qt::IgnoreAction);
    drag->exec(Qt::CopyAction);
    return true;
}

bool frmTree::dragEvent(QObject *target, QEvent *event)
{
    auto *drop = static_cast<QDropEvent *>(event);
    const QMimeData *data = drop->mimeData();
    // Only a drag from the file list, or of a project node from the tree,
    // gets a reaction; everything else is refused everywhere (cursor img2).
    const bool project = data && data->hasFormat(projectDragFormat());
    if (!data || (!project && !data->hasFormat(dragFormat()))) {
        drop->ignore();
        return true;
    }
    if (target == vsplit || target == split) {
        (target == vsplit ? VSplitDragging : SplitDragging) = false;
        drop->ignore();
        return true;
    }
    if (project) {
        if (target != List1->viewport()) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        if (event->type() == QEvent::Drop)
            AddProject(QString::fromUtf8(data->data(projectDragFormat())));
        return true;
    }
    if (target == lstR->viewport()) {
        // Keep the picked items selected while the drag passes over them;
        // a drop here does nothing.
        if (event->type() != QEvent::Drop) {
            for (int i = 0; i < lstR->count(); ++i)
                if (DragSet.contains(lstR->item(i)->text()))
                    lstR->item(i)->setSelected(true);
            drop->acceptProposedAction();
        } else {
            drop->setDropAction(Qt::IgnoreAction);
            drop->accept();
        }
        return true;
    }
    if (target == List1->viewport()) {
        drop->acceptProposedAction();
        if (event->type() == QEvent::Drop)
            AddPickedFiles();
        return true;
    }
    drop->ignore(); // the tree, the buttons, the background
    return true;
}

// ------------------------------------------------------------ event routing

bool frmTree::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
        if (watched == tv)
            FocusPane = 0;
        else if (watched == lstR)
            FocusPane = 1;
        else if (watched == List1)
            FocusPane = 2;
        break;
    case QEvent::KeyPress:
        if (watched == tv && IsMenuKey(static_cast<QKeyEvent *>(event)) && tv->currentItem()) {
            emit tv->customContextMenuRequested(tv->visualItemRect(tv->currentItem()).center());
            return true;
        }
        if ((watched == lstR || watched == List1) && IsMenuKey(static_cast<QKeyEvent *>(event))) {
            showListMenu(watched == lstR,
                         KeyboardMenuPlace(static_cast<QAbstractItemView *>(watched)));
            return true;
        }
        return swallowsKeyPress(watched, static_cast<QKeyEvent *>(event));
    case QEvent::KeyRelease:
        return keyReleased(watched, static_cast<QKeyEvent *>(event));
    case QEvent::MouseButtonDblClick:
        if (watched == tv->viewport())
            AddTreeFile();
        else if (watched == lstR->viewport())
            AddPickedFiles();
        else if (watched == List1->viewport())
            RemovePickedEntries();
        break;
    case QEvent::MouseMove:
        if (watched == tv->viewport())
            return treeMouseEvent(event);
        break;
    case QEvent::MouseButtonPress:
        if (watched == tv->viewport())
            return treeMouseEvent(event);
        // The selection stays as it was until the popup acts.
        if ((watched == lstR->viewport() || watched == List1->viewport()) &&
            static_cast<QMouseEvent *>(event)->button() == Qt::RightButton)
            return true;
        break;
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const bool overFiles = watched == lstR->viewport();
        if (overFiles && mouse->button() == Qt::LeftButton)
            DragSet.clear(); // a click in the file list
        if ((overFiles || watched == List1->viewport()) && mouse->button() == Qt::RightButton) {
            showListMenu(overFiles, mouse->globalPosition().toPoint());
            return true;
        }
        break;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return dragEvent(watched, event);
    default:
        break;
    }
    if (watched == vsplit || watched == split)
        return splitterEvent(static_cast<QWidget *>(watched), event);
    return QDialog::eventFilter(watched, event);
}
