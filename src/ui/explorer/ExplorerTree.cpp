#include "ExplorerTree.h"

namespace ExplorerTree {

namespace {

VSSItemPtr lookUp(VSSDatabase &db, const QString &spec)
{
    VSSItemPtr item = db.VSSItem(spec, false);
    if (!item)
        throw RepositoryError(QStringLiteral("No item for %1").arg(spec));
    return item;
}

// A node for `item` under `parentKey`; reads Name, and IsCheckedOut for a file.
Node nodeFor(const VSSItem &item, int type, const QString &parentKey)
{
    Node n;
    n.parentKey = parentKey;
    n.text = item.Name();
    n.key = ChildKey(parentKey, n.text);
    if (type != VSSItem::Project) {
        n.image = item.IsCheckedOut() + 1;
        n.selectedImage = n.image;
    }
    return n;
}

} // namespace

QString RootKey()
{
    return QStringLiteral("$/");
}

Node RootNode()
{
    Node n;
    n.key = RootKey();
    n.text = RootKey();
    return n;
}

QString ChildKey(const QString &parentKey, const QString &name)
{
    if (parentKey.endsWith(QLatin1Char('/')))
        return parentKey + name;
    return parentKey + QLatin1Char('/') + name;
}

void ReadTop(VSSDatabase &db, const std::function<void(const Node &)> &add)
{
    const VSSItemPtr root = lookUp(db, RootKey());
    for (const VSSItemPtr &child : root->Items(false)) {
        const int type = child->Type();
        const Node node = nodeFor(*child, type, RootKey());
        add(node);
        if (type != VSSItem::Project)
            continue;
        for (const VSSItemPtr &grandchild : child->Items(false))
            add(nodeFor(*grandchild, grandchild->Type(), node.key));
    }
}

std::vector<Node> ReadExpansion(VSSDatabase &db, const QString &key,
                                const std::function<bool(const QString &)> &exists)
{
    std::vector<Node> found;
    const VSSItemPtr item = lookUp(db, key);
    if (item->Type() != VSSItem::Project)
        return found;
    for (const VSSItemPtr &child : item->Items(false)) {
        if (child->Type() != VSSItem::Project)
            continue; // expanding never adds files
        const Node childNode = nodeFor(*child, VSSItem::Project, key);
        if (!exists(childNode.key))
            found.push_back(childNode);
        for (const VSSItemPtr &grandchild : child->Items(false)) {
            // Type first: a file's name is never needed here.
            if (grandchild->Type() != VSSItem::Project)
                continue;
            const Node n = nodeFor(*grandchild, VSSItem::Project, childNode.key);
            if (!exists(n.key))
                found.push_back(n);
        }
    }
    return found;
}

ProjectFiles ReadProjectFiles(VSSDatabase &db, const QString &key)
{
    ProjectFiles result;
    result.item = lookUp(db, key);
    if (result.item->Type() != VSSItem::Project)
        return result;
    for (const VSSItemPtr &child : result.item->Items(false)) {
        if (child->Type() != VSSItem::File)
            continue;
        FileEntry entry;
        entry.name = child->Name();
        entry.icon = child->IsCheckedOut() + 1;
        result.files.push_back(entry);
    }
    return result;
}

} // namespace ExplorerTree
