#pragma once

#include "engine/checkouts/CheckoutLoader.h"
#include "engine/checkouts/CheckoutTable.h"

#include <QElapsedTimer>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableView;

// Who has what: every checked-out file of the watched files and projects,
// or of the whole database, read on a thread of its own; sortable by each
// column, filtered by user and by path text, exported as CSV or JSON.
class frmCheckouts : public QWidget
{
    Q_OBJECT

public:
    // `source` gives the current login and watched entries; its roots are
    // replaced by "$/" for the whole database.
    frmCheckouts(RepositoryFactory factory, std::function<CheckoutSource()> source,
                 QWidget *parent = nullptr);
    ~frmCheckouts() override;

    // Shows the window (in front, with the keyboard) and reads afresh.
    void showWindow();
    // Reads afresh when the window is on the screen (a poll found changes).
    void refreshIfShown();
    // Reads again now; a read under way is cancelled first.
    void refresh();
    void cancelReading();
    // Writes the rows shown, in their order, to `path`: JSON for a .json
    // name, else CSV (UTF-8 with a byte order mark); false and a message
    // box when it cannot.
    bool exportTo(const QString &path);

    bool reading() const { return m_loader.running() || m_waiting; }
    CheckoutTable &table() { return m_table; }
    CheckoutFilter &filter() { return m_filter; }

    QRadioButton *optWatched, *optWhole;
    QComboBox *cboUser;
    QLineEdit *txtPath;
    QLabel *lblCount, *lblStatus;
    QTableView *grid;
    QProgressBar *progress;
    QPushButton *cmdCancel, *cmdRefresh, *cmdExport, *cmdClose;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void rowsRead(std::vector<CheckedOutFile> rows);
    void readEnded(const CheckoutLoader::Result &result);
    void showCount();
    void fillUsers();
    void cmdExport_Click();

    std::function<CheckoutSource()> m_source;
    CheckoutTable m_table;
    CheckoutFilter m_filter;
    CheckoutLoader m_loader;
    bool m_waiting = false; // a read was started and has not ended yet
    QElapsedTimer m_readTime;
};
