#include "Autostart.h"
#include "Settings.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

namespace {

// Characters that make an Exec= argument need quotes.
const QString kReserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");

// Escapes of a desktop entry's string values, applied after the quoting.
QString escapeStringValue(const QString &value)
{
    QString out;
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

QString ExecArgument(const QString &argument)
{
    QString quoted = argument;
    const bool needsQuotes =
        argument.isEmpty() || std::any_of(argument.begin(), argument.end(),
                                          [](QChar c) { return kReserved.contains(c); });
    if (needsQuotes) {
        quoted.clear();
        for (const QChar c : argument) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        quoted = QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%")); // not a field code
    return escapeStringValue(quoted);
}

QString AutostartFilePath(const QString &name)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/") + name + QStringLiteral(".desktop");
}

QString AutostartEntry(const QString &name, const QString &programPath,
                       const QStringList &arguments)
{
    QString exec = ExecArgument(programPath);
    for (const QString &argument : arguments)
        exec += QLatin1Char(' ') + ExecArgument(argument);
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=%1\n"
                          "Exec=%2\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n"
                          // let the panel with its tray come up first
                          "X-GNOME-Autostart-Delay=10\n")
        .arg(escapeStringValue(name), exec);
}

QString ReadRegString(const QString &root, const QString &subKey, const QString &valueName,
                      const QString &defaultValue)
{
#ifdef Q_OS_WIN
    const QSettings key(root + QLatin1Char('\\') + subKey, QSettings::NativeFormat);
    const QVariant value = key.value(valueName);
    return value.isValid() ? value.toString() : defaultValue;
#else
    // No VSS client keeps a registry elsewhere.
    Q_UNUSED(root)
    Q_UNUSED(subKey)
    Q_UNUSED(valueName)
    return defaultValue;
#endif
}

// Failures are silent: without the right to write, nothing happens.
void SetRunAtStartup(const QString &valueName, const QString &programPath, bool flag,
                     const QStringList &arguments)
{
#ifdef Q_OS_WIN
    // The current user's Run key: the machine's needs administrator rights
    // and would start the program for every user of the machine.
    QSettings run(QString::fromLatin1(kRunKey), QSettings::NativeFormat);
    // Quoted when it holds a space, so that "C:\Program Files\..." cannot
    // start C:\Program.exe instead.
    auto quoted = [](const QString &text) {
        return text.contains(QLatin1Char(' ')) ? QLatin1Char('"') + text + QLatin1Char('"') : text;
    };
    QString command = quoted(QDir::toNativeSeparators(programPath));
    for (const QString &argument : arguments)
        command += QLatin1Char(' ') + quoted(argument);
    if (flag)
        run.setValue(valueName, command);
    else
        run.remove(valueName);
    run.sync();
#else
    const QString path = AutostartFilePath(valueName);
    if (!flag) {
        QFile::remove(path);
        return;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(AutostartEntry(valueName, programPath, arguments).toUtf8());
        file.commit();
    }
#endif
}
