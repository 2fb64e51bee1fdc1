#include "EventLogFile.h"

#include "AtomicFile.h"
#include "LogFileIo.h"
#include "LogLock.h"
#include "LogText.h"
#include "engine/Clock.h"
#include "engine/ZelError.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <algorithm>

#include <limits>
#include <new>
#include <optional>
#include <utility>

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");
const QString kDefaultMaxLogSize = QStringLiteral("1024");
constexpr int kDefaultMaxDays = 7;

qint64 limitInBytes(const QString &maxLogSize, const QString &source)
{
    bool ok = false;
    qint64 kilobytes = maxLogSize.trimmed().toLongLong(&ok);
    // A size that cannot be read falls back to the default rather than
    // refusing every record from now on.
    if (!ok || kilobytes < 0)
        kilobytes = kDefaultMaxLogSize.toLongLong();
    if (kilobytes > std::numeric_limits<qint64>::max() / 1024)
        throw ZelError(6, source, QStringLiteral("Overflow: maximum log size %1").arg(maxLogSize));
    return kilobytes * 1024;
}

int maxDaysValue(const QString &maxDays, const QString &source)
{
    if (maxDays.trimmed().isEmpty())
        return kDefaultMaxDays;
    bool ok = false;
    const int days = maxDays.trimmed().toInt(&ok);
    if (!ok)
        throw ZelError(
            13, source,
            QStringLiteral("Type mismatch: days \"%1\" is not a whole number").arg(maxDays));
    return days;
}

// Text after the last line end (all of it when there is none).
QByteArray afterLastLineEnd(const QByteArray &content)
{
    const qsizetype lastEnd = content.lastIndexOf(kLineEnd);
    return lastEnd < 0 ? content : content.mid(lastEnd + kLineEnd.size());
}

// Policy 0: the cut points are the line ends of line 2 onwards; the first one
// that leaves at most `limit` bytes (from the cut to the end) wins.
std::optional<qsizetype> oldestCutUnderLimit(const QByteArray &content, qint64 limit)
{
    const qsizetype firstEnd = content.indexOf(kLineEnd);
    if (firstEnd < 0)
        return std::nullopt;
    const qint64 earliest = std::max<qint64>(firstEnd + kLineEnd.size(), content.size() - limit);
    if (earliest > content.size())
        return std::nullopt;
    const qsizetype cut = content.indexOf(kLineEnd, qsizetype(earliest));
    return cut < 0 ? std::nullopt : std::optional<qsizetype>(cut);
}

// Policy 1: offset of the first record younger than `maxDays`, or nullopt.
// Lines with fewer than four fields are passed over. A record whose first
// field is not a date cannot be aged: the walk stops there and keeps it, so
// one damaged line neither blocks every later record nor deletes unread ones.
std::optional<qsizetype> firstYoungRecord(const QByteArray &content, const QDate &today,
                                          int maxDays)
{
    for (qsizetype start = 0;;) {
        const qsizetype end = content.indexOf(kLineEnd, start);
        if (end < 0)
            return std::nullopt;
        const QByteArrayView line(content.constData() + start, end - start);
        if (line.count('\t') >= 3) {
            const QString dateText = LogText::decode(line.first(line.indexOf('\t')));
            const QDate date = QDate::fromString(dateText.trimmed(), Qt::ISODate);
            if (!date.isValid() || date.daysTo(today) < maxDays)
                return start;
        }
        start = end + kLineEnd.size();
    }
}

qint64 replaceContent(const QString &path, const QByteArray &bytes, const QString &source)
{
    AtomicFile file(path, source);
    file.write(bytes);
    return file.commit();
}

} // namespace

EventLogFile::EventLogFile(const Clock &clock) : m_clock(clock) {}

void EventLogFile::WriteLog(const QString &fileName, const QString &text, bool isEvent)
{
    static const QString source = QStringLiteral("WriteLog");
    if (MaxLogSize.isEmpty())
        MaxLogSize = kDefaultMaxLogSize;
    if (fileName.isEmpty() || text.isEmpty())
        return;
    try {
        QString entry = text;
        std::optional<ZelError> trimFailure;
        std::optional<LogLock> lock;
        if (isEvent) {
            lock.emplace(fileName, lockDeadline());
            lockTaken(*lock);
            // Strictly larger: a file of exactly the limit is left alone.
            try {
                if (limitInBytes(MaxLogSize, source) < LogFileIo::length(fileName) &&
                    TrimEventLog())
                    entry.prepend(QLatin1String("\r\n"));
            } catch (const ZelError &e) {
                // A log that cannot be trimmed still takes the record.
                trimFailure = e;
            }
        } else {
            const QString stamp = m_clock.now().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
            entry = QLatin1String("\r\n") + stamp + QLatin1Char(' ') + text;
            // The trace log's per-user folder may not exist yet.
            QDir().mkpath(QFileInfo(fileName).absolutePath());
        }
        const bool utf16 = LogText::isUtf16File(fileName);
        LogFileIo::append(fileName, LogText::encode(entry + QLatin1String("\r\n"), utf16), source);
        if (trimFailure)
            throw ZelError(
                trimFailure->number(), trimFailure->source(),
                QStringLiteral("The record was added but the log could not be trimmed: ") +
                    trimFailure->description());
    } catch (const ZelError &) {
        throw;
    } catch (const std::bad_alloc &) {
        throw ZelError(7, source, QStringLiteral("Out of memory"));
    } catch (const std::exception &e) {
        throw ZelError(51, source,
                       QStringLiteral("Internal error: ") + QString::fromUtf8(e.what()));
    }
}

bool EventLogFile::TrimEventLog()
{
    static const QString source = QStringLiteral("TrimEventLog");
    if (MaxLogSize.isEmpty())
        MaxLogSize = kDefaultMaxLogSize;
    const qint64 limit = limitInBytes(MaxLogSize, source);
    if (MaxAction != 0 && MaxAction != 1)
        return false;

    // Bytes, not decoded text: whatever the file holds is kept byte for byte.
    // A UTF-16 file is cut as UTF-8 and stays UTF-16; a UTF-8 byte stands for
    // at most two bytes of it, so half the limit (less the mark) is enough.
    const QByteArray raw = LogFileIo::readAll(EventLogPath, source);
    const bool utf16 = LogText::hasUtf16Bom(raw);
    const QByteArray content = LogText::toLineBytes(raw);
    const auto keep = [&](const QByteArray &kept) {
        return replaceContent(EventLogPath, LogText::fromLineBytes(kept, utf16), source);
    };
    if (MaxAction == 0) {
        if (const auto cut = oldestCutUnderLimit(content, utf16 ? (limit - 2) / 2 : limit)) {
            // Starts with the line end of the last dropped line.
            keep(content.mid(*cut));
            return true;
        }
        // No cut leaves the file under the limit: keep only the unfinished
        // last line (normally nothing) so that the record can still go in.
        return limit > keep(afterLastLineEnd(content));
    }

    const auto young =
        firstYoungRecord(content, m_clock.now().date(), maxDaysValue(MaxDays, source));
    return limit > keep(young ? content.mid(*young) : afterLastLineEnd(content));
}

void EventLogFile::beginLockBudget()
{
    m_lockBudget = QDeadlineTimer(LockBudgetMs);
    m_withoutLock = 0;
}

int EventLogFile::endLockBudget()
{
    m_lockBudget.reset();
    return std::exchange(m_withoutLock, 0);
}

QDeadlineTimer EventLogFile::lockDeadline() const
{
    return m_lockBudget ? *m_lockBudget : QDeadlineTimer(LogLock::kDefaultWaitMs);
}

void EventLogFile::lockTaken(const LogLock &lock)
{
    if (lock.refused())
        ++m_withoutLock;
}

void EventLogFile::UpdateLastAction(const QString &action)
{
    const LogLock lock(EventLogPath, lockDeadline());
    lockTaken(lock);
    replaceLastAction(action);
}

bool EventLogFile::AmendLastAction(const QString &object, const QString &action)
{
    // One lock over the look and the rewrite: another writer's record
    // appended in between is never the one amended.
    const LogLock lock(EventLogPath, lockDeadline());
    lockTaken(lock);
    // The record holds the object as the file's encoding keeps it (an ANSI
    // code page lacks the control pictures and many a letter).
    const QString stored =
        LogText::isUtf16File(EventLogPath) ? object : LogText::decode(LogText::encode(object));
    if (LastActionObject() != stored)
        return false;
    replaceLastAction(action);
    return true;
}

void EventLogFile::replaceLastAction(const QString &action)
{
    static const QString source = QStringLiteral("UpdateLastAction");
    if (LogText::isUtf16File(EventLogPath)) {
        // A UTF-16 file is rewritten whole, in UTF-16.
        const QByteArray content = LogText::toLineBytes(LogFileIo::readAll(EventLogPath, source));
        const qsizetype tab = content.lastIndexOf('\t');
        if (tab >= 0)
            replaceContent(
                EventLogPath,
                LogText::fromLineBytes(content.left(tab + 1) + action.toUtf8() + kLineEnd, true),
                source);
        return;
    }

    // Only the tail changes: find the last TAB from the end and let the
    // replacement share or copy the bytes before it.
    const qint64 tab = LogFileIo::lastIndexOf(EventLogPath, '\t', source);
    if (tab < 0)
        return;
    AtomicFile file(EventLogPath, source);
    file.copyPrefix(EventLogPath, tab + 1);
    file.write(LogText::encode(action) + kLineEnd);
    file.commit();
}

QString EventLogFile::LastActionObject() const
{
    static const QString source = QStringLiteral("LastActionObject");
    QByteArray line;
    const bool utf16 = LogText::isUtf16File(EventLogPath);
    if (utf16) {
        const QByteArray content = LogText::toLineBytes(LogFileIo::readAll(EventLogPath, source));
        const qsizetype tab = content.lastIndexOf('\t');
        if (tab < 0)
            return {};
        line = content.left(tab);
    } else {
        const qint64 tab = LogFileIo::lastIndexOf(EventLogPath, '\t', source);
        if (tab < 0)
            return {};
        // The line start lies within one record's length of the TAB.
        constexpr qint64 kWindow = 64 * 1024;
        const qint64 from = std::max<qint64>(0, tab - kWindow);
        QFile file(EventLogPath);
        LogFileIo::open(file, QIODevice::ReadOnly, source);
        if (!file.seek(from))
            throw LogFileIo::ioError(file, source);
        line = file.read(tab - from);
    }
    line = line.mid(line.lastIndexOf('\n') + 1);
    const QList<QByteArray> fields = line.split('\t');
    if (fields.size() < 3)
        return {};
    const QByteArray object = fields.mid(2).join('\t');
    return utf16 ? QString::fromUtf8(object) : LogText::decode(object);
}

QString EventLogFile::ReadTextFile(const QString &path)
{
    if (path.isEmpty())
        return {};
    if (!QFileInfo::exists(path))
        return {}; // the first record creates the log; nothing is left behind

    return LogText::decode(LogFileIo::readAll(path, QStringLiteral("ReadTextFile")));
}

namespace {

// The offset just past the last line end of `bytes`, or
// -1; in UTF-16 a line end starts at an even offset.
qsizetype pastLastLineEnd(const QByteArray &bytes, const QByteArray &lineEnd, bool utf16)
{
    for (qsizetype at = bytes.size(); (at = bytes.lastIndexOf(lineEnd, at - 1)) >= 0;) {
        if (!utf16 || at % 2 == 0)
            return at + lineEnd.size();
        if (at == 0)
            break;
    }
    return -1;
}

qsizetype pastFirstLineEnd(const QByteArray &bytes, const QByteArray &lineEnd, bool utf16)
{
    for (qsizetype at = -1; (at = bytes.indexOf(lineEnd, at + 1)) >= 0;) {
        if (!utf16 || at % 2 == 0)
            return at + lineEnd.size();
    }
    return -1;
}

} // namespace

void EventLogFile::ReadTextPieces(const QString &path, qint64 tailBytes,
                                  const std::function<bool(QStringView, qint64)> &take)
{
    static const QString source = QStringLiteral("ReadTextFile");
    constexpr qint64 kPieceBytes = 4 * 1024 * 1024;
    if (path.isEmpty() || !QFileInfo::exists(path))
        return;
    QFile file(path);
    LogFileIo::open(file, QIODevice::ReadOnly, source);
    const bool utf16 = LogText::hasUtf16Bom(file.read(2));
    const qint64 size = file.size();
    qint64 start = utf16 ? 2 : 0;
    // A tail starts inside a line: its text begins after the first line end.
    bool inLine = false;
    if (tailBytes > 0 && size - tailBytes > start) {
        start = (size - tailBytes) & ~qint64(utf16 ? 1 : 0);
        inLine = true;
    }
    if (!file.seek(start))
        throw LogFileIo::ioError(file, source);
    const QByteArray lineEnd = utf16 ? QByteArray("\r\0\n\0", 4) : QByteArrayLiteral("\r\n");
    QStringDecoder decoder(utf16 ? QStringConverter::Utf16LE : QStringConverter::System,
                           QStringConverter::Flag::Stateless);
    QByteArray bytes;
    for (qint64 left = size - start; left > 0;) {
        const qsizetype kept = bytes.size();
        bytes.resize(kept + std::min(left, kPieceBytes));
        if (file.read(bytes.data() + kept, bytes.size() - kept) != bytes.size() - kept)
            throw LogFileIo::ioError(file, source);
        left -= bytes.size() - kept;
        const qsizetype end = pastLastLineEnd(bytes, lineEnd, utf16);
        if (end < 0 && bytes.size() >= kPieceBytes) {
            // No record is that long (a damaged or foreign file): passed over
            // up to the next line end.
            bytes.clear();
            inLine = true;
        }
        if (end < 0)
            continue;
        qsizetype from = 0;
        if (inLine) {
            from = pastFirstLineEnd(bytes, lineEnd, utf16);
            inLine = false;
        }
        const QString piece = decoder.decode(QByteArrayView(bytes).sliced(from, end - from));
        if (!take(piece, end))
            return;
        bytes.remove(0, end);
    }
}

qint32 EventLogFile::WriteTextFile(const QString &path, const QString &content)
{
    static const QString source = QStringLiteral("WriteTextFile");
    const LogLock lock(path);
    const QByteArray bytes = LogText::encode(content);
    if (bytes.size() > std::numeric_limits<qint32>::max())
        throw ZelError(6, source,
                       QStringLiteral("Overflow: content of %1 bytes").arg(bytes.size()));
    return qint32(replaceContent(path, bytes, source));
}

QString TraceLogPath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("c:\\quorvik.log");
#else
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QStringLiteral("/quorvik.log");
#endif
}
