#include "frmLogPrint.h"

#include "engine/eventlog/LogText.h"
#include "ui/main/DialogHook.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

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

void printLines(QPrinter &printer, const QStringList &lines)
{
    QPainter painter;
    if (!painter.begin(&printer))
        throw PrintFailure{
            QCoreApplication::translate("PrintFile", "The printer could not be started.")};
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const qreal lineHeight = QFontMetricsF(painter.font(), &printer).lineSpacing();
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextExpandTabs;
    qreal y = 0;
    for (const QString &line : lines) {
        if (y > 0 && y + lineHeight > page.height()) {
            if (!printer.newPage())
                throw PrintFailure{QCoreApplication::translate(
                    "PrintFile", "The printer could not start a new page.")};
            y = 0;
        }
        painter.drawText(QRectF(0, y, page.width(), lineHeight), flags, line);
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
