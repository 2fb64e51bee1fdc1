#include "VssCodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; the five unassigned
// bytes map to the same-valued C1 controls, as Windows does.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString decode1252(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const quint8 b = quint8(bytes[i]);
        out[i] = QChar(b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : char16_t(b));
    }
    return out;
}

QByteArray encode1252(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        char b = '?';
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            b = char(u);
        } else {
            for (int i = 0; i < 32; ++i)
                if (Cp1252High[i] == u)
                    b = char(0x80 + i);
        }
        out.append(b);
    }
    return out;
}

// Maps the spellings users type to a name Qt's converters know. Plain string
// work: a QRegularExpression leaves a thread-local JIT stack whose clean-up
// hangs or crashes the end of a reading thread in the mingw build.
QString canonicalName(const QString &name)
{
    const QString trimmed = name.trimmed();
    QStringView digits(trimmed);
    for (const char *prefix : {"windows-", "ansi-", "ansi", "cp"})
        if (digits.startsWith(QLatin1String(prefix), Qt::CaseInsensitive)) {
            digits = digits.mid(qsizetype(qstrlen(prefix)));
            break;
        }
    const bool allDigits =
        !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        });
    bool ok = false;
    const int page = allDigits ? digits.toInt(&ok) : 0;
    if (!ok)
        return trimmed;
    switch (page) {
    case 936:
        return QStringLiteral("GBK");
    case 932:
        return QStringLiteral("Shift_JIS");
    case 949:
        return QStringLiteral("windows-949");
    case 950:
        return QStringLiteral("Big5");
    default:
        return QStringLiteral("windows-%1").arg(page);
    }
}

#ifdef Q_OS_WIN
// Qt on Windows converts only Unicode and Latin-1; the system knows the rest.
unsigned windowsCodePage(const QString &canonical)
{
    static const std::pair<const char *, unsigned> named[] = {
        {"GBK", 936}, {"Shift_JIS", 932}, {"Big5", 950}};
    unsigned page = 0;
    for (const auto &[name, number] : named)
        if (canonical.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            page = number;
    if (canonical.startsWith(QLatin1String("windows-"), Qt::CaseInsensitive))
        page = canonical.mid(8).toUInt();
    return page && IsValidCodePage(page) ? page : 0;
}

QString decodeWindows(unsigned page, QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return QString();
    const int size = int(bytes.size());
    const int length = MultiByteToWideChar(page, 0, bytes.data(), size, nullptr, 0);
    QString out(length, Qt::Uninitialized);
    MultiByteToWideChar(page, 0, bytes.data(), size, reinterpret_cast<wchar_t *>(out.data()),
                        length);
    return out;
}

QByteArray encodeWindows(unsigned page, const QString &text)
{
    if (text.isEmpty())
        return QByteArray();
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const int size = int(text.size());
    const int length = WideCharToMultiByte(page, 0, wide, size, nullptr, 0, nullptr, nullptr);
    QByteArray out(length, Qt::Uninitialized);
    WideCharToMultiByte(page, 0, wide, size, out.data(), length, nullptr, nullptr);
    return out;
}
#endif

bool is1252(const QString &canonical)
{
    return canonical.compare(QLatin1String("windows-1252"), Qt::CaseInsensitive) == 0;
}

// Names that must look Chinese before a database is read as GBK: more than
// one odd name.
constexpr int kGbkMinimumNames = 2;

struct NameShape
{
    bool high = false; // holds a byte of 0x80 or more
    bool validGbk = true;
    // GBK characters in a row with both bytes high, as Chinese text is
    // written; an accented Western letter pairs with an ASCII one at most.
    int longestHighPairRun = 0;
};

NameShape shapeOf(const QByteArray &name)
{
    NameShape shape;
    int run = 0;
    for (qsizetype i = 0; i < name.size();) {
        const quint8 b = quint8(name[i]);
        if (b < 0x80) {
            run = 0;
            ++i;
            continue;
        }
        shape.high = true;
        const quint8 next = i + 1 < name.size() ? quint8(name[i + 1]) : 0;
        const bool lead = b >= 0x81 && b <= 0xFE;
        const bool trail = next >= 0x40 && next <= 0xFE && next != 0x7F;
        if (!lead || !trail) {
            shape.validGbk = false;
            break;
        }
        run = next >= 0x80 ? run + 1 : 0;
        shape.longestHighPairRun = std::max(shape.longestHighPairRun, run);
        i += 2;
    }
    return shape;
}

} // namespace

VssCodePage::VssCodePage(const QString &name)
{
    m_name = canonicalName(name.isEmpty() ? QStringLiteral("windows-1252") : name);
    m_decoder = std::make_unique<QStringDecoder>(m_name.toLatin1().constData(),
                                                 QStringConverter::Flag::Stateless);
    m_encoder = std::make_unique<QStringEncoder>(m_name.toLatin1().constData(),
                                                 QStringConverter::Flag::Stateless);
    if (m_decoder->isValid() && m_encoder->isValid())
        return;
    m_decoder.reset();
    m_encoder.reset();
    if (is1252(m_name)) {
        m_builtin1252 = true;
        return;
    }
#ifdef Q_OS_WIN
    m_windowsCodePage = windowsCodePage(m_name);
    if (m_windowsCodePage)
        return;
#endif
    m_fallback = true;
    m_note = QStringLiteral("code page \"%1\" is not available here; names are shown as Latin-1")
                 .arg(name);
}

VssCodePage::~VssCodePage() = default;

QString VssCodePage::decode(QByteArrayView bytes) const
{
    if (m_decoder)
        return m_decoder->decode(bytes);
#ifdef Q_OS_WIN
    if (m_windowsCodePage)
        return decodeWindows(m_windowsCodePage, bytes);
#endif
    if (m_builtin1252)
        return decode1252(bytes);
    return QString::fromLatin1(bytes);
}

QByteArray VssCodePage::encode(const QString &text) const
{
    if (m_encoder)
        return m_encoder->encode(text);
#ifdef Q_OS_WIN
    if (m_windowsCodePage)
        return encodeWindows(m_windowsCodePage, text);
#endif
    if (m_builtin1252)
        return encode1252(text);
    return text.toLatin1();
}

QString VssCodePage::systemDefault()
{
#ifdef Q_OS_WIN
    return QStringLiteral("windows-%1").arg(GetACP());
#else
    return QStringLiteral("windows-1252");
#endif
}

QString VssCodePage::guess(const QList<QByteArray> &names, const QString &fallback)
{
    // A double-byte system code page is the database's own: keep it.
    if (!canonicalName(fallback).startsWith(QLatin1String("windows-125"), Qt::CaseInsensitive))
        return fallback;
    // Every name weighs: GBK only when more than one name is valid GBK with
    // two or more double-byte characters of high bytes in a row (Western
    // text has isolated or paired accented letters) and those names are at least half of the
    // names with any high byte (names that are not GBK at all weigh
    // against), so one odd name added to a Western database never turns it.
    int high = 0;
    int chineseLooking = 0;
    for (const QByteArray &name : names) {
        const NameShape shape = shapeOf(name);
        if (!shape.high)
            continue;
        ++high;
        if (shape.validGbk && shape.longestHighPairRun >= 2)
            ++chineseLooking;
    }
    return chineseLooking >= kGbkMinimumNames && 2 * chineseLooking >= high ? QStringLiteral("GBK")
                                                                            : fallback;
}
