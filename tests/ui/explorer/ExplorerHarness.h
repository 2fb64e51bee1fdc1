#pragma once

#include "ui/explorer/ExplorerFileList.h"
#include "ui/explorer/ExplorerHost.h"
#include "ui/explorer/frmTree.h"
#include "ui/main/FrmZelHarness.h"

#include <QListWidget>
#include <QTreeWidget>
#include <QtTest>

// The main window with the explorer plugged in, over a small repository:
//   $/readme.txt                      (a file under the root)
//   $/Web/index.html, about.html, app.js, logo.png   (Web holds 4 files)
//   $/Web/css/site.css, $/Web/css/themes/dark
//   $/Tools/build
// The user watches $/Web/index.html and $/Web/app.js.
struct ExplorerHarness : FrmZelHarness
{
    std::unique_ptr<ExplorerHost> host;

    static QStringList watchedAtStart() { return {"$/Web/index.html", "$/Web/app.js"}; }

    ExplorerHarness()
    {
        storeUser(watchedAtStart());
        const QDateTime d = clock.now().addDays(-3);
        repo->addFile("$/readme.txt", "other", d);
        repo->addFile("$/Web/about.html", "other", d);
        repo->addFile("$/Web/logo.png", "other", d);
        repo->addProject("$/Web/css");
        repo->addFile("$/Web/css/site.css", "other", d);
        repo->addProject("$/Web/css/themes");
        repo->addProject("$/Web/css/themes/dark");
        repo->addProject("$/Tools");
        repo->addProject("$/Tools/build");
    }
    ~ExplorerHarness()
    {
        host.reset();
        frm.reset();
    }

    // The program started (database open), the explorer not yet opened.
    frmZel &startWithExplorer()
    {
        start();
        host = std::make_unique<ExplorerHost>(*frm, repo->factory());
        return *frm;
    }

    // "+" pressed: the explorer open and active.
    frmTree &open()
    {
        if (!frm)
            startWithExplorer();
        frm->cmdAdd_Click();
        frmTree *w = host->window();
        if (!w)
            qFatal("the explorer did not open");
        w->Form_Activate();
        return *w;
    }

    // Clicks the tree node `key` (it must be loaded).
    static void click(frmTree &w, const QString &key)
    {
        QTreeWidgetItem *n = w.node(key);
        if (!n)
            qFatal("no node %s", qPrintable(key));
        w.tv->setCurrentItem(n);
        w.tv_NodeClick(n);
    }

    static QStringList lines(const QListWidget *list)
    {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts << list->item(i)->text();
        return texts;
    }
    static QStringList keys(const Suspects &files)
    {
        QStringList k;
        for (const Suspect &s : files)
            k << s.Key();
        return k;
    }
    static void select(QListWidget *list, const QStringList &texts)
    {
        list->clearSelection();
        for (int i = 0; i < list->count(); ++i)
            if (texts.contains(list->item(i)->text()))
                list->item(i)->setSelected(true);
    }
    // A key let go in `pane` (the commands act on release).
    static void release(QWidget *pane, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                        bool autoRepeat = false)
    {
        QKeyEvent e(QEvent::KeyRelease, key, mods, QString(), autoRepeat);
        QCoreApplication::sendEvent(pane, &e);
    }
};
