#include "FileList.h"

#include "SettingValues.h"
#include "Settings.h"
#include "SettingsStore.h"
#include "engine/Suspects.h"

#include <algorithm>
#include <vector>

namespace {

const QString kParams = QStringLiteral("Params");
const QString kFiles = QStringLiteral("Files");
const QString kFilesCount = QStringLiteral("FilesCount");
const QChar kSeparator = QLatin1Char(';');

bool isKnownStatus(int status)
{
    return status >= -1 && status <= 2;
}

// The keys "1".."count" present in the section, in numeric order.
std::vector<int> presentEntries(const QStringList &keys, int count)
{
    std::vector<int> numbers;
    for (const QString &key : keys) {
        bool ok = false;
        const int number = key.toInt(&ok, 10);
        if (ok && number >= 1 && number <= count && key == QString::number(number))
            numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

} // namespace

QString FormatFileEntry(const Suspect &file)
{
    return QString::number(file.Status()) + kSeparator + DateToSetting(file.DateIn()) + kSeparator +
           file.Key();
}

FileEntry ParseFileEntry(const QString &value)
{
    FileEntry entry;
    entry.lastDate = NeverRecordedDate();
    const int first = value.indexOf(kSeparator);
    if (first < 0) {
        entry.key = value;
        return entry;
    }
    const QString statusText = value.left(first);
    const QString rest = value.mid(first + 1);
    const int second = rest.indexOf(kSeparator);
    entry.key = second < 0 ? rest : rest.mid(second + 1);

    bool dateOk = true;
    const QDateTime date =
        second < 0 ? NeverRecordedDate() : DateFromSetting(rest.left(second), &dateOk);
    const std::optional<int> status = WholeNumberFromSetting(statusText);
    if (status && isKnownStatus(*status) && dateOk) {
        entry.status = qint16(*status);
        entry.lastDate = date;
    }
    return entry;
}

// The registry takes each value as it comes, so a rewrite cut short must
// leave a list that still loads whole. The entries are written over the old
// ones in place (the list only grows at its end, and a removal moves later
// entries forward), then the count, and only then are the entries past the
// new end deleted. At every step entries 1..FilesCount hold each file that
// stays in the list, at worst beside a duplicate (loading skips it) or the
// file being removed.
void WriteFileList(const Suspects &files, SettingsStore &store)
{
    int number = 0;
    for (const Suspect &file : files)
        store.SaveSetting(kAppName, kFiles, QString::number(++number), FormatFileEntry(file));
    store.SaveSetting(kAppName, kParams, kFilesCount, QString::number(number));
    for (const QString &key : store.Keys(kAppName, kFiles)) {
        const int n = key.toInt();
        if (n < 1 || n > number || key != QString::number(n))
            store.DeleteSetting(kAppName, kFiles, key);
    }
}

QString MissingFileEntries(const SettingsStore &store)
{
    const std::optional<int> count =
        WholeNumberFromSetting(store.GetSetting(kAppName, kParams, kFilesCount));
    if (!count || *count <= 0)
        return QString();
    int named = 0;
    for (int number : presentEntries(store.Keys(kAppName, kFiles), *count))
        if (!ParseFileEntry(store.GetSetting(kAppName, kFiles, QString::number(number)))
                 .key.isEmpty())
            ++named;
    if (named == *count)
        return QString();
    return QStringLiteral("FilesCount is %1, but section Files names %2 of them")
        .arg(*count)
        .arg(named);
}

void ReadFileList(const SettingsStore &store, Suspects &files)
{
    const std::optional<int> count =
        WholeNumberFromSetting(store.GetSetting(kAppName, kParams, kFilesCount));
    if (!count)
        return;
    for (int number : presentEntries(store.Keys(kAppName, kFiles), *count)) {
        const FileEntry entry =
            ParseFileEntry(store.GetSetting(kAppName, kFiles, QString::number(number)));
        if (!entry.key.isEmpty())
            files.Add(entry.key, entry.status, qint16(entry.status + 1), entry.lastDate, entry.key);
    }
}
