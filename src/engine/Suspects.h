#pragma once

#include "Suspect.h"

#include <QHash>
#include <QSet>

#include <functional>
#include <memory>
#include <vector>

// Insertion-ordered collection of watched files with an exact (case-sensitive)
// lookup by Key. The ordered list and the lookup set are kept in step: an
// entry is in both or in neither.
class Suspects
{
public:
    Suspects() = default;
    Suspects(const Suspects &) = delete;
    Suspects &operator=(const Suspects &) = delete;

    // Returns the new entry, or nullptr when the key is empty or already
    // present. Raises ZelError 999 "Invalid use of Add" on any other failure.
    Suspect *Add(const QString &Key, qint16 Status, qint16 ImageIndex, const QDateTime &LastDate,
                 const QString &sKey = QString());
    // A watched project (Status 0, the project picture, no date) with its
    // exclude patterns and the states of the files below it (fresh when
    // none are given); nullptr as for Add.
    Suspect *AddProject(const QString &Key, const QStringList &excludes,
                        std::shared_ptr<Suspects> below = {});
    // An entry like `entry`, all its fields (the Key also as list key).
    Suspect *AddCopy(const Suspect &entry);
    // 1-based position; raises when there is no such entry.
    Suspect *Item(int position) const;
    // Entry stored under the list key sKey; raises when there is none.
    Suspect *Item(const QString &sKey) const;
    // The same, nullptr when there is none.
    Suspect *Find(const QString &sKey) const { return m_byListKey.value(sKey); }
    int Count() const { return int(m_entries.size()); }
    // Raises when the key is absent; nothing changes then.
    void Remove(const QString &Key);
    void RemoveAll();
    // Removes, in one pass, every entry `keep` returns false for.
    void RemoveUnless(const std::function<bool(const Suspect &)> &keep);
    bool Exists(const QString &Key) const { return m_lookup.contains(Key); }

    // NewEnum: enumeration in list order.
    class const_iterator
    {
    public:
        using Inner = std::vector<std::unique_ptr<Suspect>>::const_iterator;
        explicit const_iterator(Inner it) : m_it(it) {}
        Suspect &operator*() const { return **m_it; }
        Suspect *operator->() const { return m_it->get(); }
        const_iterator &operator++()
        {
            ++m_it;
            return *this;
        }
        bool operator!=(const const_iterator &other) const { return m_it != other.m_it; }
        bool operator==(const const_iterator &other) const { return m_it == other.m_it; }

    private:
        Inner m_it;
    };
    const_iterator begin() const { return const_iterator(m_entries.begin()); }
    const_iterator end() const { return const_iterator(m_entries.end()); }

private:
    std::vector<std::unique_ptr<Suspect>> m_entries;
    std::vector<QString> m_listKeys; // per-entry sKey, empty when none
    QSet<QString> m_lookup;
    QHash<QString, Suspect *> m_byListKey;
};
