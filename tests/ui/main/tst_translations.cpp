// The translations: the German file holds every source text with its marks,
// the German windows show their texts whole, and "C" keeps the English.
#include "engine/eventlog/EventList.h"
#include "ui/CaptionWidth.h"
#include "ui/ScreenReader.h"
#include "ui/about/frmAbout.h"
#include "ui/about/frmAboutPlug.h"
#include "ui/checkouts/frmCheckouts.h"
#include "ui/eventlog/frmLog.h"
#include "ui/eventlog/frmLogPlug.h"
#include "ui/eventlog/frmOptions.h"
#include "ui/explorer/ExplorerHost.h"
#include "ui/explorer/frmTree.h"
#include "ui/main/FrmZelHarness.h"
#include "ui/main/Translations.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTranslator>
#include <QtTest>

namespace {

// What a translation keeps of its source: place markers, an access key.
QString marks(QString text)
{
    for (const char *entity : {"&lt;", "&gt;", "&quot;", "&apos;"})
        text.remove(QLatin1String(entity));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&")).remove(QStringLiteral("&&"));
    QStringList found;
    for (auto it = QRegularExpression(QStringLiteral("%\\d|&")).globalMatch(text); it.hasNext();)
        found << it.next().captured();
    found.sort();
    return found.join(QLatin1Char(' '));
}

// Every text of `window` shows whole; with `uniqueKeys`, each access key
// letter is used once (English shares Alt+W on purpose); a screen reader
// finds every control named; its name marks it as the program's own window.
void checkWhole(QWidget *window, bool uniqueKeys)
{
    QVERIFY(QTest::qWaitForWindowExposed(window) && window->objectName().startsWith("frm"));
    QStringList wrong;
    QHash<QChar, QString> keys;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(window) || w->window() != window)
            continue;
        QString text;
        bool whole = true;
        if (auto *b = qobject_cast<QAbstractButton *>(w)) {
            text = b->text();
            const auto *push = qobject_cast<QPushButton *>(w);
            whole = b->width() >= (push ? CaptionWidth(push) : b->sizeHint().width());
        } else if (auto *l = qobject_cast<QLabel *>(w)) {
            text = l->text();
            whole = l->wordWrap() ? l->height() >= l->heightForWidth(l->width())
                                  : l->width() >= l->minimumSizeHint().width();
        } else if (auto *e = qobject_cast<QLineEdit *>(w)) {
            text = e->placeholderText();
            whole = e->width() >= PlaceholderWidth(e);
        } else if (auto *h = qobject_cast<QHeaderView *>(w)) {
            const int margins = 2 * h->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, h);
            for (int i = 0; i < h->count(); ++i) {
                const QString title = h->model()->headerData(i, h->orientation()).toString();
                if (h->sectionSize(i) < h->fontMetrics().horizontalAdvance(title) + margins)
                    wrong << title;
            }
        }
        if (!whole)
            wrong << text;
        const QString plain = QString(text).remove(QStringLiteral("&&"));
        const qsizetype key = plain.indexOf('&') + 1;
        if (uniqueKeys && key > 0 && key < plain.size()) {
            if (keys.contains(plain.at(key).toLower()))
                wrong << keys[plain.at(key).toLower()] + " and " + text + " share a key";
            keys.insert(plain.at(key).toLower(), text);
        }
    }
    wrong << UnnamedControls(window);
    QVERIFY2(wrong.isEmpty(), qPrintable(window->objectName() + ": " + wrong.join(" | ")));
}

} // namespace

class tst_Translations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { FrmZelHarness::isolateFromUser(); }

    // lupdate over the sources leaves the German file as it is (no text new
    // or gone), and each translation keeps its source's marks and error mark.
    void germanFileCoversEverySourceText()
    {
        if (QStringLiteral(QUORVIK_LUPDATE).isEmpty())
            QSKIP("no lupdate that runs here (Windows: the build machine checks)");
        const QString original = QStringLiteral(QUORVIK_SOURCE_DIR "/translations/quorvik_de.ts");
        QTemporaryDir dir;
        const QString ts = dir.filePath(QStringLiteral("quorvik_de.ts"));
        QVERIFY(QFile::copy(original, ts));
        QCOMPARE(QProcess::execute(QStringLiteral(QUORVIK_LUPDATE),
                                   {"-silent", "-locations", "none", "-no-obsolete",
                                    QStringLiteral(QUORVIK_SOURCE_DIR "/src"), "-ts", ts}),
                 0);
        const QString text = QString::fromUtf8(TestFiles::read(ts));
        const QRegularExpression message(
            QStringLiteral("<source>(.*?)</source>\\s*<translation( type=\"\\w+\")?>(.*?)<"),
            QRegularExpression::DotMatchesEverythingOption);
        const QString errorMark = message.match(text, text.indexOf("<source>ERROR: <")).captured(3);
        QStringList wrong;
        for (auto it = message.globalMatch(text); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const QString source = m.captured(1), translation = m.captured(3);
            if (!m.captured(2).isEmpty() || translation.isEmpty())
                wrong << source + " (not translated)";
            else if (marks(source) != marks(translation))
                wrong << source + " (place markers or access key)";
            else if (source.startsWith("ERROR: ") && !translation.startsWith(errorMark))
                wrong << source + " (error mark)";
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join('\n')));
        QVERIFY2(text == QString::fromUtf8(TestFiles::read(original)),
                 "texts are gone from the sources: run lupdate -no-obsolete on the file");
    }

    // Every window, in German and in English, shows its texts whole.
    void windowsShowTheirTextsWhole_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("German") << "de_DE";
        QTest::newRow("English") << "en_US";
    }
    void windowsShowTheirTextsWhole()
    {
        QFETCH(QString, language);
        const bool german = language == "de_DE";
        QCOMPARE(InstallTranslations(QLocale(language)), german);
        const auto uninstall = qScopeGuard(
            [] { qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator *>()); });
        FrmZelHarness h;
        frmZel &main = h.start({"$/Web/index.html"});
        checkWhole(&main, german);
        ExplorerHost explorer(main, h.repo->factory());
        main.cmdAdd_Click();
        checkWhole(explorer.window(), german);
        explorer.window()->close();
        frmLog &log = PlugEventLogViewer(main);
        main.mnuShowLog_Click();
        main.zel().lvTrace().addRow(
            {"$/Web/index.html", "Check Out", "2026-12-07", "12:00:00", "$/Web/index.html", "Al"});
        checkWhole(&log, german);
        frmOptions options(main.zel(), *h.store, [] {});
        options.show();
        checkWhole(&options, german);
        frmAbout &about = PlugAboutBox(main);
        main.mnuAbout_Click();
        checkWhole(&about, german);
        frmCheckouts checkouts(h.repo->factory(), [] { return CheckoutSource{}; });
        checkouts.showWindow();
        checkWhole(&checkouts, german);
    }

    // The test runs with LC_ALL=C and LANGUAGE=de: "C" asks for the English
    // source texts, whatever LANGUAGE lists.
    void cLocaleKeepsEnglish()
    {
        QVERIFY(!InstallTranslations());
        QCOMPARE(frmZel::tr("E&xit"), "E&xit");
        QVERIFY(InstallTranslations(QLocale(QLocale::German)));
        QCOMPARE(frmZel::tr("E&xit"), "&Beenden");
    }
};

QTEST_MAIN(tst_Translations)
#include "tst_translations.moc"
