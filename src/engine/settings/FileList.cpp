#include "FileList.h"

#include "SettingValues.h"
#include "Settings.h"
#include "SettingsStore.h"
#include "engine/ExcludePatterns.h"
#include "engine/Suspects.h"

#include <QMap>

#include <algorithm>
#include <optional>
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

// A watched project's keys: "ProjectK" (its spec), "ProjectK.Exclude" (its
// exclude patterns), "ProjectK.J" (the state of a file below it, as a
// numbered entry). Older versions read only the numbered entries, so they
// skip these.
const QString kProject = QStringLiteral("Project");
const QString kExclude = QStringLiteral("Exclude");

struct ProjectKey
{
    int project = 0;
    int state = 0; // 0: not a file's state
    bool exclude = false;
};

// A whole number from 1 up, written without leading zeros.
std::optional<int> entryNumber(QStringView text)
{
    bool ok = false;
    const int number = text.toInt(&ok, 10);
    if (!ok || number < 1 || text != QString::number(number))
        return std::nullopt;
    return number;
}

std::optional<ProjectKey> parseProjectKey(const QString &key)
{
    if (!key.startsWith(kProject, Qt::CaseInsensitive))
        return std::nullopt;
    const QStringView rest = QStringView(key).mid(kProject.size());
    const qsizetype dot = rest.indexOf(QLatin1Char('.'));
    const std::optional<int> project = entryNumber(dot < 0 ? rest : rest.left(dot));
    if (!project)
        return std::nullopt;
    ProjectKey parsed;
    parsed.project = *project;
    if (dot < 0)
        return parsed;
    const QStringView tail = rest.mid(dot + 1);
    if (tail.compare(kExclude, Qt::CaseInsensitive) == 0) {
        parsed.exclude = true;
        return parsed;
    }
    const std::optional<int> state = entryNumber(tail);
    if (!state)
        return std::nullopt;
    parsed.state = *state;
    return parsed;
}

QString projectKey(int project, const QString &part = QString())
{
    const QString key = kProject + QString::number(project);
    return part.isEmpty() ? key : key + QLatin1Char('.') + part;
}

// "$/Web", also when written "$/Web/" or "$/Web/..." (as the main list
// shows it).
QString projectSpec(const QString &value)
{
    QString spec = value.trimmed();
    if (spec.endsWith(QLatin1String("/...")))
        spec.chop(4);
    while (spec.size() > 2 && spec.endsWith(QLatin1Char('/')))
        spec.chop(1);
    return spec;
}

// The project keys present, by project number.
struct StoredProject
{
    QString key, excludeKey;
    QMap<int, QString> stateKeys;
};

QMap<int, StoredProject> storedProjects(const QStringList &keys)
{
    QMap<int, StoredProject> projects;
    for (const QString &key : keys) {
        const std::optional<ProjectKey> parsed = parseProjectKey(key);
        if (!parsed)
            continue;
        StoredProject &project = projects[parsed->project];
        if (parsed->exclude)
            project.excludeKey = key;
        else if (parsed->state > 0)
            project.stateKeys.insert(parsed->state, key);
        else
            project.key = key;
    }
    return projects;
}

void readProjects(const SettingsStore &store, const QStringList &keys, Suspects &files)
{
    for (const StoredProject &stored : storedProjects(keys)) {
        if (stored.key.isEmpty())
            continue;
        const QString excludes = stored.excludeKey.isEmpty()
                                     ? QString()
                                     : store.GetSetting(kAppName, kFiles, stored.excludeKey);
        Suspect *project =
            files.AddProject(projectSpec(store.GetSetting(kAppName, kFiles, stored.key)),
                             ExcludePatterns::parse(excludes));
        if (!project)
            continue;
        Suspects &below = *project->Below();
        for (const QString &key : stored.stateKeys) {
            const FileEntry entry = ParseFileEntry(store.GetSetting(kAppName, kFiles, key));
            below.Add(entry.key, entry.status, qint16(entry.status + 1), entry.lastDate, entry.key);
        }
    }
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
        if (!file.IsProject())
            store.SaveSetting(kAppName, kFiles, QString::number(++number), FormatFileEntry(file));
    // Then each project, its patterns and the states of the files below it.
    std::vector<std::pair<int, bool>> projects; // files below, patterns
    for (const Suspect &project : files) {
        if (!project.IsProject())
            continue;
        const int k = int(projects.size()) + 1;
        store.SaveSetting(kAppName, kFiles, projectKey(k), project.Key());
        const QString excludes = ExcludePatterns::format(project.Excludes());
        if (!excludes.isEmpty())
            store.SaveSetting(kAppName, kFiles, projectKey(k, kExclude), excludes);
        int state = 0;
        for (const Suspect &file : *project.Below())
            store.SaveSetting(kAppName, kFiles, projectKey(k, QString::number(++state)),
                              FormatFileEntry(file));
        projects.emplace_back(state, !excludes.isEmpty());
    }
    store.SaveSetting(kAppName, kParams, kFilesCount, QString::number(number));
    const auto written = [&](const QString &key) {
        if (const std::optional<int> n = entryNumber(key))
            return *n <= number;
        const std::optional<ProjectKey> parsed = parseProjectKey(key);
        if (!parsed || parsed->project > int(projects.size()))
            return false;
        const auto &[states, excludes] = projects[size_t(parsed->project - 1)];
        return parsed->exclude ? excludes : parsed->state <= states;
    };
    for (const QString &key : store.Keys(kAppName, kFiles))
        if (!written(key))
            store.DeleteSetting(kAppName, kFiles, key);
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
    const QStringList keys = store.Keys(kAppName, kFiles);
    for (int number : presentEntries(keys, count.value_or(0))) {
        const FileEntry entry =
            ParseFileEntry(store.GetSetting(kAppName, kFiles, QString::number(number)));
        if (!entry.key.isEmpty())
            files.Add(entry.key, entry.status, qint16(entry.status + 1), entry.lastDate, entry.key);
    }
    readProjects(store, keys, files);
}
