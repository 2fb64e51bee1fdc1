#include "DesktopNote.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

// Longer lists end with a count of the rest: a bubble stays readable.
constexpr size_t kMaxLines = 8;

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
    QStringList lines;
    for (size_t i = 0; i < changes.size() && i < kMaxLines; ++i)
        lines << described(changes[i], changes[i].spec);
    if (changes.size() > kMaxLines)
        lines << QCoreApplication::translate("DesktopNote", "and %1 more")
                     .arg(changes.size() - kMaxLines);
    note.body = lines.join(QLatin1Char('\n'));
    return note;
}
