#include "Suspects.h"

#include "ZelError.h"

namespace {
const QString kSource = QStringLiteral("Suspects");

[[noreturn]] void raiseInvalidAdd()
{
    throw ZelError(999, kSource, QStringLiteral("Invalid use of Add"));
}
} // namespace

Suspect *Suspects::Add(const QString &Key, qint16 Status, qint16 ImageIndex,
                       const QDateTime &LastDate, const QString &sKey)
{
    if (Key.isEmpty())
        return nullptr;
    if (m_lookup.contains(Key))
        return nullptr;
    // A list key already in use would break the one-to-one mapping; the entry
    // must then be in neither structure.
    if (!sKey.isEmpty() && m_byListKey.contains(sKey))
        raiseInvalidAdd();
    try {
        auto entry = std::make_unique<Suspect>();
        entry->setKey(Key);
        entry->setStatus(Status);
        entry->setImageIndex(ImageIndex);
        entry->setDateIn(LastDate);
        Suspect *raw = entry.get();
        m_lookup.insert(Key);
        m_entries.push_back(std::move(entry));
        m_listKeys.push_back(sKey);
        if (!sKey.isEmpty())
            m_byListKey.insert(sKey, raw);
        return raw;
    } catch (const std::exception &) {
        // Roll back to the state before the call.
        m_lookup.remove(Key);
        if (m_entries.size() > m_listKeys.size())
            m_entries.pop_back();
        raiseInvalidAdd();
    }
}

Suspect *Suspects::AddProject(const QString &Key, const QStringList &excludes,
                              std::shared_ptr<Suspects> below)
{
    Suspect *project = Add(Key, 0, Suspect::ProjectImage, QDateTime(), Key);
    if (project) {
        project->setBelow(below ? std::move(below) : std::make_shared<Suspects>());
        project->setExcludes(excludes);
    }
    return project;
}

Suspect *Suspects::AddCopy(const Suspect &entry)
{
    Suspect *copy =
        Add(entry.Key(), entry.Status(), entry.ImageIndex(), entry.DateIn(), entry.Key());
    if (copy)
        *copy = entry;
    return copy;
}

Suspect *Suspects::Item(int position) const
{
    if (position < 1 || position > Count())
        throw ZelError(5, kSource, QStringLiteral("Invalid procedure call or argument"));
    return m_entries[size_t(position - 1)].get();
}

Suspect *Suspects::Item(const QString &sKey) const
{
    auto it = m_byListKey.constFind(sKey);
    if (it == m_byListKey.constEnd())
        throw ZelError(5, kSource, QStringLiteral("Invalid procedure call or argument"));
    return it.value();
}

void Suspects::Remove(const QString &Key)
{
    if (!m_lookup.contains(Key))
        throw ZelError(32811, kSource, QStringLiteral("Element not found"));
    m_lookup.remove(Key);
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i]->Key() == Key) {
            if (!m_listKeys[i].isEmpty())
                m_byListKey.remove(m_listKeys[i]);
            m_entries.erase(m_entries.begin() + std::ptrdiff_t(i));
            m_listKeys.erase(m_listKeys.begin() + std::ptrdiff_t(i));
            break;
        }
    }
}

void Suspects::RemoveAll()
{
    m_entries.clear();
    m_listKeys.clear();
    m_lookup.clear();
    m_byListKey.clear();
}

void Suspects::RemoveUnless(const std::function<bool(const Suspect &)> &keep)
{
    size_t kept = 0;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (!keep(*m_entries[i])) {
            m_lookup.remove(m_entries[i]->Key());
            if (!m_listKeys[i].isEmpty())
                m_byListKey.remove(m_listKeys[i]);
            continue;
        }
        if (kept != i) {
            m_entries[kept] = std::move(m_entries[i]);
            m_listKeys[kept] = std::move(m_listKeys[i]);
        }
        ++kept;
    }
    m_entries.resize(kept);
    m_listKeys.resize(kept);
}
