#include "VssDbFactory.h"

#include "VssDbDatabase.h"

RepositoryFactory VssDbFactory(const QString &codePage)
{
    VssDbOptions options;
    options.codePage = codePage;
    return VssDbFactory(options);
}

RepositoryFactory VssDbFactory(const VssDbOptions &options)
{
    return [options]() -> std::unique_ptr<VSSDatabase> {
        return std::make_unique<VssDbDatabase>(options);
    };
}
