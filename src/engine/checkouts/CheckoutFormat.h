#pragma once

#include "CheckoutReader.h"

#include <QTextStream>

#include <optional>

// The check-out listing as text: TAB-separated lines, CSV (RFC 4180: CR LF
// line ends, fields quoted where needed) or a JSON array of objects. Each
// has the fields spec, user, date, version, folder, machine, comment; TSV
// and CSV start with a line of those names.
enum class CheckoutFormat
{
    Tsv,
    Csv,
    Json
};

// "tsv", "csv" or "json"; nothing for any other name.
std::optional<CheckoutFormat> CheckoutFormatNamed(const QString &name);

// Writes rows as they come: the header at once, each row when given, the
// end (JSON's closing bracket) at finish().
class CheckoutWriter
{
public:
    CheckoutWriter(CheckoutFormat format, QTextStream &out);
    void write(const CheckedOutFile &row);
    void finish();

    // The field values of a row as text, in the order of the field names.
    static QStringList values(const CheckedOutFile &row);

private:
    void line(const QStringList &fields);

    CheckoutFormat m_format;
    QTextStream &m_out;
    bool m_first = true;
};
