// The watched-file list of the main window and its commands.
#include "WatchedEntry.h"
#include "frmZel.h"
#include "ui/WaitCursor.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>

void frmZel::showFileCount()
{
    setStatus(zel().FilesInListText());
}

void frmZel::RefreshFileList()
{
    lst->clear();
    for (const Suspect &file : zel().MonitoredFiles) {
        auto *entry = new QListWidgetItem(WatchedEntry::icon(file), WatchedEntry::text(file));
        entry->setData(Qt::UserRole, file.Key());
        entry->setFlags(entry->flags() & ~Qt::ItemIsEditable);
        lst->addItem(entry);
    }
    if (zel().MonitoredFiles.Count() > 0)
        showFileCount();
}

// The entry the list's commands act on: the current entry when it is
// selected, else the first selected one.
QListWidgetItem *frmZel::selectedEntry() const
{
    QListWidgetItem *current = lst->currentItem();
    if (current && current->isSelected())
        return current;
    const QList<QListWidgetItem *> selected = lst->selectedItems();
    return selected.isEmpty() ? nullptr : selected.constFirst();
}

Suspect *frmZel::selectedProject()
{
    const QListWidgetItem *entry = selectedEntry();
    Suspect *watched =
        entry ? zel().MonitoredFiles.Find(entry->data(Qt::UserRole).toString()) : nullptr;
    return watched && watched->IsProject() ? watched : nullptr;
}

void frmZel::removeEntry(QListWidgetItem *entry)
{
    const QString key = entry->data(Qt::UserRole).toString();
    if (zel().MonitoredFiles.Exists(key))
        zel().MonitoredFiles.Remove(key);
    delete entry;
}

void frmZel::cmdAdd_Click()
{
    modZel &z = zel();
    // The window is on the screen: a failure is shown in it, not by showing it.
    if (!z.Database && !z.OpenDatabase(false))
        return;
    if (!windows.openExplorer)
        return; // no explorer in this build yet
    bool shown = false;
    {
        const WaitCursor busy(this);
        shown = windows.openExplorer();
    }
    if (shown)
        showFileCount();
}

void frmZel::cmdRemove_Click()
{
    if (QListWidgetItem *entry = selectedEntry()) {
        removeEntry(entry);
        if (lst->count() > 0) {
            QListWidgetItem *last = lst->item(lst->count() - 1);
            lst->setCurrentItem(last);
            lst->scrollToItem(last);
        }
    }
    showFileCount();
    if (zel().MonitoredFiles.Count() == 0)
        lst->setToolTip(QString());
}

void frmZel::m_remove_Click()
{
    // Several selected entries: exactly those go. (Emptying the whole list
    // here would throw away watched files the user never chose to remove.)
    const QList<QListWidgetItem *> selected = lst->selectedItems();
    if (selected.size() <= 1) {
        cmdRemove_Click();
        return;
    }
    for (QListWidgetItem *entry : selected)
        removeEntry(entry);
    showFileCount();
    if (zel().MonitoredFiles.Count() == 0)
        lst->setToolTip(QString());
}

void frmZel::emptyFileList()
{
    for (int n = lst->count(); n > 0; --n)
        removeEntry(lst->item(0));
    lst->setToolTip(QString());
}

void frmZel::m_removeall_Click()
{
    emptyFileList();
    showFileCount();
}

void frmZel::m_exclude_Click()
{
    if (Suspect *project = selectedProject())
        WatchedEntry::editExcludes(this, *project); // stored with the list
}

void frmZel::m_selectall_Click()
{
    lst->selectAll();
}

void frmZel::m_unselect_Click()
{
    lst->clearSelection();
}

void frmZel::lst_Click()
{
    if (QListWidgetItem *entry = selectedEntry())
        lst->setToolTip(entry->text());
}

void frmZel::showListMenu(const QPoint &at)
{
    prepareListMenu();
    mright->popup(at);
}

void frmZel::prepareListMenu()
{
    m_remove->setVisible(true);
    m_removeall->setVisible(true);
    const bool hasEntries = lst->count() > 0;
    const bool hasSelection = hasEntries && selectedEntry() != nullptr;
    m_selectall->setEnabled(hasEntries);
    m_removeall->setEnabled(hasEntries);
    m_unselect->setEnabled(hasSelection);
    m_remove->setEnabled(hasSelection);
    m_addnew->setEnabled(true);
    // Only a list with a watched project offers its patterns.
    bool projects = false;
    for (const Suspect &entry : zel().MonitoredFiles)
        projects = projects || entry.IsProject();
    m_exclude->setVisible(projects);
    m_exclude->setEnabled(selectedProject() != nullptr);
}
