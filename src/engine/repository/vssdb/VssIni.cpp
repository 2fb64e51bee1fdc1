#include "VssIni.h"

#include "engine/repository/fileaccess/FileAccess.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool isYes(const QString &value)
{
    return value.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0 ||
           value == QLatin1String("1") ||
           value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

} // namespace

VssIni VssIni::parse(QByteArrayView text)
{
    VssIni ini;
    // Line by line in place: no list of the lines is built.
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        const QByteArrayView raw = text.sliced(start, end - start).trimmed();
        start = end + 1;
        if (raw.isEmpty())
            continue;
        const QString line = QString::fromLocal8Bit(raw);
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')))
            break; // sections ([TimeZone]) follow the database keys
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("data_path"))
            ini.dataPath = QString(value).replace(QLatin1Char('\\'), QLatin1Char('/'));
        else if (key == QLatin1String("users_txt"))
            ini.usersTxt = QString(value).replace(QLatin1Char('\\'), QLatin1Char('/'));
        else if (key == QLatin1String("multiple_checkouts"))
            ini.multipleCheckouts = isYes(value);
    }
    return ini;
}

QString VssIni::resolvePath(const QString &iniPath, const QString &value)
{
    const bool driveLetter =
        value.size() >= 2 && value[1] == QLatin1Char(':') && value[0].isLetter();
    if (FileAccess::isRemote(iniPath)) {
        const qsizetype scheme = iniPath.indexOf(QLatin1String("://"));
        // A database reached by a protocol of its own (smb://server/share):
        // a relative Data_Path lies on the same share, a UNC one on that
        // kind of place too.
        if (driveLetter ||
            (value.startsWith(QLatin1Char('/')) && !value.startsWith(QLatin1String("//"))))
            return value; // nothing on the share: the data folder is not found
        const QString rest = value.startsWith(QLatin1String("//"))
                                 ? value.mid(2)
                                 : iniPath.mid(scheme + 3).section(QLatin1Char('/'), 0, -2) +
                                       QLatin1Char('/') + value;
        return iniPath.left(scheme + 3) + QDir::cleanPath(rest);
    }
    if (value.startsWith(QLatin1String("//")))
        return value; // UNC share
    if (driveLetter || value.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(value);
    const QDir base = QFileInfo(iniPath).absoluteDir();
    return QDir::cleanPath(base.absoluteFilePath(value));
}
