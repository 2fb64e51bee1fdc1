#pragma once

#include <QListWidget>

#include <functional>

// The explorer's file list. The view's own drag start (pressed on a
// selected item and moved far enough) is handed to the window, which
// decides whether a drag begins and runs it.
class ExplorerFileList : public QListWidget
{
public:
    explicit ExplorerFileList(QWidget *parent = nullptr) : QListWidget(parent)
    {
        // Keeps a multiple selection while the user presses on it to drag.
        setDragEnabled(true);
    }

    std::function<void()> onDragStart;

protected:
    void startDrag(Qt::DropActions) override
    {
        if (onDragStart)
            onDragStart();
    }
};
