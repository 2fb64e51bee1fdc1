#pragma once

#include <QIcon>
#include <QWidget>

#include <functional>

class EventList;
class QAction;
class QPushButton;
class QToolBar;
class QTreeView;
class SettingsStore;
class frmOptions;
class modZel;

// The event log viewer: the program's event list (lvTrace) over the engine's
// EventList, its toolbar and a Close button. The window is built once and
// then loaded and unloaded: loading restores the geometry and reads the log
// file (unless a poll already did), unloading stores the geometry and drops
// the rows so that the next load rebuilds them from the file. The Close
// button only hides it, keeping the rows.
class frmLog : public QWidget
{
    Q_OBJECT
public:
    // `mainIcon` gives the window the main window's icon at each load.
    frmLog(modZel &zel, SettingsStore &store, std::function<QIcon()> mainIcon,
           QWidget *parent = nullptr);
    ~frmLog() override;

    // Shows the window without blocking, loading it first when needed;
    // without `activate` it comes to the front but leaves the keyboard focus
    // where the user is typing.
    void showViewer(bool activate = true);
    bool isLoaded() const { return m_loaded; }
    void Form_Load();
    // Stores the geometry (unless minimised), drops the rows and hides.
    void Form_Unload();
    // Closes the log settings dialog when it is open.
    void unloadOptions();
    frmOptions *optionsDialog() const { return m_options; }

    // Replaces the rows by the file's records and sizes the Object column.
    void LoadEventList();
    // Header click: the sort column again reverses the order; another column
    // becomes the sort column in the current order.
    void lvTrace_ColumnClick(int column);
    // Lays the controls out for a window of the given size in twips; below
    // 2000 twips of height only the list's left edge is kept.
    void doLayout(int windowWidth, int windowHeight);

    // --- toolbar commands and the Close button ---
    void ClearAllEvents();
    void Refresh();
    void Properties();
    void Print();
    void Command1_Click();

    // The toolbar button with the given key (its tooltip), or nullptr.
    QAction *button(const QString &key) const;

    // F1 in the log settings dialog asks for its help context here.
    std::function<void(int context)> onHelp;

    QTreeView *lvTrace;
    QToolBar *tbToolBar;
    QPushButton *Command1;

    // Geometry defaults and keys, in twips, section "Settings".
    static constexpr int DefaultPlace = 1000, DefaultSize = 6500;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildControls();
    EventList &list();
    void restoreGeometry();
    void widenToColumns();
    // The window's outer size in twips (the size restored, while unchanged).
    QSize outerTwips() const;
    void storeGeometry();
    void sizeColumns(int longestObject);
    int columnPadding() const;
    void widenObjectColumn(int first, int last);
    void showSortIndicator();

    modZel &m_zel;
    SettingsStore &m_store;
    std::function<QIcon()> m_mainIcon;
    bool m_loaded = false;
    QSize m_outer; // the outer size last restored (twips)
    bool m_widthIsDefault = false;
    frmOptions *m_options = nullptr;
};
