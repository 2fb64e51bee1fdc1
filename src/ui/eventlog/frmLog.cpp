#include "frmLog.h"

#include "ui/ScreenFit.h"
#include "ui/Twips.h"
#include "ui/WaitCursor.h"

#include "engine/eventlog/EventList.h"
#include "engine/modZel.h"
#include "engine/settings/Settings.h"
#include "engine/settings/SettingsStore.h"
#include "frmLogPrint.h"
#include "frmOptions.h"
#include "ui/Accessible.h"
#include "ui/main/DialogHook.h"
#include "ui/main/HelpPages.h"
#include "ui/main/HelpWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QToolBar>
#include <QTreeView>

#include <exception>

namespace {

const QString kSection = QStringLiteral("Settings");

using Twips::toPixels;
int toTwips(int pixels)
{
    return Twips::fromPixels(pixels);
}

// A command's failure does nothing visible (its own messages aside).
template <typename Command> void ignoringErrors(Command command)
{
    try {
        command();
    } catch (const std::exception &) {
    }
}

int longestObject(const EventList &list)
{
    int longest = 0;
    const int rows = list.rowCount();
    for (int r = 0; r < rows; ++r)
        longest = std::max(
            longest, int(list.data(list.index(r, EventList::ObjectColumn)).toString().size()));
    return longest;
}

// The toolbar: key (tooltip) and picture of each button, in order.
struct ToolbarButton
{
    const char *key;
    const char *image;
};
constexpr ToolbarButton kButtons[] = {
    {QT_TRANSLATE_NOOP("frmLog", "Clear all events"), "log-delete"},
    {QT_TRANSLATE_NOOP("frmLog", "Refresh"), "log-find"},
    {QT_TRANSLATE_NOOP("frmLog", "Properties"), "log-properties"},
    {QT_TRANSLATE_NOOP("frmLog", "Print"), "log-print"}};

} // namespace

frmLog::frmLog(modZel &zel, SettingsStore &store, std::function<QIcon()> mainIcon, QWidget *parent)
    : QWidget(parent), m_zel(zel), m_store(store), m_mainIcon(std::move(mainIcon))
{
    setObjectName(QStringLiteral("frmLog"));
    setWindowTitle(tr("Event log"));
    buildControls();
}

frmLog::~frmLog() = default;

void frmLog::buildControls()
{
    tbToolBar = new QToolBar(this);
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    tbToolBar->setIconSize(QSize(16, 16));
    const std::function<void()> commands[] = {[this] { ClearAllEvents(); }, [this] { Refresh(); },
                                              [this] { Properties(); }, [this] { Print(); }};
    for (size_t i = 0; i < std::size(kButtons); ++i) {
        const QString key = tr(kButtons[i].key);
        QAction *action =
            tbToolBar->addAction(QIcon(QStringLiteral(":/icons/") +
                                       QLatin1String(kButtons[i].image) + QStringLiteral(".svg")),
                                 key);
        action->setToolTip(key);
        // Reached by Tab like every other control, Space presses it.
        tbToolBar->widgetForAction(action)->setFocusPolicy(Qt::TabFocus);
        connect(action, &QAction::triggered, this, commands[i]);
    }
    tbToolBar->setGeometry(0, 0, toPixels(DefaultSize), tbToolBar->sizeHint().height());

    lvTrace = new QTreeView(this);
    lvTrace->setObjectName(QStringLiteral("lvTrace"));
    Describe(lvTrace, tr("Events"),
             tr("The changes seen, one per row: date, time, file and action"));
    lvTrace->setRootIsDecorated(false);
    lvTrace->setItemsExpandable(false);
    lvTrace->setUniformRowHeights(true); // a million rows scroll without measuring each
    lvTrace->setAllColumnsShowFocus(true);
    lvTrace->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvTrace->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvTrace->setSortingEnabled(false); // the header click rule below sorts
    lvTrace->header()->setSectionsClickable(true);
    lvTrace->header()->setSortIndicatorShown(true);
    lvTrace->header()->setStretchLastSection(true);
    lvTrace->header()->setMinimumSectionSize(0); // an empty log's Object column has none
    connect(lvTrace->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { ignoringErrors([&] { lvTrace_ColumnClick(column); }); });

    Command1 = new QPushButton(tr("Close"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->resize(Command1->sizeHint());
    connect(Command1, &QPushButton::clicked, this, &frmLog::Command1_Click);

    // The design-time places: laid out for the default window size.
    lvTrace->move(toPixels(50), tbToolBar->height());
    m_outer = QSize(DefaultSize, DefaultSize);
    resize(Twips::clientPixels(DefaultSize, DefaultSize));
    doLayout(DefaultSize, DefaultSize);
}

EventList &frmLog::list()
{
    return m_zel.lvTrace();
}

QAction *frmLog::button(const QString &key) const
{
    for (QAction *action : tbToolBar->actions())
        if (action->toolTip() == key)
            return action;
    return nullptr;
}

// ------------------------------------------------------------- load, unload

void frmLog::showViewer(bool activate)
{
    if (!m_loaded)
        Form_Load();
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    setAttribute(Qt::WA_ShowWithoutActivating, !activate);
    show();
    raise();
    if (activate)
        activateWindow();
    // The newest row in view, where the current sort puts it: the rows a
    // poll just added are what the user came for.
    if (const int newest = list().newestPosition(); newest >= 0) {
        const QModelIndex row = list().index(newest, EventList::ActionColumn);
        lvTrace->setCurrentIndex(row);
        lvTrace->scrollTo(row);
    }
}

void frmLog::Form_Load()
{
    m_loaded = true;
    restoreGeometry();
    if (m_mainIcon)
        setWindowIcon(m_mainIcon());
    int longest = 0;
    try {
        const WaitCursor wait(this);
        // Reads the file and sorts by date ascending, unless a poll already
        // loaded the list (it keeps the rows the poll added since).
        EventList &events = list();
        longest = longestObject(events);
    } catch (const std::exception &e) {
        DialogHook::showCritical(this, kAppName,
                                 tr("Cannot read the event log: ") + QString::fromUtf8(e.what()));
    }
    if (lvTrace->model() != &list()) {
        lvTrace->setModel(&list());
        connect(
            &list(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { widenObjectColumn(first, last); });
    }
    sizeColumns(longest);
    if (m_widthIsDefault)
        widenToColumns();
    showSortIndicator();
}

void frmLog::widenToColumns()
{
    // With no stored width the window opens wide enough for every column
    // (the User column's caption included), within the screen.
    const QHeaderView *header = lvTrace->header();
    int columns = header->fontMetrics().horizontalAdvance(QStringLiteral("User ")) * 2;
    for (int c = 0; c < EventList::UserColumn; ++c)
        columns += header->sectionSize(c);
    const int listPixels = columns + 2 * lvTrace->frameWidth() +
                           style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, lvTrace);
    int outerWidth = std::max(m_outer.width(), toTwips(listPixels) + 200);
    if (const QScreen *where = screen())
        outerWidth = std::min(outerWidth, toTwips(where->availableGeometry().width() * 9 / 10));
    if (outerWidth <= m_outer.width())
        return;
    m_outer.setWidth(outerWidth);
    resize(Twips::clientPixels(m_outer.width(), m_outer.height()));
}

void frmLog::Form_Unload()
{
    if (!m_loaded)
        return;
    unloadOptions();
    storeGeometry();
    m_zel.unloadEventList();
    m_loaded = false;
    hide();
}

void frmLog::closeEvent(QCloseEvent *event)
{
    // The window's own close box unloads it; the Close button only hides it.
    Form_Unload();
    event->accept();
}

void frmLog::unloadOptions()
{
    if (m_options)
        m_options->reject();
}

void frmLog::restoreGeometry()
{
    auto stored = [this](const char *key, int defaultValue, bool *isDefault = nullptr) {
        bool ok = false;
        const int value =
            m_store.GetSetting(kAppName, kSection, QLatin1String(key), QString()).toInt(&ok);
        if (isDefault)
            *isDefault = !ok;
        return ok ? value : defaultValue;
    };
    const int left = stored("MainLeft", DefaultPlace);
    const int top = stored("MainTop", DefaultPlace);
    const int width = std::max(stored("MainWidth", DefaultSize, &m_widthIsDefault), 0);
    const int height = std::max(stored("MainHeight", DefaultSize), 0);
    const QPoint place(toPixels(left), toPixels(top));
    const QRect area = ScreenFit::freeArea(this, place);
    m_outer = ScreenFit::cappedTwips(QSize(width, height), area);
    move(ScreenFit::keptInside(place, QSize(toPixels(m_outer.width()), toPixels(m_outer.height())),
                               area));
    resize(Twips::clientPixels(m_outer.width(), m_outer.height()));
}

void frmLog::storeGeometry()
{
    if (isMinimized())
        return;
    const QPoint place = pos();
    const QSize outer = outerTwips();
    const QString values[] = {QString::number(toTwips(place.x())),
                              QString::number(toTwips(place.y())), QString::number(outer.width()),
                              QString::number(outer.height())};
    const char *const keys[] = {"MainLeft", "MainTop", "MainWidth", "MainHeight"};
    for (int i = 0; i < 4; ++i)
        m_store.SaveSetting(kAppName, kSection, QLatin1String(keys[i]), values[i]);
    m_store.commit();
}

// --------------------------------------------------------------- the list

void frmLog::LoadEventList()
{
    int longest = 0;
    try {
        const WaitCursor wait(this);
        longest = m_zel.LoadEventList();
    } catch (const std::exception &e) {
        DialogHook::showCritical(this, kAppName,
                                 tr("Cannot read the event log: ") + QString::fromUtf8(e.what()));
    }
    sizeColumns(longest);
}

int frmLog::columnPadding() const
{
    return 3 * lvTrace->fontMetrics().horizontalAdvance(QLatin1Char(' '));
}

void frmLog::widenObjectColumn(int first, int last)
{
    // Rows added while the viewer is loaded: the Object column grows to show
    // them whole (it never shrinks; an empty log's column starts at zero).
    const EventList &events = list();
    const QFontMetrics text = lvTrace->fontMetrics();
    int widest = 0;
    for (int r = first; r <= last && r - first < 500; ++r)
        widest =
            std::max(widest, text.horizontalAdvance(
                                 events.data(events.index(r, EventList::ObjectColumn)).toString()));
    QHeaderView *header = lvTrace->header();
    if (widest + columnPadding() <= header->sectionSize(EventList::ObjectColumn))
        return;
    header->resizeSection(EventList::ObjectColumn, widest + columnPadding());
    if (m_widthIsDefault)
        widenToColumns(); // the User column stays in sight
}

void frmLog::sizeColumns(int longestObject)
{
    // Measured in the list's own font, so that every text shows whole: the
    // widest action, a date, a time and the widest of the longest objects.
    const QFontMetrics text = lvTrace->fontMetrics(), header = lvTrace->header()->fontMetrics();
    const int padding = columnPadding();
    const EventList &events = list();
    auto fit = [&](int column, int width) {
        const QString caption = events.headerData(column, Qt::Horizontal).toString();
        lvTrace->header()->resizeSection(
            column, std::max(width, header.horizontalAdvance(caption)) + padding);
    };
    fit(EventList::ActionColumn,
        text.horizontalAdvance(QStringLiteral("Check In (Undo Check Out)")));
    fit(EventList::DateColumn, text.horizontalAdvance(QStringLiteral("8888-88-88")));
    fit(EventList::TimeColumn, text.horizontalAdvance(QStringLiteral("88:88:88")));
    if (longestObject == 0) {
        lvTrace->header()->resizeSection(EventList::ObjectColumn, 0);
        return;
    }
    // Only texts about as long as the longest are measured (a few hundred).
    int widest = 0, measured = 0;
    const int rows = events.rowCount();
    for (int r = 0; r < rows && measured < 500; ++r) {
        const QString object = events.data(events.index(r, EventList::ObjectColumn)).toString();
        if (object.size() + 4 < longestObject)
            continue;
        widest = std::max(widest, text.horizontalAdvance(object));
        ++measured;
    }
    lvTrace->header()->resizeSection(EventList::ObjectColumn, widest + padding);
}

void frmLog::lvTrace_ColumnClick(int column)
{
    EventList &events = list();
    Qt::SortOrder order = events.sortOrder();
    if (events.sortColumn() == column)
        order = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    const WaitCursor wait(this);
    events.sort(column, order);
    showSortIndicator();
}

void frmLog::showSortIndicator()
{
    const EventList &events = list();
    if (events.sorted())
        lvTrace->header()->setSortIndicator(events.sortColumn(), events.sortOrder());
}

// ----------------------------------------------------------------- layout

void frmLog::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const QSize outer = outerTwips();
    doLayout(outer.width(), outer.height());
}

QSize frmLog::outerTwips() const
{
    return Twips::outerTwips(size(), m_outer);
}

void frmLog::doLayout(int windowWidth, int windowHeight)
{
    tbToolBar->setGeometry(0, 0, width(), tbToolBar->height());
    constexpr int margin = 50;
    lvTrace->move(toPixels(margin), lvTrace->y());
    if (windowHeight < 2000)
        return; // too low: nothing else moves
    const int listTop = toTwips(lvTrace->y());
    const int listWidth = std::max(windowWidth - 2 * margin - 100, 0);
    const int listHeight = std::max(
        windowHeight - toTwips(tbToolBar->height()) - toTwips(Command1->height()) - 600, 0);
    lvTrace->resize(toPixels(listWidth), toPixels(listHeight));
    Command1->move(toPixels(windowWidth - toTwips(Command1->width()) - 200),
                   toPixels(listTop + listHeight + margin));
}

// --------------------------------------------------------------- commands

void frmLog::ClearAllEvents()
{
    ignoringErrors([this] { list().clear(); });
}

void frmLog::Refresh()
{
    ignoringErrors([this] { m_zel.CheckFiles(); });
}

void frmLog::Properties()
{
    struct ModalScope
    {
        bool &flag;
        explicit ModalScope(bool &f) : flag(f) { flag = true; }
        ~ModalScope() { flag = false; }
    };
    ignoringErrors([this] {
        ModalScope modal(m_zel.ModalOpen);
        frmOptions dialog(
            m_zel, m_store, [this] { LoadEventList(); }, this);
        m_options = &dialog;
        BindHelpKey(&dialog, HelpPages::LogSettingsContext, onHelp);
        DialogHook::exec(dialog);
        m_options = nullptr;
    });
    m_options = nullptr;
}

void frmLog::Print()
{
    ignoringErrors([this] {
        QPrinter printer;
        if (!DialogHook::askPrinter(this, printer))
            return; // cancelled: nothing is printed
        PrintFile(printer, m_zel.eventLog.EventLogPath, this);
    });
}

void frmLog::Command1_Click()
{
    hide();
}
