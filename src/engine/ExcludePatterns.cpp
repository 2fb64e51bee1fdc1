#include "ExcludePatterns.h"

namespace {

const QChar kSeparator = QLatin1Char(';');

char16_t folded(QChar c)
{
    return QChar::toCaseFolded(c.unicode());
}

// Wildcard match without building anything: on a mismatch the last `*`
// takes one more character.
bool wildcardMatch(QStringView pattern, QStringView text)
{
    qsizetype p = 0, t = 0, star = -1, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            star = p++;
            resume = t;
        } else if (p < pattern.size() &&
                   (pattern[p] == QLatin1Char('?') || folded(pattern[p]) == folded(text[t]))) {
            ++p;
            ++t;
        } else if (star >= 0) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

bool anyMatches(const QStringList &patterns, const QString &text)
{
    for (const QString &pattern : patterns)
        if (wildcardMatch(pattern, text))
            return true;
    return false;
}

} // namespace

ExcludePatterns::ExcludePatterns(const QStringList &patterns)
{
    for (const QString &pattern : patterns) {
        if (pattern.isEmpty())
            continue;
        (pattern.contains(QLatin1Char('/')) ? m_specPatterns : m_namePatterns) << pattern;
    }
}

bool ExcludePatterns::matches(const QString &spec, const QString &name) const
{
    return anyMatches(m_namePatterns, name) || anyMatches(m_specPatterns, spec);
}

QStringList ExcludePatterns::parse(const QString &text)
{
    QStringList patterns;
    for (const QString &part : text.split(kSeparator)) {
        const QString pattern = part.trimmed();
        if (!pattern.isEmpty() && !patterns.contains(pattern))
            patterns << pattern;
    }
    return patterns;
}

QString ExcludePatterns::format(const QStringList &patterns)
{
    return patterns.join(kSeparator);
}
