#include "CheckoutFormat.h"

#include "engine/JsonString.h"
#include "engine/eventlog/LogText.h"

namespace {

const QStringList FieldNames{QStringLiteral("spec"),   QStringLiteral("user"),
                             QStringLiteral("date"),   QStringLiteral("version"),
                             QStringLiteral("folder"), QStringLiteral("machine"),
                             QStringLiteral("comment")};
constexpr int VersionField = 3;

QString csvField(const QString &value)
{
    static const QString special = QStringLiteral(",\"\r\n");
    for (const QChar c : value)
        if (special.contains(c)) {
            QString quoted = value;
            return QLatin1Char('"') + quoted.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
                   QLatin1Char('"');
        }
    return value;
}

} // namespace

std::optional<CheckoutFormat> CheckoutFormatNamed(const QString &name)
{
    if (name == QLatin1String("tsv"))
        return CheckoutFormat::Tsv;
    if (name == QLatin1String("csv"))
        return CheckoutFormat::Csv;
    if (name == QLatin1String("json"))
        return CheckoutFormat::Json;
    return std::nullopt;
}

CheckoutWriter::CheckoutWriter(CheckoutFormat format, QTextStream &out)
    : m_format(format), m_out(out)
{
    if (m_format == CheckoutFormat::Json)
        m_out << '[';
    else
        line(FieldNames);
}

QStringList CheckoutWriter::values(const CheckedOutFile &row)
{
    const VSSCheckout &c = row.checkout;
    return {row.spec,
            c.Username,
            c.Date.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            QString::number(c.VersionNumber),
            c.LocalSpec,
            c.Machine,
            c.Comment};
}

void CheckoutWriter::line(const QStringList &fields)
{
    if (m_format == CheckoutFormat::Csv) {
        QStringList quoted;
        for (const QString &field : fields)
            quoted << csvField(field);
        m_out << quoted.join(QLatin1Char(',')) << "\r\n";
        return;
    }
    // A TAB or line end inside a name would split the line: control
    // characters are shown as their pictures, as in the event log.
    QStringList shown;
    for (const QString &field : fields)
        shown << LogText::printable(field);
    m_out << shown.join(QLatin1Char('\t')) << '\n';
}

void CheckoutWriter::write(const CheckedOutFile &row)
{
    const QStringList fields = values(row);
    if (m_format != CheckoutFormat::Json) {
        line(fields);
        return;
    }
    QByteArray object = "{";
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            object += ',';
        object += '"' + FieldNames[i].toLatin1() +
                  "\":" + (i == VersionField ? fields[i].toLatin1() : JsonString(fields[i]));
    }
    m_out << (m_first ? "\n" : ",\n") << QString::fromUtf8(object) << '}';
    m_first = false;
}

void CheckoutWriter::finish()
{
    if (m_format == CheckoutFormat::Json)
        m_out << (m_first ? "]\n" : "\n]\n");
    m_out.flush();
}
