// The tray icon as a StatusNotifierItem panel sees it, on an X server and a
// session bus of the test's own (ctest starts them).
#include "FrmZelHarness.h"

#include <QtDBus>
#include <QtEndian>
#include <QtTest>

// The panel's watcher: publishes its interface, has a host, takes items.
class Watcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
public:
    bool hostRegistered() const { return true; }
signals:
    void registered(const QString &service);
public slots:
    void RegisterStatusNotifierItem(const QString &service) { emit registered(service); }
};

class tst_StatusNotifier : public QObject
{
    Q_OBJECT

    QDBusConnection m_panel{QString()};
    QString m_item, m_menu; // the item's bus name, its menu's path
    Watcher *m_watcher = nullptr;
    QThread m_served; // Qt asks the watcher with blocking calls

    // A call from the panel; the program serves it meanwhile.
    QVariantList call(const QString &path, const QString &interface, const QString &method,
                      const QVariantList &arguments)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(m_item, path, interface, method);
        message.setArguments(arguments);
        return m_panel.call(message, QDBus::BlockWithGui, 10000).arguments();
    }
    QVariant item(const QString &property)
    {
        const QVariantList reply = call("/StatusNotifierItem", "org.freedesktop.DBus.Properties",
                                        "Get", {"org.kde.StatusNotifierItem", property});
        return qvariant_cast<QDBusVariant>(reply.value(0)).variant();
    }
    QVariantList menuCall(const QString &method, const QVariantList &arguments)
    {
        return call(m_menu, "com.canonical.dbusmenu", method, arguments);
    }
    // The first picture of an icon (a(iiay), ARGB in network order).
    static QImage picture(const QDBusArgument &pictures)
    {
        int width = 0, height = 0;
        QByteArray argb;
        pictures.beginArray();
        pictures.beginStructure();
        pictures >> width >> height >> argb;
        pictures.endStructure(); // each begin's reader is freed by its end
        pictures.endArray();
        QImage image(width, height, QImage::Format_ARGB32);
        for (int i = 0; argb.size() == width * height * 4 && i < width * height; ++i)
            image.setPixel(i % width, i / width, qFromBigEndian<quint32>(argb.constData() + 4 * i));
        return image;
    }
    // The menu as a panel shows it: "label" or "label (off)", "" a separator.
    QStringList menu(QMap<QString, int> *ids = nullptr)
    {
        menuCall("AboutToShow", {0});
        const auto root =
            menuCall("GetLayout", {0, -1, QStringList()}).value(1).value<QDBusArgument>();
        QStringList shown;
        int id;
        QVariantMap properties;
        root.beginStructure();
        root >> id >> properties;
        root.beginArray();
        while (!root.atEnd()) {
            const auto entry =
                qvariant_cast<QDBusVariant>(root.asVariant()).variant().value<QDBusArgument>();
            entry.beginStructure();
            entry >> id >> properties;
            entry.endStructure();
            const QString label = properties.value("label").toString();
            if (properties.value("visible").toBool())
                shown << label + (properties.value("enabled", true).toBool() ? "" : " (off)");
            if (ids)
                ids->insert(label, id);
        }
        root.endArray();
        root.endStructure();
        return shown;
    }

private slots:
    void initTestCase()
    {
        FrmZelHarness::isolateFromUser();
        m_panel = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "panel");
        m_watcher = new Watcher;
        connect(m_watcher, &Watcher::registered, this, [this](const QString &s) { m_item = s; });
        QVERIFY(m_panel.registerObject("/StatusNotifierWatcher", m_watcher,
                                       QDBusConnection::ExportAllContents));
        m_watcher->moveToThread(&m_served); // and ends there
        connect(
            &m_served, &QThread::finished, m_watcher, [w = m_watcher] { delete w; },
            Qt::DirectConnection);
        m_served.start();
    }
    void cleanupTestCase()
    {
        m_served.quit();
        m_served.wait();
    }

    void statusNotifierItemAsAPanelSeesIt()
    {
        FrmZelHarness h;
        h.realTray = true;
        h.storeUser({"$/Web/a.htm"});
        h.param("ShowMessages", "False");
        frmZel &f = h.start();
        f.cmOk_Click(); // no tray yet: minimised, watching
        QVERIFY(!f.trayIcon() && f.isMinimized() && h.timerRunning());

        // The panel comes two seconds later: the window goes to the tray.
        QTest::qWait(2000);
        QVERIFY(m_panel.registerService("org.kde.StatusNotifierWatcher"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_item.isEmpty() && !f.isVisible() && h.timerRunning(), 4000);
        m_menu = item("Menu").value<QDBusObjectPath>().path();

        // The three looks, pixel for pixel; the tooltip says what each shows.
        const QString error = QStringLiteral("ERROR: Cannot open VSS database");
        f.setStatus(error);
        const std::tuple<TrayLook, QString, QString> looks[] = {
            {TrayLook::Change, "quorvik-change",
             "Quorvik\nChanges seen: Reset in the menu shows them"},
            {TrayLook::Error, "quorvik-error", "Quorvik\n" + error},
            {TrayLook::Normal, "quorvik", "Quorvik"}};
        for (const auto &[look, svg, toolTip] : looks) {
            f.setTrayLook(look);
            const QImage shown = picture(item("IconPixmap").value<QDBusArgument>());
            QVERIFY(shown.width() >= 16);
            const QImage drawn = QIcon(":/icons/" + svg + ".svg").pixmap(shown.size()).toImage();
            QCOMPARE(shown, drawn.convertToFormat(QImage::Format_ARGB32));
            const auto tip = item("ToolTip").value<QDBusArgument>(); // (s a(iiay) s s)
            tip.beginStructure();
            tip.asVariant();
            tip.asVariant();
            const QString tipText = tip.asVariant().toString();
            tip.endStructure();
            QCOMPARE(tipText, toolTip);
        }

        // dbusmenu has no bold entry: Activate runs the one that would be
        // (Settings; Reset after a change); a click event its entry.
        QCOMPARE(menu(), QStringList({"Settings", "Reset (off)", "Event Log", "Chec_k-outs...", "",
                                      "_Pause Notifications", "", "About", "Help", "", "Exit"}));
        call("/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate", {0, 0});
        QTRY_VERIFY(f.isVisible());
        f.cmOk_Click();
        h.repo->checkOut("$/Web/a.htm", "other");
        h.timers.fire(f.zel().TimerId);
        QMap<QString, int> ids;
        QCOMPARE(menu(&ids).mid(0, 2), QStringList({"Settings", "Reset"})); // a click: tst_frmzel
        int viewer = 0;
        f.windows.showEventLog = [&viewer](bool) { ++viewer; };
        menuCall("Event", {ids.value("Event Log"), "clicked",
                           QVariant::fromValue(QDBusVariant(QString())), 0u});
        QTRY_COMPARE(viewer, 1);
    }
};

QTEST_MAIN(tst_StatusNotifier)

#include "tst_statusnotifier.moc"
