#pragma once

#include <QString>
#include <QStringList>

// The exclude patterns of a watched project: `*` stands for any run of
// characters ("/" too), `?` for one character; case-insensitive, as VSS
// names are. A pattern with a "/" is matched against an item's whole spec
// ("$/Web/bin/*"), one without against its name ("*.obj"). A project that
// matches is left out with everything below it.
class ExcludePatterns
{
public:
    ExcludePatterns() = default;
    explicit ExcludePatterns(const QStringList &patterns);

    bool isEmpty() const { return m_specPatterns.isEmpty() && m_namePatterns.isEmpty(); }
    bool matches(const QString &spec, const QString &name) const;

    // The stored and edited form: patterns separated by ";", the blanks
    // around each one dropped, empty ones left out.
    static QStringList parse(const QString &text);
    static QString format(const QStringList &patterns);

private:
    QStringList m_specPatterns;
    QStringList m_namePatterns;
};
