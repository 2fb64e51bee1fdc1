#include "EventRecord.h"

#include "engine/JsonString.h"

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
        line += '"' + QByteArray(name) + "\":" + JsonString(*value);
    }
    return line + '}';
}
