#include "StatusPage.h"

#include "engine/eventlog/AtomicFile.h"
#include "engine/eventlog/LogText.h"

#include <QDir>
#include <QFile>

namespace {

const char *const Style = R"(
body { font: 14px/1.4 system-ui, sans-serif; margin: 1em 2em; color: #222; }
h1 { font-size: 1.4em; margin-bottom: .2em; }
h2 { font-size: 1.15em; margin-top: 1.6em; }
.about { color: #555; margin-top: 0; }
.problem { color: #a00; }
table { border-collapse: collapse; margin-top: .5em; }
th, td { border-bottom: 1px solid #ddd; padding: .25em .6em; text-align: left; vertical-align: top; }
td { white-space: pre-wrap; overflow-wrap: anywhere; }
#checkouts td:nth-child(2), #checkouts td:nth-child(3), #checkouts td:nth-child(4),
#checkouts td:nth-child(6), #events td:nth-child(-n+2) { white-space: nowrap; }
th button { font: inherit; font-weight: bold; border: 0; background: none; padding: 0; cursor: pointer; }
th[aria-sort=ascending] button::after { content: " \25B2"; }
th[aria-sort=descending] button::after { content: " \25BC"; }
tr:nth-child(even) td { background: #f6f6f6; }
#filter { width: 20em; }
)";

// Sorting by a header button, filtering by file or user; the state is
// kept in the address (#q=...&sort=N&desc=1) so that a reload keeps it.
const char *const Script = R"(
(function () {
  var table = document.getElementById('checkouts');
  var body = table.tBodies[0];
  var rows = Array.prototype.slice.call(body.querySelectorAll('tr.row'));
  var heads = table.tHead.rows[0].cells;
  var filter = document.getElementById('filter');
  var count = document.getElementById('count');
  var state = new URLSearchParams(location.hash.slice(1));
  function save() {
    history.replaceState(null, '', '#' + state.toString());
  }
  function applyFilter() {
    var q = filter.value.trim().toLowerCase(), shown = 0;
    rows.forEach(function (r) {
      var hit = !q || r.cells[0].textContent.toLowerCase().indexOf(q) >= 0 ||
                r.cells[1].textContent.toLowerCase().indexOf(q) >= 0;
      r.hidden = !hit;
      if (hit) shown++;
    });
    count.textContent = shown + ' of ' + rows.length + ' shown';
  }
  function sortBy(col, desc) {
    Array.prototype.forEach.call(heads, function (h) { h.removeAttribute('aria-sort'); });
    heads[col].setAttribute('aria-sort', desc ? 'descending' : 'ascending');
    var numeric = heads[col].getAttribute('data-type') === 'number';
    rows.sort(function (a, b) {
      var x = a.cells[col].textContent, y = b.cells[col].textContent;
      var c = numeric ? x - y : x.localeCompare(y, undefined, {sensitivity: 'base', numeric: true});
      return desc ? -c : c;
    });
    rows.forEach(function (r) { body.appendChild(r); });
  }
  Array.prototype.forEach.call(heads, function (th, col) {
    th.querySelector('button').addEventListener('click', function () {
      var desc = th.getAttribute('aria-sort') === 'ascending';
      sortBy(col, desc);
      state.set('sort', col);
      if (desc) state.set('desc', '1'); else state.delete('desc');
      save();
    });
  });
  filter.addEventListener('input', function () {
    applyFilter();
    if (filter.value) state.set('q', filter.value); else state.delete('q');
    save();
  });
  filter.value = state.get('q') || '';
  var col = parseInt(state.get('sort'), 10);
  if (col >= 0 && col < heads.length) sortBy(col, state.get('desc') === '1');
  applyFilter();
})();
)";

const QString DateTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString cell(const QString &text)
{
    return QStringLiteral("<td>") + StatusPage::escaped(text) + QStringLiteral("</td>");
}

QString checkoutRows(const std::vector<CheckedOutFile> &checkouts)
{
    QString rows;
    for (const CheckedOutFile &row : checkouts) {
        const VSSCheckout &c = row.checkout;
        rows += QStringLiteral("<tr class=\"row\">") + cell(row.spec) + cell(c.Username) +
                cell(c.Date.toString(DateTimeFormat)) +
                cell(c.VersionNumber > 0 ? QString::number(c.VersionNumber) : QString()) +
                cell(c.LocalSpec) + cell(c.Machine) + cell(c.Comment) + QStringLiteral("</tr>\n");
    }
    return rows;
}

QString eventRows(const std::deque<EventRecord> &events)
{
    QString rows;
    for (auto e = events.rbegin(); e != events.rend(); ++e)
        rows += QStringLiteral("<tr>") + cell(e->date) + cell(e->time) + cell(e->spec) +
                cell(e->action) + cell(e->user) + QStringLiteral("</tr>\n");
    return rows;
}

QString headers(const QStringList &names, const QString &numeric = {})
{
    QString row;
    for (const QString &name : names)
        row += (name == numeric ? QStringLiteral("<th data-type=\"number\">")
                                : QStringLiteral("<th>")) +
               QStringLiteral("<button type=\"button\">") + name + QStringLiteral("</button></th>");
    return row;
}

// The tail of the event log holding its last `count` records, decoded.
QStringList lastLines(const QString &logPath, int count)
{
    QFile file(logPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const bool utf16 = LogText::isUtf16File(logPath);
    QStringList lines;
    // A record is well under 1 KB: read more of the tail only when needed.
    for (qint64 tail = 64 * 1024;; tail *= 4) {
        const qint64 from = std::max<qint64>(0, file.size() - tail) & ~qint64(1);
        if (!file.seek(from))
            return {};
        QByteArray bytes = file.read(file.size() - from);
        if (utf16 && from == 0)
            bytes = bytes.mid(2); // the byte order mark
        const QString text =
            utf16 ? QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()),
                                       bytes.size() / 2)
                  : LogText::decode(bytes);
        lines = text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        if (from > 0 && !lines.isEmpty())
            lines.removeFirst(); // cut off in the middle
        if (lines.size() >= count || from == 0)
            return lines.mid(std::max<qsizetype>(0, lines.size() - count));
    }
}

} // namespace

namespace StatusPage {

QString escaped(const QString &text)
{
    QString out = text.toHtmlEscaped(); // & < > "
    return out.replace(QLatin1Char('\''), QStringLiteral("&#39;"));
}

QByteArray html(const StatusPageContent &content)
{
    QString page =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                       "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<title>Check-outs - Quorvik</title>\n<style>");
    page += QLatin1String(Style);
    page += QStringLiteral("</style>\n</head>\n<body>\n<h1>Check-outs</h1>\n<p class=\"about\">");
    page += QStringLiteral("Database <b id=\"database\">") + escaped(content.database) +
            QStringLiteral("</b>, %1 watched; last poll <time id=\"poll\">")
                .arg(content.watched == 1 ? QStringLiteral("1 entry")
                                          : QStringLiteral("%1 entries").arg(content.watched)) +
            content.written.toString(DateTimeFormat) + QStringLiteral("</time></p>\n");
    if (!content.problems.isEmpty())
        page += QStringLiteral("<p class=\"problem\">Not read: ") +
                escaped(content.problems.join(QStringLiteral("; "))) + QStringLiteral("</p>\n");
    page += QStringLiteral(
        "<p><label>Filter by file or user: <input id=\"filter\" type=\"search\" "
        "autocomplete=\"off\"></label> <span id=\"count\" aria-live=\"polite\"></span></p>\n"
        "<table id=\"checkouts\">\n<thead><tr>");
    page += headers({QStringLiteral("File"), QStringLiteral("User"), QStringLiteral("Since"),
                     QStringLiteral("Version"), QStringLiteral("Folder"), QStringLiteral("Machine"),
                     QStringLiteral("Comment")},
                    QStringLiteral("Version"));
    page += QStringLiteral("</tr></thead>\n<tbody>\n") + checkoutRows(content.checkouts);
    if (content.checkouts.empty())
        page += QStringLiteral("<tr><td colspan=\"7\">Nothing is checked out.</td></tr>\n");
    page += QStringLiteral("</tbody>\n</table>\n<h2>Last events</h2>\n<table id=\"events\">\n"
                           "<thead><tr><th>Date</th><th>Time</th><th>File</th><th>Action</th>"
                           "<th>User</th></tr></thead>\n<tbody>\n") +
            eventRows(content.events) + QStringLiteral("</tbody>\n</table>\n<script>") +
            QLatin1String(Script) + QStringLiteral("</script>\n</body>\n</html>\n");
    return page.toUtf8();
}

} // namespace StatusPage

void StatusPageWriter::loadEvents(const QString &logPath)
{
    m_events.clear();
    for (const QString &line : lastLines(logPath, MaxEvents)) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() >= 4)
            m_events.push_back({fields[0], fields[1], fields[2], fields[3], {}, {}});
    }
}

void StatusPageWriter::eventRecorded(const EventRecord &record)
{
    if (!m_events.empty()) {
        EventRecord &newest = m_events.back();
        if (newest.date == record.date && newest.time == record.time &&
            newest.spec == record.spec) {
            newest = record;
            return;
        }
    }
    m_events.push_back(record);
    if (m_events.size() > size_t(MaxEvents))
        m_events.pop_front();
}

void StatusPageWriter::write(VSSDatabase &db, const CheckoutRoots &watched, const QString &database,
                             const QDateTime &now)
{
    StatusPageContent content;
    content.database = QDir::toNativeSeparators(database);
    content.written = now;
    content.watched = int(watched.size());
    content.events = m_events;
    CheckoutReader::read(
        db, watched, [&](CheckedOutFile &&row) { content.checkouts.push_back(std::move(row)); },
        [&](const QString &spec, const QString &description) {
            content.problems << LogText::printable(spec) + QStringLiteral(": ") + description;
        });
    AtomicFile file(m_path, QStringLiteral("StatusPage"));
    file.write(StatusPage::html(content));
    file.commit();
}
