// Watched projects: every file below one is watched as a picked file is.
#include "InitialState.h"
#include "checkouts/RepositoryWalk.h"
#include "modZel.h"

#include <vector>

void modZel::BeginClaims()
{
    m_claimed.reset();
    bool projects = false;
    for (const Suspect &entry : MonitoredFiles)
        projects = projects || entry.IsProject();
    // One project alone claims nothing: nothing else could reach its files.
    if (!projects || MonitoredFiles.Count() < 2)
        return;
    m_claimed.emplace();
    for (const Suspect &entry : MonitoredFiles)
        if (!entry.IsProject())
            m_claimed->insert(entry.Key().toCaseFolded());
}

bool modZel::Claim(const QString &spec)
{
    if (!m_claimed)
        return true;
    const QString folded = spec.toCaseFolded();
    if (m_claimed->contains(folded))
        return false;
    m_claimed->insert(folded);
    return true;
}

// A file met for the first time (added, renamed or moved in, no longer left
// out, or the project newly watched) starts from its current state without
// an event. After a walk that reached every project below, the files it did
// not reach (deleted, moved out, left out, watched through another entry)
// are dropped without an error; a project that could not be read keeps the
// files below it until it can.
void modZel::WalkProject(Suspect &project, const VSSItem &root, bool check)
{
    Suspects &below = *project.Below();
    const bool collect = m_changeWatch != nullptr;
    std::vector<const Suspect *> reached;
    reached.reserve(size_t(below.Count()));
    QSet<QString> failed;

    const auto visit = [&](const VSSItem &item) {
        if (item.Type() != VSSItem::File) {
            if (collect && !check)
                m_changeFiles << item.ChangeFile(); // its listing's changes
            return;
        }
        const QString spec = item.Spec();
        if (!Claim(spec))
            return;
        if (check)
            StoreListIfDue();
        Suspect *file = below.Find(spec);
        try {
            const bool newcomer = !file;
            if (newcomer) {
                const InitialState state = ReadInitialState(item);
                file = below.Add(spec, state.Status, state.ImageIndex, state.DateIn, spec);
                m_listDirty = true;
            } else if (check) {
                CheckFile(*file, item);
            }
            if (collect && (!check || newcomer)) {
                m_changeFiles << item.ChangeFile();
                m_changeFilesGrew = m_changeFilesGrew || check;
            }
            ReadRecovered(spec);
        } catch (const std::exception &e) {
            failed.insert(spec);
            ReadFailed(spec, QString::fromUtf8(e.what()));
        }
        if (file)
            reached.push_back(file);
    };
    const auto failure = [&](const QString &spec, const QString &description) {
        failed.insert(spec);
        ReadFailed(spec, description);
    };
    RepositoryWalk walk(visit, failure);
    walk.leaveOut(project.Excludes());
    const QString rootSpec = root.Spec();
    if (!walk.walk(root))
        return;

    if (reached.size() != size_t(below.Count())) {
        const QSet<const Suspect *> kept(reached.begin(), reached.end());
        below.RemoveUnless([&](const Suspect &file) { return kept.contains(&file); });
        m_listDirty = true;
    }
    // What could not be read below it and is no longer there is not said again.
    const QString inside =
        rootSpec.endsWith(QLatin1Char('/')) ? rootSpec : rootSpec + QLatin1Char('/');
    const QStringList said = m_readFailures.keys();
    for (const QString &spec : said)
        if (spec.startsWith(inside) && !failed.contains(spec) && !below.Find(spec))
            ReadRecovered(spec);
}

void modZel::WatchNewcomers()
{
    if (!m_changeFilesGrew)
        return;
    m_changeFilesGrew = false;
    m_changeFiles.removeDuplicates();
    if (m_changeWatch && m_changeWatchArmed)
        m_changeWatch->Watch(m_changeFiles, [this] { ChangePoll(); });
}
