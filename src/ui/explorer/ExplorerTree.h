#pragma once

#include "engine/Repository.h"

#include <QString>

#include <functional>
#include <vector>

// Reading the project tree one level ahead of what the user sees. Nothing
// here touches a widget: the window applies what these routines read.
namespace ExplorerTree {

// Icon indices of the explorer's image list; a file's is its state + 1.
enum Image
{
    ProjectImage = 4,
    ProjectSelectedImage = 5
};

struct Node
{
    QString parentKey; // empty for the root
    QString key;       // the item's spec
    QString text;
    int image = ProjectImage;
    int selectedImage = ProjectSelectedImage;
};

struct FileEntry
{
    QString name;
    int icon = 1; // IsCheckedOut + 1
};

// The root node "$/".
QString RootKey();
Node RootNode();
// A child's spec: the parent's, "/" and the name, without a second "/"
// after the root.
QString ChildKey(const QString &parentKey, const QString &name);

// Opening: the root's children and, below each child project, its
// children (files included). Each node is handed to `add` as soon as it is
// read, so a failure part way keeps what came before it.
void ReadTop(VSSDatabase &db, const std::function<void(const Node &)> &add);

// Expanding the node `key`: the child projects that `exists` does not know
// yet, and below each child project its project children not known yet.
// All or nothing: a failure raises and nothing is returned.
std::vector<Node> ReadExpansion(VSSDatabase &db, const QString &key,
                                const std::function<bool(const QString &)> &exists);

// Clicking the node `key`: the item (the new current project) and, when it
// is a project, its files in enumeration order.
struct ProjectFiles
{
    VSSItemPtr item;
    std::vector<FileEntry> files;
};
ProjectFiles ReadProjectFiles(VSSDatabase &db, const QString &key);

} // namespace ExplorerTree
