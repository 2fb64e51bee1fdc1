#include "DesktopNote.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

// The log's action word in the user's language (the log keeps it English).
QString actionText(const QString &action)
{
    static const char *const words[] = {
        QT_TRANSLATE_NOOP("DesktopNote", "Check In"), QT_TRANSLATE_NOOP("DesktopNote", "Check Out"),
        QT_TRANSLATE_NOOP("DesktopNote", "Check In (Undo Check Out)")};
    for (const char *word : words)
        if (action == QLatin1String(word))
            return QCoreApplication::translate("DesktopNote", word);
    return action;
}

QString described(const AnnouncedChange &change, const QString &what)
{
    QString text = what + QStringLiteral(": ") + actionText(change.action);
    if (!change.user.isEmpty())
        text += QCoreApplication::translate("DesktopNote", " by ") + change.user;
    return text;
}

QString fileName(const QString &spec)
{
    return spec.mid(spec.lastIndexOf(QLatin1Char('/')) + 1);
}

// The first changes, one a line, and a count of the rest of `count`.
QString listed(const std::vector<AnnouncedChange> &changes, size_t count)
{
    QStringList lines;
    for (size_t i = 0; i < changes.size() && i < DesktopNote::kMaxLines; ++i)
        lines << described(changes[i], changes[i].spec);
    if (!lines.isEmpty() && count > size_t(lines.size()))
        lines
            << QCoreApplication::translate("DesktopNote", "and %1 more").arg(count - lines.size());
    return lines.join(QLatin1Char('\n'));
}

} // namespace

DesktopNote DesktopNote::For(const std::vector<AnnouncedChange> &changes)
{
    DesktopNote note;
    if (changes.empty())
        return note;
    if (changes.size() == 1) {
        // The title says what happened; the body adds only where, so a tray
        // balloon (title over body) does not say it twice.
        note.summary = described(changes.front(), fileName(changes.front().spec));
        note.body = changes.front().spec;
        return note;
    }
    note.summary = QCoreApplication::translate("DesktopNote", "%1 changes to watched files")
                       .arg(changes.size());
    note.body = listed(changes, changes.size());
    return note;
}

DesktopNote DesktopNote::WhilePaused(const std::vector<AnnouncedChange> &first, int count)
{
    DesktopNote note;
    note.summary =
        count == 1
            ? QCoreApplication::translate("DesktopNote", "1 change while paused")
            : QCoreApplication::translate("DesktopNote", "%1 changes while paused").arg(count);
    // Changes held back before a restart are counted, not listed.
    note.body = listed(first, size_t(count));
    return note;
}
