#include "MemoryRepository.h"

#include <algorithm>

namespace {

QStringList componentsOf(const QString &spec)
{
    if (!spec.startsWith(QLatin1String("$/")) && spec != QLatin1String("$"))
        throw RepositoryError(QStringLiteral("Invalid spec: %1").arg(spec));
    return spec.mid(2).split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

class MemoryItem : public VSSItem
{
public:
    MemoryItem(std::shared_ptr<MemoryRepository> repo, MemoryRepository::Node *node, QString user)
        : m_repo(std::move(repo)), m_node(node), m_user(std::move(user))
    {}

    QString Spec() const override
    {
        enter(QStringLiteral("Spec"));
        return MemoryRepository::specOf(m_node);
    }
    QString Name() const override
    {
        enter(QStringLiteral("Name"));
        return m_node->name;
    }
    int Type() const override
    {
        enter(QStringLiteral("Type"));
        return m_node->type;
    }
    std::vector<VSSItemPtr> Items(bool includeDeleted) const override
    {
        enter(QStringLiteral("Items"));
        std::vector<VSSItemPtr> result;
        for (const auto &child : m_node->children)
            if (includeDeleted || !child->deleted)
                result.push_back(std::make_shared<MemoryItem>(m_repo, child.get(), m_user));
        return result;
    }
    int IsCheckedOut() const override
    {
        enter(QStringLiteral("IsCheckedOut"));
        if (m_node->checkouts.empty())
            return 0;
        for (const auto &c : m_node->checkouts)
            if (c.user.compare(m_user, Qt::CaseInsensitive) == 0)
                return 2;
        return 1;
    }
    int VersionNumber() const override
    {
        enter(QStringLiteral("VersionNumber"));
        int newest = 0;
        for (const auto &v : m_node->history)
            newest = std::max(newest, v.VersionNumber);
        return newest;
    }
    std::vector<VSSVersion> Versions(int) const override
    {
        enter(QStringLiteral("Versions"));
        return std::vector<VSSVersion>(m_node->history.rbegin(), m_node->history.rend());
    }
    VSSCheckouts Checkouts() const override
    {
        enter(QStringLiteral("Checkouts"));
        std::vector<VSSCheckout> list;
        for (const auto &c : m_node->checkouts) {
            VSSCheckout checkout;
            checkout.Username = c.user;
            list.push_back(checkout);
        }
        return VSSCheckouts(std::move(list));
    }

private:
    void enter(const QString &operation) const
    {
        m_repo->count(operation);
        m_repo->checkFailure(operation, MemoryRepository::specOf(m_node));
    }

    std::shared_ptr<MemoryRepository> m_repo;
    MemoryRepository::Node *m_node;
    QString m_user;
};

class MemoryDatabase : public VSSDatabase
{
public:
    explicit MemoryDatabase(std::shared_ptr<MemoryRepository> repo) : m_repo(std::move(repo)) {}

    void Open(const QString &iniPath, const QString &user, const QString &password) override
    {
        m_repo->count(QStringLiteral("Open"));
        try {
            m_repo->checkFailure(QStringLiteral("Open"), QString());
        } catch (const RepositoryError &e) {
            throw RepositoryOpenError(e.description());
        }
        if (!m_repo->acceptsLogin(iniPath, user, password))
            throw RepositoryOpenError(QStringLiteral("Invalid SourceSafe user name or password"));
        m_user = user;
        m_open = true;
    }

    VSSItemPtr VSSItem(const QString &spec, bool deleted) override
    {
        m_repo->count(QStringLiteral("VSSItem"));
        if (!m_open)
            throw RepositoryError(QStringLiteral("The database is not open"));
        m_repo->checkFailure(QStringLiteral("VSSItem"), spec);
        MemoryRepository::Node *node = m_repo->find(spec, deleted);
        if (!node)
            throw RepositoryError(
                QStringLiteral("%1 is not an existing filename or project").arg(spec));
        return std::make_shared<MemoryItem>(m_repo, node, m_user);
    }

    void BeginPoll(bool afterLookUps) override
    {
        m_repo->count(afterLookUps ? QStringLiteral("BeginPollAfterLookUps")
                                   : QStringLiteral("BeginPoll"));
    }
    void EndPoll() override { m_repo->count(QStringLiteral("EndPoll")); }

private:
    std::shared_ptr<MemoryRepository> m_repo;
    QString m_user;
    bool m_open = false;
};

} // namespace

MemoryRepository::MemoryRepository() : m_root(std::make_shared<Node>())
{
    m_root->type = VSSItem::Project;
}

std::shared_ptr<MemoryRepository> MemoryRepository::create()
{
    return std::shared_ptr<MemoryRepository>(new MemoryRepository());
}

void MemoryRepository::addUser(const QString &name, const QString &password)
{
    m_users.insert(name.toLower(), password);
}

bool MemoryRepository::acceptsLogin(const QString &ini, const QString &user,
                                    const QString &password) const
{
    if (!m_iniPath.isEmpty() && ini != m_iniPath)
        return false;
    auto it = m_users.constFind(user.toLower());
    return it != m_users.constEnd() && it.value() == password;
}

MemoryRepository::Node *MemoryRepository::find(const QString &spec, bool includeDeleted) const
{
    QStringList parts;
    try {
        parts = componentsOf(spec);
    } catch (const RepositoryError &) {
        return nullptr;
    }
    Node *node = m_root.get();
    for (const QString &part : parts) {
        if (node->type != VSSItem::Project)
            return nullptr;
        Node *next = nullptr;
        for (const auto &child : node->children) {
            if ((includeDeleted || !child->deleted) &&
                child->name.compare(part, Qt::CaseInsensitive) == 0) {
                next = child.get();
                break;
            }
        }
        if (!next)
            return nullptr;
        node = next;
    }
    return node;
}

QString MemoryRepository::specOf(const Node *node)
{
    QStringList names;
    for (const Node *n = node; n && n->parent; n = n->parent)
        names.prepend(n->name);
    return QStringLiteral("$/") + names.join(QLatin1Char('/'));
}

MemoryRepository::Node *MemoryRepository::require(const QString &spec) const
{
    Node *node = find(spec, true);
    if (!node)
        throw RepositoryError(
            QStringLiteral("%1 is not an existing filename or project").arg(spec));
    return node;
}

MemoryRepository::Node *MemoryRepository::addNode(const QString &spec, int type)
{
    QStringList parts = componentsOf(spec);
    if (parts.isEmpty())
        throw RepositoryError(QStringLiteral("Cannot add the root"));
    const QString name = parts.takeLast();
    Node *parent = require(QStringLiteral("$/") + parts.join(QLatin1Char('/')));
    if (parent->type != VSSItem::Project)
        throw RepositoryError(QStringLiteral("%1 is not a project").arg(specOf(parent)));
    if (find(spec, false))
        throw RepositoryError(QStringLiteral("%1 already exists").arg(spec));
    auto node = std::make_shared<Node>();
    node->name = name;
    node->type = type;
    node->parent = parent;
    parent->children.push_back(node);
    return node.get();
}

void MemoryRepository::addProject(const QString &spec, const QDateTime &date)
{
    Node *node = addNode(spec, VSSItem::Project);
    node->history.push_back(VSSVersion{1, WallClockTime(date), QStringLiteral("Admin"),
                                       QStringLiteral("Created"), QString()});
}

void MemoryRepository::addFile(const QString &spec, const QString &user, const QDateTime &date)
{
    Node *node = addNode(spec, VSSItem::File);
    node->history.push_back(
        VSSVersion{1, WallClockTime(date), user, QStringLiteral("Created"), QString()});
}

void MemoryRepository::checkOut(const QString &spec, const QString &user, bool exclusive)
{
    Node *node = require(spec);
    for (const auto &c : node->checkouts)
        if (c.exclusive || exclusive)
            throw RepositoryError(QStringLiteral("%1 is checked out").arg(spec));
    node->checkouts.push_back(Node::Checkout{user, exclusive});
}

void MemoryRepository::checkIn(const QString &spec, const QString &user, const QDateTime &date,
                               bool keepCheckedOut)
{
    Node *node = require(spec);
    int newest = 0;
    for (const auto &v : node->history)
        newest = std::max(newest, v.VersionNumber);
    node->history.push_back(
        VSSVersion{newest + 1, WallClockTime(date), user, QStringLiteral("Checked in"), QString()});
    if (!keepCheckedOut)
        undoCheckOut(spec, user);
}

void MemoryRepository::undoCheckOut(const QString &spec, const QString &user)
{
    Node *node = require(spec);
    auto &list = node->checkouts;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&](const Node::Checkout &c) {
                                  return c.user.compare(user, Qt::CaseInsensitive) == 0;
                              }),
               list.end());
}

void MemoryRepository::label(const QString &spec, const QString &label, const QDateTime &date,
                             const QString &user, int versionNumber)
{
    Node *node = require(spec);
    if (versionNumber < 0) {
        versionNumber = 0;
        for (const auto &v : node->history)
            versionNumber = std::max(versionNumber, v.VersionNumber);
    }
    node->history.push_back(
        VSSVersion{versionNumber, WallClockTime(date), user, QStringLiteral("Labeled"), label});
}

void MemoryRepository::remove(const QString &spec)
{
    Node *node = find(spec, false);
    if (!node || !node->parent)
        throw RepositoryError(QStringLiteral("%1 cannot be deleted").arg(spec));
    node->deleted = true;
}

void MemoryRepository::recover(const QString &spec)
{
    Node *node = require(spec);
    node->deleted = false;
}

void MemoryRepository::rename(const QString &spec, const QString &newName)
{
    Node *node = find(spec, false);
    if (!node || !node->parent || newName.isEmpty() || newName.contains(QLatin1Char('/')))
        throw RepositoryError(QStringLiteral("%1 cannot be renamed").arg(spec));
    node->name = newName;
}

void MemoryRepository::failOn(const QString &operation, const QString &spec)
{
    m_failures.insert(spec.isEmpty() ? operation : operation + QLatin1Char('\n') + spec);
}

void MemoryRepository::checkFailure(const QString &operation, const QString &spec) const
{
    if (m_failures.contains(operation) ||
        (!spec.isEmpty() && m_failures.contains(operation + QLatin1Char('\n') + spec)))
        throw RepositoryError(QStringLiteral("Injected failure of %1").arg(operation));
}

RepositoryFactory MemoryRepository::factory()
{
    std::weak_ptr<MemoryRepository> weak = shared_from_this();
    return [weak]() -> std::unique_ptr<VSSDatabase> {
        auto repo = weak.lock();
        if (!repo)
            throw RepositoryCreateError(QStringLiteral("The repository is gone"));
        repo->count(QStringLiteral("create"));
        try {
            repo->checkFailure(QStringLiteral("create"), QString());
        } catch (const RepositoryError &e) {
            throw RepositoryCreateError(e.description());
        }
        return std::make_unique<MemoryDatabase>(repo);
    };
}
