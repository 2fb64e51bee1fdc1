#pragma once

// Shared by the benchmarks: arguments and generated databases.
#include "VssGenPopulate.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace BenchSupport {

// The shortest of `runs` timed runs, in milliseconds.
inline double bestMs(int runs, const std::function<void()> &run)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        run();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

inline int argOr(const QStringList &args, int index, int fallback)
{
    return args.size() > index ? args[index].toInt() : fallback;
}

// The list lengths to measure, from the variable `name` or `fallback`
// ("1000,10000"), shortest first.
inline std::vector<int> sizes(const char *name, const char *fallback)
{
    std::vector<int> out;
    for (const QString &n :
         qEnvironmentVariable(name, QLatin1String(fallback)).split(QLatin1Char(',')))
        out.push_back(n.toInt());
    std::sort(out.begin(), out.end());
    return out;
}

// The database the whole-watcher benchmarks watch: `files` files with
// histories of 20 versions, 4 levels deep, 250 files a project.
inline VssGenPopulate::Options watchedDatabase(int files)
{
    VssGenPopulate::Options o;
    o.files = files;
    o.history = 20;
    o.depth = 4;
    o.projects = std::max(4, files / 250);
    return o;
}

// The large database of the tools' benchmarks from the arguments [files
// [projects [history [depth]]]]: by default 99,000 files with 20 versions in
// 1,000 projects, 4 deep (100,000 items with the root).
inline VssGenPopulate::Options largeDatabase(const QStringList &args)
{
    VssGenPopulate::Options o;
    o.files = argOr(args, 1, 99000);
    o.projects = argOr(args, 2, 1000);
    o.history = argOr(args, 3, 20);
    o.depth = argOr(args, 4, 4);
    return o;
}

// A vssgen database for `o`, generated once and kept in the temporary
// folder between runs, keyed by `name` and the parameters; `specs`
// receives its files. `prepare` changes a new database before it is kept.
inline QString
database(const QString &name, const VssGenPopulate::Options &o, QStringList &specs,
         const std::function<void(const QString &dir, const QStringList &specs)> &prepare = {})
{
    const QString dir = QDir::tempPath() + QStringLiteral("/quorvik-bench-%1-%2-%3-%4-%5-v1")
                                               .arg(name)
                                               .arg(o.files)
                                               .arg(o.history)
                                               .arg(o.projects)
                                               .arg(o.depth);
    const QString done = dir + QStringLiteral("/specs.txt");
    QFile list(done);
    if (list.open(QIODevice::ReadOnly)) {
        specs = QString::fromUtf8(list.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return dir;
    }
    QDir(dir).removeRecursively();
    QElapsedTimer t;
    t.start();
    specs = VssGenPopulate::populate(dir, o);
    if (prepare)
        prepare(dir, specs);
    std::printf("generate_ms=%lld\n", t.elapsed());
    if (!list.open(QIODevice::WriteOnly) || list.write(specs.join('\n').toUtf8()) < 0)
        std::fprintf(stderr, "cannot write %s\n", qPrintable(done));
    return dir;
}

} // namespace BenchSupport
