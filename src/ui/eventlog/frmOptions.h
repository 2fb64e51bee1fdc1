#pragma once

#include <QDialog>
#include <QScrollBar>

#include <functional>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class SettingsStore;
class modZel;

// A vertical scroll bar whose top end is its larger value: the upper arrow
// counts the position up by one, the lower arrow counts it down.
class CountingUpScrollBar : public QScrollBar
{
public:
    CountingUpScrollBar(int top, int bottom, QWidget *parent = nullptr);
    int position() const { return m_top + m_bottom - value(); }
    void setPosition(int position) { setValue(m_top + m_bottom - position); }
    // The arrows, as a click on them does it.
    void upperArrow() { triggerAction(SliderSingleStepSub); }
    void lowerArrow() { triggerAction(SliderSingleStepAdd); }

private:
    int m_top, m_bottom;
};

// The log settings dialog: where the event log lives, its size and dates, the
// size limit and the policy for a full log. Every edit of a limit takes effect
// at once; Apply and OK store the settings and switch the log file; Cancel
// stores nothing. While it is open the poll is stopped (SessionOpen false).
class frmOptions : public QDialog
{
    Q_OBJECT
public:
    // `loadEventList` reloads the viewer's list after the log file changed.
    frmOptions(modZel &zel, SettingsStore &store, std::function<void()> loadEventList,
               QWidget *parent = nullptr);
    ~frmOptions() override;

    // Unloading (OK, Cancel, close box) sets SessionOpen.
    void done(int result) override;

    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdBrowse_Click();
    void cmdClear_Click();
    void optMax_Click(int index);
    // Ctrl+Tab: the next tab, from the last back to the first.
    void nextTab();

    bool changed() const { return m_changed; }
    const QString &storedLogfile() const { return m_storedLogfile; }

    // --- controls ---
    QTabWidget *tbsOptions;
    QLabel *lblItem[11];
    QLineEdit *txtPath;
    QPushButton *cmdBrowse;
    QGroupBox *Frame1;
    QLineEdit *txtSize, *txtDays;
    CountingUpScrollBar *vscSize, *vscDays;
    QRadioButton *optMax[3];
    QPushButton *cmdClear, *cmdOK, *cmdCancel, *cmdApply;
    // Why the file's values are missing (a folder that does not exist, a
    // file that cannot be written); empty otherwise.
    QLabel *lblStatus;

    static QString LogFileFilter();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct NumberBox;
    void buildControls();
    QWidget *buildGeneralPage();
    void Form_Load();
    void MarkChanged();
    void storeSettings();
    void switchLogFile();
    void ensureLogFileExists(const QString &path);
    void fillFileLabels(const QString &path);
    void centreOnScreen();

    NumberBox *boxOf(QObject *watched) const; // null: not a number box (yet)
    void box_KeyPress(NumberBox &box, QKeyEvent *event);
    void box_KeyUp(NumberBox &box, QKeyEvent *event);
    void takeTypedText(NumberBox &box);
    void box_LostFocus(NumberBox &box);
    void scroll_Change(NumberBox &box);

    modZel &m_zel;
    SettingsStore &m_store;
    std::function<void()> m_loadEventList;
    bool m_changed = false;
    bool m_loading = false;
    QString m_storedLogfile;
    QString m_dialogFileName; // the file dialog's current file name
    NumberBox *m_sizeBox = nullptr;
    NumberBox *m_daysBox = nullptr;
};
