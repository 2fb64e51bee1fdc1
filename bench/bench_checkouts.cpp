// Who has what on a large generated database: the check-outs window (time
// to the first rows shown and to all rows shown) and the status page (time
// to read and write it, its size).
// Usage: bench_checkouts [files [projects [history [depth]]]]; defaults
// 99000 1000 20 4 (100,000 items with the root); one file in 99 is checked
// out (1,000 check-outs). Prints one name=value figure per line.
#include "BenchSupport.h"
#include "VssWriter.h"

#include "engine/checkouts/StatusPage.h"
#include "engine/repository/vssdb/VssDbFactory.h"
#include "ui/checkouts/frmCheckouts.h"

#include <QApplication>
#include <QFileInfo>
#include <QRadioButton>

#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const VssGenPopulate::Options o = BenchSupport::largeDatabase(args);
    QStringList specs;
    const QString dir = BenchSupport::database(
        QStringLiteral("checkouts"), o, specs,
        [&o](const QString &folder, const QStringList &files) {
            VssWriter writer(folder);
            for (qsizetype i = 0; i < files.size(); i += 99)
                writer.checkout(files[i], VssWriter::Stamp{o.user, o.start.addDays(1),
                                                           QStringLiteral("release work")});
        });
    const QString ini = dir + QStringLiteral("/srcsafe.ini");
    std::printf("items=%lld\n", qlonglong(o.files) + o.projects + 1);

    // The window, as opened from the tray: a new session each time.
    for (int run = 1; run <= 2; ++run) {
        frmCheckouts window(VssDbFactory(VssDbOptions{}), [&] {
            return CheckoutSource{ini, o.user, o.password, {QStringLiteral("$/")}};
        });
        window.optWhole->setChecked(true);
        QElapsedTimer t;
        t.start();
        window.showWindow();
        double firstMs = -1;
        while (window.reading()) {
            app.processEvents(QEventLoop::WaitForMoreEvents);
            if (firstMs < 0 && window.filter().rowCount() > 0)
                firstMs = t.nsecsElapsed() / 1e6;
        }
        std::printf("window_run%d_first_rows_ms=%.0f\nwindow_run%d_all_rows_ms=%.0f\n"
                    "window_run%d_rows=%d\n",
                    run, firstMs, run, t.nsecsElapsed() / 1e6, run, window.filter().rowCount());
    }

    // The page over the whole database, as the headless watcher writes it
    // with a session that already read the database once, and fresh.
    auto db = VssDbFactory(VssDbOptions{})();
    db->Open(ini, o.user, o.password);
    StatusPageWriter page(dir + QStringLiteral("/checkouts.html"));
    for (int run = 1; run <= 2; ++run) {
        QElapsedTimer t;
        t.start();
        page.write(*db, {QStringLiteral("$/")}, ini, QDateTime::currentDateTime());
        std::printf("page_run%d_ms=%.0f\n", run, t.nsecsElapsed() / 1e6);
    }
    std::printf("page_checkouts=%lld\npage_bytes=%lld\n", qlonglong((specs.size() + 98) / 99),
                QFileInfo(page.path()).size());
    return 0;
}
