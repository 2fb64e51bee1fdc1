#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

class QStringDecoder;
class QStringEncoder;

// The ANSI code page the database's names, users and labels were written in.
// VSS does not record it, so it is configured or guessed.
class VssCodePage
{
public:
    // Accepts "1252", "cp936", "windows-1252", "GBK", ... An unknown name
    // falls back to Latin-1; note() then says so.
    explicit VssCodePage(const QString &name = QStringLiteral("windows-1252"));
    ~VssCodePage();
    VssCodePage(const VssCodePage &) = delete;
    VssCodePage &operator=(const VssCodePage &) = delete;

    QString name() const { return m_name; }
    bool isFallback() const { return m_fallback; }
    QString note() const { return m_note; }

    QString decode(QByteArrayView bytes) const;
    QByteArray encode(const QString &text) const;

    // The default for a database on this machine: the ANSI code page on
    // Windows, Windows-1252 elsewhere.
    static QString systemDefault();
    // Picks the code page the sample names make sense in: GBK when more than
    // one name, and at least half of those with high bytes, hold Chinese
    // double-byte runs that are not plausible Western text; otherwise
    // `fallback` (the system's ANSI code page), which a double-byte
    // `fallback` always is.
    static QString guess(const QList<QByteArray> &names, const QString &fallback);

private:
    QString m_name;
    bool m_fallback = false;
    bool m_builtin1252 = false;
    unsigned m_windowsCodePage = 0; // Windows: converted by the system, not by Qt
    QString m_note;
    std::unique_ptr<QStringDecoder> m_decoder;
    std::unique_ptr<QStringEncoder> m_encoder;
};
