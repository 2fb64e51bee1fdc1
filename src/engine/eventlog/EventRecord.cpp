#include "EventRecord.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

// A JSON string literal, escaped by Qt's JSON writer.
QByteArray quoted(const QString &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2); // ["..."] without the brackets
}

} // namespace

QString EventRecord::text() const
{
    const QChar tab(u'\t');
    return date + tab + time + tab + spec + tab + action;
}

QByteArray EventRecord::json() const
{
    // Built by hand to keep the fields in the order of the log's record
    // (a QJsonObject would sort them by name).
    const std::pair<const char *, const QString *> fields[] = {
        {"date", &date},     {"time", &time}, {"spec", &spec},
        {"action", &action}, {"user", &user}, {"database", &database}};
    QByteArray line = "{";
    for (const auto &[name, value] : fields) {
        if (line.size() > 1)
            line += ',';
        line += '"' + QByteArray(name) + "\":" + quoted(*value);
    }
    return line + '}';
}
