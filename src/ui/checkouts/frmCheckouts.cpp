#include "frmCheckouts.h"

#include "engine/StatusText.h"
#include "engine/checkouts/CheckoutFormat.h"
#include "engine/eventlog/AtomicFile.h"
#include "ui/Accessible.h"
#include "ui/WaitCursor.h"
#include "ui/main/DialogHook.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QString number(qint64 value)
{
    return QLocale().toString(value);
}

} // namespace

frmCheckouts::frmCheckouts(RepositoryFactory factory, std::function<CheckoutSource()> source,
                           QWidget *parent)
    : QWidget(parent, Qt::Window), m_source(std::move(source)), m_loader(std::move(factory))
{
    setObjectName(QStringLiteral("frmCheckouts"));
    setWindowTitle(tr("Check-outs"));
    m_filter.setSourceModel(&m_table);
    buildControls();
    m_loader.onRows = [this](std::vector<CheckedOutFile> rows) { rowsRead(std::move(rows)); };
    m_loader.onProgress = [this](int items) {
        lblStatus->setText(tr("Reading... %1 items").arg(number(items)));
    };
    m_loader.onFinished = [this](const CheckoutLoader::Result &result) { readEnded(result); };
}

frmCheckouts::~frmCheckouts() = default;

void frmCheckouts::buildControls()
{
    auto *root = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    optWatched = new QRadioButton(tr("Wa&tched files"), this);
    optWhole = new QRadioButton(tr("Whole &database"), this);
    optWatched->setChecked(true);
    auto *lblUser = new QLabel(tr("&User:"), this);
    cboUser = new QComboBox(this);
    cboUser->setMinimumContentsLength(12);
    lblUser->setBuddy(cboUser);
    auto *lblPath = new QLabel(tr("&Path contains:"), this);
    txtPath = new QLineEdit(this);
    txtPath->setClearButtonEnabled(true);
    lblPath->setBuddy(txtPath);
    lblCount = new QLabel(this);
    for (QWidget *w : std::initializer_list<QWidget *>{optWatched, optWhole, lblUser, cboUser,
                                                       lblPath, txtPath, lblCount})
        top->addWidget(w, w == txtPath ? 1 : 0);
    root->addLayout(top);

    grid = new QTableView(this);
    grid->setModel(&m_filter);
    Describe(grid, tr("Check-outs"),
             tr("One row per checked-out file: file, user, since when, version, folder, "
                "machine and comment"));
    grid->setSortingEnabled(true);
    grid->sortByColumn(CheckoutTable::File, Qt::AscendingOrder);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setAlternatingRowColors(true);
    grid->setWordWrap(false);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {280, 80, 130, 55, 200, 90};
    for (int column = 0; column < int(std::size(widths)); ++column)
        grid->setColumnWidth(column, widths[column]);
    root->addWidget(grid, 1);

    auto *bottom = new QHBoxLayout;
    lblStatus = new QLabel(this);
    progress = new QProgressBar(this);
    progress->setRange(0, 0); // how much is left is not known
    progress->setMaximumWidth(120);
    progress->hide();
    cmdCancel = new QPushButton(tr("&Cancel"), this);
    cmdCancel->hide();
    cmdRefresh = new QPushButton(tr("&Refresh"), this);
    cmdExport = new QPushButton(tr("&Export..."), this);
    cmdClose = new QPushButton(tr("Close"), this);
    bottom->addWidget(lblStatus, 1);
    for (QWidget *w :
         std::initializer_list<QWidget *>{progress, cmdCancel, cmdRefresh, cmdExport, cmdClose})
        bottom->addWidget(w);
    root->addLayout(bottom);
    resize(980, 520);

    connect(optWatched, &QRadioButton::toggled, this, [this] { refresh(); });
    connect(cboUser, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_filter.setUser(index > 0 ? cboUser->itemText(index) : QString());
        showCount();
    });
    connect(txtPath, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_filter.setPathText(text);
        showCount();
    });
    connect(cmdCancel, &QPushButton::clicked, this, &frmCheckouts::cancelReading);
    connect(cmdRefresh, &QPushButton::clicked, this, &frmCheckouts::refresh);
    connect(cmdExport, &QPushButton::clicked, this, &frmCheckouts::cmdExport_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, [this] {
        if (reading())
            cancelReading();
        else
            close();
    });
    new QShortcut(QKeySequence::Refresh, this, this, &frmCheckouts::refresh);
}

void frmCheckouts::showWindow()
{
    show();
    raise();
    activateWindow();
    refresh();
}

void frmCheckouts::refreshIfShown()
{
    if (isVisible())
        refresh();
}

void frmCheckouts::refresh()
{
    CheckoutSource source = m_source();
    if (optWhole->isChecked())
        source.roots = {QStringLiteral("$/")};
    m_table.clear();
    fillUsers();
    showCount();
    if (source.iniPath.isEmpty() || source.user.isEmpty()) {
        lblStatus->setText(tr("No database is chosen: choose one in the settings"));
        return;
    }
    if (source.roots.isEmpty()) {
        lblStatus->setText(tr("No file is watched: choose \"Whole database\""));
        return;
    }
    lblStatus->setText(tr("Reading..."));
    progress->show();
    cmdCancel->show();
    m_waiting = true;
    setCursor(Qt::BusyCursor);
    m_readTime.start();
    m_loader.start(source);
}

void frmCheckouts::cancelReading()
{
    m_loader.cancel();
}

void frmCheckouts::rowsRead(std::vector<CheckedOutFile> rows)
{
    m_table.append(std::move(rows));
    fillUsers();
    showCount();
}

void frmCheckouts::readEnded(const CheckoutLoader::Result &result)
{
    m_waiting = false;
    unsetCursor();
    progress->hide();
    cmdCancel->hide();
    QString text;
    if (!result.error.isEmpty())
        text = ErrorMark() + result.error;
    else if (result.cancelled)
        text = tr("Cancelled after %1 items").arg(number(result.items));
    else
        text = tr("Read %1 items in %2 s")
                   .arg(number(result.items))
                   .arg(QLocale().toString(double(m_readTime.elapsed()) / 1000, 'f', 1));
    if (!result.problems.isEmpty()) {
        text += tr("; %1 not read").arg(number(result.problems.size()));
        lblStatus->setToolTip(result.problems.mid(0, 20).join(QLatin1Char('\n')));
    } else {
        lblStatus->setToolTip(QString());
    }
    lblStatus->setText(text);
}

void frmCheckouts::showCount()
{
    const int all = m_table.rowCount(), shown = m_filter.rowCount();
    lblCount->setText(shown == all ? tr("%1 check-outs").arg(number(all))
                                   : tr("%1 of %2 check-outs").arg(number(shown), number(all)));
}

// "All users" and each user holding a file; the choice stays while the
// list grows.
void frmCheckouts::fillUsers()
{
    const QStringList users = m_table.users();
    if (cboUser->count() == users.size() + 1)
        return;
    const QString chosen = cboUser->currentIndex() > 0 ? cboUser->currentText() : QString();
    const QSignalBlocker blocker(cboUser);
    cboUser->clear();
    cboUser->addItem(tr("All users"));
    cboUser->addItems(users);
    if (!chosen.isEmpty() && !users.contains(chosen))
        cboUser->addItem(chosen); // not read yet: the filter stays
    cboUser->setCurrentIndex(chosen.isEmpty() ? 0 : cboUser->findText(chosen));
}

void frmCheckouts::cmdExport_Click()
{
    // A documents folder that was never made would turn the name proposed
    // into one that cannot be saved.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QDir(folder).exists())
        folder = QDir::homePath();
    const QString path = DialogHook::getSaveFileName(
        this, tr("Export Check-outs"), QDir(folder).filePath(QStringLiteral("checkouts.csv")),
        tr("CSV (*.csv);;JSON (*.json)"));
    if (!path.isEmpty())
        exportTo(path);
}

bool frmCheckouts::exportTo(const QString &path)
{
    const bool json = path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive);
    QByteArray bytes;
    {
        QTextStream out(&bytes);
        out.setEncoding(QStringConverter::Utf8);
        out.setGenerateByteOrderMark(!json); // spreadsheets read UTF-8 CSV by it
        CheckoutWriter writer(json ? CheckoutFormat::Json : CheckoutFormat::Csv, out);
        for (int row = 0; row < m_filter.rowCount(); ++row)
            writer.write(m_table.at(m_filter.mapToSource(m_filter.index(row, 0)).row()));
        writer.finish();
    }
    try {
        const WaitCursor wait(this);
        AtomicFile file(path, QStringLiteral("Export"));
        file.write(bytes);
        file.commit();
    } catch (const std::exception &e) {
        DialogHook::showCritical(
            this, tr("Export"),
            tr("Cannot write %1: %2")
                .arg(QDir::toNativeSeparators(path), QString::fromUtf8(e.what())));
        return false;
    }
    lblStatus->setText(tr("Exported %1 check-outs to %2")
                           .arg(number(m_filter.rowCount()), QDir::toNativeSeparators(path)));
    return true;
}

void frmCheckouts::closeEvent(QCloseEvent *event)
{
    m_loader.cancel();
    event->accept();
}
