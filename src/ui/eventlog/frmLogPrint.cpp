#include "frmLogPrint.h"

#include "engine/eventlog/LogText.h"
#include "ui/main/DialogHook.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QTextOption>

#include <algorithm>

namespace {

struct PrintFailure
{
    QString description;
};

// The file's lines: the text between line ends, CR LF or LF; the text after
// the last line end is a line too.
QStringList readLines(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw PrintFailure{file.errorString()};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw PrintFailure{file.errorString()};
    file.close();
    QString text = LogText::decode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast(); // the file ends with a line end
    return lines;
}

// Tab stops that line the fields up in columns: each field starts past the
// widest field before it in any line, and a gap.
QList<qreal> columnStops(const QStringList &lines, const QFontMetricsF &metrics)
{
    QList<qreal> widest;
    for (const QString &line : lines) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        for (int i = 0; i + 1 < fields.size(); ++i) {
            if (widest.size() <= i)
                widest.append(0);
            widest[i] = std::max(widest[i], metrics.horizontalAdvance(fields[i]));
        }
    }
    QList<qreal> stops;
    qreal x = 0;
    for (const qreal width : widest)
        stops.append(x += width + metrics.horizontalAdvance(QStringLiteral("   ")));
    return stops;
}

void printLines(QPrinter &printer, const QStringList &lines)
{
    QPainter painter;
    if (!painter.begin(&printer))
        throw PrintFailure{
            QCoreApplication::translate("PrintFile", "The printer could not be started.")};
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const QFontMetricsF metrics(painter.font(), &printer);
    const qreal lineHeight = metrics.lineSpacing();
    QTextOption layout(Qt::AlignLeft | Qt::AlignTop);
    layout.setWrapMode(QTextOption::NoWrap);
    layout.setTabArray(columnStops(lines, metrics));
    qreal y = 0;
    for (const QString &line : lines) {
        if (y > 0 && y + lineHeight > page.height()) {
            if (!printer.newPage())
                throw PrintFailure{QCoreApplication::translate(
                    "PrintFile", "The printer could not start a new page.")};
            y = 0;
        }
        painter.drawText(QRectF(0, y, page.width(), lineHeight), line, layout);
        y += lineHeight;
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        throw PrintFailure{
            QCoreApplication::translate("PrintFile", "The print job could not be sent.")};
}

} // namespace

bool PrintFile(QPrinter &printer, const QString &fileName, QWidget *parent)
{
    try {
        printLines(printer, readLines(fileName));
        return true;
    } catch (const PrintFailure &failure) {
        DialogHook::showCritical(
            parent, QCoreApplication::translate("PrintFile", "Printing File..."),
            QCoreApplication::translate("PrintFile", "Error :") + failure.description);
        return false;
    }
}
