#include "ExplorerIcons.h"

#include "ui/main/Icons.h"

namespace ExplorerIcons {

namespace {

QString path(const char *name)
{
    return QStringLiteral(":/icons/") + QLatin1String(name) + QStringLiteral(".svg");
}

} // namespace

QIcon Image(int index)
{
    switch (index) {
    case 4:
        return Icons::project();
    case 5:
        return QIcon(path("project-open"));
    default:
        return Icons::fileState(index - 1);
    }
}

QIcon NodeIcon(int image, int selectedImage)
{
    if (image == selectedImage)
        return Image(image);
    QIcon icon;
    const QSize size(16, 16);
    icon.addPixmap(Image(image).pixmap(size), QIcon::Normal);
    icon.addPixmap(Image(selectedImage).pixmap(size), QIcon::Selected);
    return icon;
}

QPixmap DragCursor(bool canDrop)
{
    return QIcon(path(canDrop ? "drag-files" : "drag-none")).pixmap(QSize(32, 32));
}

} // namespace ExplorerIcons
