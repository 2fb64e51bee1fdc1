#include "WatchedEntry.h"

#include "DialogHook.h"
#include "Icons.h"
#include "engine/ExcludePatterns.h"

#include <QCoreApplication>
#include <QInputDialog>

namespace WatchedEntry {

QString text(const Suspect &entry)
{
    if (!entry.IsProject())
        return entry.Key();
    const QString key = entry.Key();
    return key.endsWith(QLatin1Char('/')) ? key + QStringLiteral("...")
                                          : key + QStringLiteral("/...");
}

QIcon icon(const Suspect &entry)
{
    return entry.IsProject() ? Icons::project() : Icons::fileState(entry.Status());
}

bool editExcludes(QWidget *parent, Suspect &project)
{
    QInputDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("dlgExcludes"));
    dialog.setWindowTitle(QStringLiteral("Quorvik"));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(
        QCoreApplication::translate("WatchedEntry",
                                    "Files below %1 to leave out, patterns separated by \";\"\n"
                                    "(* any characters, ? one; with a \"/\" the whole path):")
            .arg(text(project)));
    dialog.setTextValue(project.Excludes().join(QStringLiteral("; ")));
    dialog.resize(qMax(dialog.sizeHint().width(), 460), dialog.sizeHint().height());
    if (DialogHook::exec(dialog) != QDialog::Accepted)
        return false;
    project.setExcludes(ExcludePatterns::parse(dialog.textValue()));
    return true;
}

} // namespace WatchedEntry
