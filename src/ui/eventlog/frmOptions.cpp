#include "frmOptions.h"

#include "engine/eventlog/LogBirth.h"

#include "engine/ZelError.h"
#include "engine/eventlog/EventList.h"
#include "engine/modZel.h"
#include "engine/settings/SettingValues.h"
#include "engine/settings/Settings.h"
#include "engine/settings/SettingsStore.h"
#include "ui/Accessible.h"
#include "ui/FocusMove.h"
#include "ui/main/DialogHook.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

CountingUpScrollBar::CountingUpScrollBar(int top, int bottom, QWidget *parent)
    : QScrollBar(Qt::Vertical, parent), m_top(top), m_bottom(bottom)
{
    // Stored as bottom..top, top first, so the upper arrow (a step down in
    // value) is a step up in position.
    setRange(bottom, top);
    setSingleStep(1);
}

// One of the two number boxes (size in KB, days) with its scroll bar.
struct frmOptions::NumberBox
{
    QLineEdit *box;
    CountingUpScrollBar *bar;
    QString &value;    // MaxLogSize or MaxDays: what the event writer uses
    int keptOnKeyUp;   // longer texts are cut to this many characters
    QString emptyText; // what an empty box becomes when it loses the focus
    int unitsPerStep;  // box text = position × unitsPerStep
    int (*positionFor)(int number);
};

namespace {

const QString kParams = QStringLiteral("Params");
constexpr int kLongestOnLeave = 5; // a text of 6 or more is cut to 5 on leaving

// v / 64 rounded to the nearest whole number, halves to the even number.
int roundedSixtyFourths(int v)
{
    const int whole = v / 64, rest = v % 64;
    if (rest > 32 || (rest == 32 && whole % 2 == 1))
        return whole + 1;
    return whole;
}

int sizePositionFor(int v)
{
    if (v >= 65 && v / 64.0 < 1024)
        return roundedSixtyFourths(v);
    return v > 64 ? 1024 : 1;
}

int daysPositionFor(int d)
{
    if (d >= 2 && d <= 30)
        return d;
    return d > 1 ? 30 : 1;
}

// A key held with Ctrl, Alt or Meta, or one of those keys (or Shift) itself.
bool isShortcut(const QKeyEvent *key)
{
    static const int modifierKeys[] = {Qt::Key_Control, Qt::Key_Shift, Qt::Key_Alt, Qt::Key_Meta,
                                       Qt::Key_AltGr};
    return (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) ||
           std::find(std::begin(modifierKeys), std::end(modifierKeys), key->key()) !=
               std::end(modifierKeys);
}

// The locale's general date-and-time text.
QString dateTimeText(const QDateTime &when)
{
    if (!when.isValid())
        return frmOptions::tr("(unknown)");
    return LocaleDateTimeText(when, QLocale::system());
}

} // namespace

QString frmOptions::LogFileFilter()
{
    return tr("Text (Tab delimited)(*.txt)");
}

frmOptions::frmOptions(modZel &zel, SettingsStore &store, std::function<void()> loadEventList,
                       QWidget *parent)
    : QDialog(parent), m_zel(zel), m_store(store), m_loadEventList(std::move(loadEventList))
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(tr("Properties"));
    m_loading = true;
    buildControls();
    Form_Load();
}

frmOptions::~frmOptions()
{
    delete m_sizeBox;
    delete m_daysBox;
}

// --------------------------------------------------------------- building

void frmOptions::buildControls()
{
    tbsOptions = new QTabWidget(this);
    tbsOptions->setAccessibleName(tr("Pages"));
    tbsOptions->setObjectName(QStringLiteral("tbsOptions"));
    tbsOptions->addTab(buildGeneralPage(), tr("General"));
    tbsOptions->setTabToolTip(0, tr("Set Options for Group 1"));
    auto *nextTabKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    connect(nextTabKey, &QShortcut::activated, this, &frmOptions::nextTab);

    cmdOK = new QPushButton(tr("OK"), this);
    cmdCancel = new QPushButton(tr("Cancel"), this);
    cmdApply = new QPushButton(tr("Apply"), this);
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmOptions::cmdApply_Click);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdApply);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tbsOptions);
    layout->addLayout(buttons);
}

QWidget *frmOptions::buildGeneralPage()
{
    auto *page = new QWidget;
    static const char *const captions[11] = {QT_TR_NOOP("Log file:"),
                                             QT_TR_NOOP("Size:"),
                                             QT_TR_NOOP("Created:"),
                                             QT_TR_NOOP("Modified:"),
                                             "",
                                             "",
                                             "",
                                             QT_TR_NOOP("Maximum log size:"),
                                             QT_TR_NOOP("When maximum log size is reached:"),
                                             QT_TR_NOOP("KB"),
                                             QT_TR_NOOP("days")};
    for (int i = 0; i < 11; ++i)
        lblItem[i] = new QLabel(tr(captions[i]), page);
    for (int i = 4; i <= 6; ++i)
        lblItem[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);

    txtPath = new QLineEdit(page);
    txtPath->setObjectName(QStringLiteral("txtPath"));
    txtPath->setReadOnly(true); // chosen with "...", never typed
    txtPath->setMinimumWidth(280);
    cmdBrowse = new QPushButton(QStringLiteral("..."), page);
    cmdBrowse->setAccessibleName(tr("Choose the log file"));
    lblItem[0]->setBuddy(txtPath);
    cmdBrowse->setFixedWidth(cmdBrowse->fontMetrics().horizontalAdvance(QStringLiteral("...")) +
                             24);
    connect(cmdBrowse, &QPushButton::clicked, this, &frmOptions::cmdBrowse_Click);
    lblStatus = new QLabel(page);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);

    auto *file = new QGridLayout;
    file->addWidget(lblItem[0], 0, 0);
    file->addWidget(txtPath, 0, 1, 1, 2);
    file->addWidget(cmdBrowse, 0, 3);
    for (int i = 1; i <= 3; ++i) {
        file->addWidget(lblItem[i], i, 0);
        file->addWidget(lblItem[i + 3], i, 1, 1, 3);
    }
    file->addWidget(lblStatus, 4, 0, 1, 4);
    file->setColumnStretch(1, 1);

    const auto digitsOnly =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d*")), this);
    auto numberBox = [&](const char *name) {
        auto *box = new QLineEdit(page);
        box->setObjectName(QLatin1String(name));
        box->setValidator(digitsOnly); // nothing but digits gets in, pasted or dropped
        box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
        box->installEventFilter(this);
        return box;
    };
    txtSize = numberBox("txtSize");
    txtDays = numberBox("txtDays");
    lblItem[7]->setBuddy(txtSize);
    Describe(txtSize, tr("Maximum log size:"), tr("In kilobytes; type the number"));
    Describe(txtDays, tr("Days"),
             tr("With the option before it chosen, events older than this are overwritten"));
    vscSize = new CountingUpScrollBar(1024, 1, page);
    vscDays = new CountingUpScrollBar(30, 1, page);
    for (QScrollBar *bar : {static_cast<QScrollBar *>(vscSize), static_cast<QScrollBar *>(vscDays)})
        bar->setFixedHeight(txtSize->sizeHint().height());
    m_sizeBox = new NumberBox{
        txtSize, vscSize,         m_zel.eventLog.MaxLogSize, 5, QStringLiteral("1024"),
        64,      &sizePositionFor};
    m_daysBox = new NumberBox{
        txtDays, vscDays, m_zel.eventLog.MaxDays, 2, QStringLiteral("7"), 1, &daysPositionFor};
    for (NumberBox *box : {m_sizeBox, m_daysBox})
        connect(box->bar, &QScrollBar::valueChanged, this, [this, box] { scroll_Change(*box); });

    static const char *const options[3] = {
        QT_TR_NOOP("Overwrite events as needed"), QT_TR_NOOP("Overwrite events older than "),
        QT_TR_NOOP("Do not overwrite events (clear log manually)")};
    auto *group = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        optMax[i] = new QRadioButton(tr(options[i]), page);
        group->addButton(optMax[i], i);
        connect(optMax[i], &QRadioButton::clicked, this, [this, i] { optMax_Click(i); });
    }
    cmdClear = new QPushButton(tr("Clear Log"), page);
    connect(cmdClear, &QPushButton::clicked, this, &frmOptions::cmdClear_Click);

    Frame1 = new QGroupBox(tr("Log size"), page);
    auto *frame = new QGridLayout(Frame1);
    auto *sizeRow = new QHBoxLayout;
    sizeRow->addWidget(lblItem[7]);
    sizeRow->addWidget(txtSize);
    sizeRow->addWidget(vscSize);
    sizeRow->addWidget(lblItem[9]);
    sizeRow->addStretch();
    frame->addLayout(sizeRow, 0, 0);
    frame->addWidget(lblItem[8], 1, 0);
    frame->addWidget(optMax[0], 2, 0);
    auto *daysRow = new QHBoxLayout;
    daysRow->setSpacing(2);
    daysRow->addWidget(optMax[1]);
    daysRow->addWidget(txtDays);
    daysRow->addWidget(vscDays);
    daysRow->addSpacing(4); // "days" apart from its box, as "KB" is
    daysRow->addWidget(lblItem[10]);
    daysRow->addStretch();
    frame->addLayout(daysRow, 3, 0);
    frame->addWidget(optMax[2], 4, 0);
    auto *clearRow = new QHBoxLayout;
    clearRow->addStretch();
    clearRow->addWidget(cmdClear);
    frame->addLayout(clearRow, 5, 0);

    auto *layout = new QVBoxLayout(page);
    layout->addLayout(file);
    layout->addWidget(Frame1);
    layout->addStretch();
    return page;
}

// ----------------------------------------------------------------- loading

void frmOptions::Form_Load()
{
    m_loading = true;
    // The scroll bars' start positions; their handlers fill the boxes and
    // the limits ("1024", "7") before the stored settings are read.
    vscSize->setPosition(16);
    vscDays->setPosition(7);
    centreOnScreen();
    cmdApply->setEnabled(false);

    EventLogFile &log = m_zel.eventLog;
    log.MaxLogSize =
        m_store.GetSetting(kAppName, kParams, QStringLiteral("MaxLogSize"), QStringLiteral("1024"));
    log.MaxDays =
        m_store.GetSetting(kAppName, kParams, QStringLiteral("MaxDays"), QStringLiteral("7"));
    m_storedLogfile =
        m_store.GetSetting(kAppName, kParams, QStringLiteral("Logfile"), log.EventLogPath);
    bool ok = false;
    const int action =
        m_store.GetSetting(kAppName, kParams, QStringLiteral("MaxAction"), QStringLiteral("0"))
            .trimmed()
            .toInt(&ok);
    // A stored policy that is not one of the three falls back to the first.
    log.MaxAction = qint16(ok && action >= 0 && action <= 2 ? action : 0);
    log.EventLogPath = m_storedLogfile;

    m_dialogFileName = m_storedLogfile;
    txtPath->setText(m_storedLogfile);
    ensureLogFileExists(m_storedLogfile);
    fillFileLabels(m_storedLogfile);

    optMax[log.MaxAction]->setChecked(true);
    optMax_Click(log.MaxAction);
    txtDays->setText(log.MaxDays);
    txtSize->setText(log.MaxLogSize);

    m_zel.SessionOpen = false;
    m_loading = false;
}

void frmOptions::centreOnScreen()
{
    adjustSize();
    const QScreen *where = screen();
    if (!where)
        return;
    const QRect area = where->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void frmOptions::ensureLogFileExists(const QString &path)
{
    if (QFileInfo::exists(path))
        return;
    try {
        EventLogFile::WriteTextFile(path, QString());
    } catch (const ZelError &) {
        // fillFileLabels says why there is no file.
    }
}

void frmOptions::fillFileLabels(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        for (int i = 4; i <= 6; ++i)
            lblItem[i]->clear();
        const QString folder = info.absolutePath();
        if (path.isEmpty())
            lblStatus->setText(tr("No log file is named."));
        else if (!QFileInfo(folder).isDir())
            lblStatus->setText(tr("The folder of the log file does not exist: ") +
                               QDir::toNativeSeparators(folder));
        else
            lblStatus->setText(tr("The log file cannot be created: ") +
                               QDir::toNativeSeparators(path));
        return;
    }
    lblItem[4]->setText(QString::number(info.size()));
    lblItem[5]->setText(dateTimeText(LogBirth::of(path)));
    lblItem[6]->setText(dateTimeText(info.lastModified()));
    lblStatus->clear();
}

// ------------------------------------------------------------------ edits

void frmOptions::MarkChanged()
{
    if (m_loading)
        return;
    m_changed = true;
    cmdApply->setEnabled(true);
}

void frmOptions::optMax_Click(int index)
{
    m_zel.eventLog.MaxAction = qint16(index);
    MarkChanged();
    const bool daysApply = index == 1;
    txtDays->setEnabled(daysApply);
    QPalette look = txtDays->palette();
    const QColor background =
        daysApply ? txtSize->palette().color(QPalette::Base) : palette().color(QPalette::Window);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        look.setColor(group, QPalette::Base, background);
    txtDays->setPalette(look);
}

void frmOptions::cmdBrowse_Click()
{
    const QString chosen = DialogHook::getOpenFileName(this, cmdBrowse->accessibleName(),
                                                       QFileInfo(m_dialogFileName).absolutePath(),
                                                       m_dialogFileName, LogFileFilter(), false);
    if (!chosen.isEmpty())
        m_dialogFileName = QDir::toNativeSeparators(chosen);
    txtPath->setText(m_dialogFileName);
    if (txtPath->text() != m_storedLogfile)
        MarkChanged();
}

void frmOptions::cmdClear_Click()
{
    const QString &path = m_zel.eventLog.EventLogPath;
    try {
        EventLogFile::WriteTextFile(path, QString());
    } catch (const ZelError &e) {
        // The file and the list stay as they were.
        fillFileLabels(path);
        lblStatus->setText(tr("The log could not be cleared: ") + e.description());
        return;
    }
    fillFileLabels(path);
    m_zel.lvTrace().clear();
}

void frmOptions::nextTab()
{
    tbsOptions->setCurrentIndex((tbsOptions->currentIndex() + 1) % tbsOptions->count());
}

// --------------------------------------------------------- the number boxes

frmOptions::NumberBox *frmOptions::boxOf(QObject *watched) const
{
    return watched == txtSize ? m_sizeBox : watched == txtDays ? m_daysBox : nullptr;
}

bool frmOptions::eventFilter(QObject *watched, QEvent *event)
{
    // Also events that arrive before the box is set up (the polish that its
    // first size hint sends) go by.
    NumberBox *const found = boxOf(watched);
    if (!found)
        return QDialog::eventFilter(watched, event);
    NumberBox &box = *found;
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        // Tab, Enter and Escape belong to the dialog (focus, OK, Cancel).
        static const int dialogKeys[] = {Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Return,
                                         Qt::Key_Enter, Qt::Key_Escape};
        if (std::find(std::begin(dialogKeys), std::end(dialogKeys), key->key()) !=
            std::end(dialogKeys))
            return false;
        // Delete carries the text U+007F on X11 and Wayland: like the
        // cursor keys and shortcuts (Ctrl+A may carry "a") it types no character.
        const QString text = key->text();
        const bool typesCharacter = !isShortcut(key) && (key->key() == Qt::Key_Backspace ||
                                                         (!text.isEmpty() && text.at(0).isPrint()));
        if (!typesCharacter)
            return false; // cursor and editing keys
        box_KeyPress(box, key);
        return !key->isAccepted();
    }
    case QEvent::KeyRelease: {
        auto *key = static_cast<QKeyEvent *>(event);
        if (!key->isAutoRepeat())
            box_KeyUp(box, key);
        return false;
    }
    case QEvent::FocusIn:
        // After the mouse press that gave the focus, which would place the cursor.
        QTimer::singleShot(0, box.box, &QLineEdit::selectAll);
        return false;
    case QEvent::FocusOut:
        // Not when the dialog closes (Enter pressed OK) or loses the focus.
        if (FocusMovedWithinWindow(box.box))
            box_LostFocus(box);
        return false;
    default:
        return false;
    }
}

void frmOptions::box_KeyPress(NumberBox &, QKeyEvent *event)
{
    MarkChanged();
    const QString text = event->text();
    const bool digit =
        text.size() == 1 && text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9');
    if (digit || event->key() == Qt::Key_Backspace)
        event->accept(); // kept: the box types it
    else
        event->ignore(); // discarded
}

void frmOptions::box_KeyUp(NumberBox &box, QKeyEvent *event)
{
    const int key = event->key();
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete)
        return;
    if (isShortcut(event)) {
        // Ctrl+A and the modifier keys keep the text and its selection; a
        // paste, cut or undo takes effect as typed digits do.
        if (box.box->text() != box.value) {
            MarkChanged();
            takeTypedText(box);
        }
        return;
    }
    const bool digit = key >= Qt::Key_0 && key <= Qt::Key_9; // either row of digits
    if (!digit) {
        if (box.box->text() != box.value)
            box.box->setText(box.value);
        return;
    }
    takeTypedText(box);
}

void frmOptions::takeTypedText(NumberBox &box)
{
    if (box.box->text().size() > box.keptOnKeyUp)
        box.box->setText(box.box->text().left(box.keptOnKeyUp));
    box.value = box.box->text();
}

void frmOptions::box_LostFocus(NumberBox &box)
{
    QString text = box.box->text();
    if (text.size() > kLongestOnLeave)
        text.truncate(kLongestOnLeave);
    if (text.isEmpty())
        text = box.emptyText;
    if (text != box.box->text())
        box.box->setText(text);
    box.value = text;
    // Only a change of position rewrites the box (through scroll_Change).
    box.bar->setPosition(box.positionFor(text.toInt()));
}

void frmOptions::scroll_Change(NumberBox &box)
{
    MarkChanged();
    box.box->setText(QString::number(box.bar->position() * box.unitsPerStep));
    box.value = box.box->text();
}

// ------------------------------------------------------- Apply, OK, Cancel

void frmOptions::switchLogFile()
{
    if (txtPath->text() == m_storedLogfile)
        return;
    m_storedLogfile = txtPath->text();
    m_zel.eventLog.EventLogPath = m_storedLogfile;
    if (m_loadEventList)
        m_loadEventList();
}

void frmOptions::storeSettings()
{
    const EventLogFile &log = m_zel.eventLog;
    m_store.SaveSetting(kAppName, kParams, QStringLiteral("Logfile"), m_storedLogfile);
    m_store.SaveSetting(kAppName, kParams, QStringLiteral("MaxLogSize"), log.MaxLogSize);
    m_store.SaveSetting(kAppName, kParams, QStringLiteral("MaxAction"),
                        QString::number(log.MaxAction));
    m_store.SaveSetting(kAppName, kParams, QStringLiteral("MaxDays"), log.MaxDays);
    m_store.commit();
}

void frmOptions::cmdApply_Click()
{
    switchLogFile();
    storeSettings();
    m_changed = false;
    cmdApply->setEnabled(false);
}

void frmOptions::cmdOK_Click()
{
    switchLogFile();
    storeSettings();
    accept();
}

void frmOptions::cmdCancel_Click()
{
    reject();
}

void frmOptions::done(int result)
{
    m_zel.SessionOpen = true;
    QDialog::done(result);
}
