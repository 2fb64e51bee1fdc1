#pragma once

#include <QIcon>
#include <QPixmap>

// The explorer's pictures: the image list of the tree and the file list
// (1-3 a file's check-out state + 1, 4 and 5 a project normal and selected)
// and the two drag cursors.
namespace ExplorerIcons {

QIcon Image(int index);
// The icon of a tree node: `image` normally, `selectedImage` while selected.
QIcon NodeIcon(int image, int selectedImage);
// img: the drag may drop here; img2: it may not.
QPixmap DragCursor(bool canDrop);

} // namespace ExplorerIcons
