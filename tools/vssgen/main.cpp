// vssgen: writes VSS databases for tests, benchmarks and the demo.
#include "VssGenPopulate.h"
#include "VssWriter.h"
#include "engine/WallClock.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace {

const char Usage[] =
    "usage: vssgen COMMAND DIR [ARGS] [OPTIONS]\n"
    "  create DIR --user NAME[:PASSWORD] ... [--multiple-checkouts]\n"
    "                                              new database (Admin is always added)\n"
    "  add-project DIR SPEC --user U\n"
    "  add-file DIR SPEC --user U [--binary] [--content TEXT | --content-file PATH]\n"
    "  checkout DIR SPEC --user U [--shared] [--folder F] [--machine M]\n"
    "  checkin DIR SPEC --user U [--content TEXT | --content-file PATH]\n"
    "  undo DIR SPEC --user U\n"
    "  label DIR SPEC LABEL --user U\n"
    "  delete DIR SPEC --user U\n"
    "  rename DIR SPEC NEWNAME --user U\n"
    "  share DIR SPEC PROJECT --user U\n"
    "  pin DIR SPEC VERSION --user U               VERSION 0 unpins\n"
    "  populate DIR --projects N --files M --history K [--depth D] [--user U[:P]] [--list]\n"
    "options for every change: --comment TEXT, --time yyyy-MM-ddTHH:mm:ss (wall-clock time)\n";

// The command line: positional words and --name [value] options.
struct Arguments
{
    QStringList words;
    QMultiHash<QString, QString> values;
    QSet<QString> flags;

    QString value(const QString &name, const QString &fallback = {}) const
    {
        return values.contains(name) ? values.value(name) : fallback;
    }
    int number(const QString &name, int fallback) const
    {
        bool ok = true;
        const int n = values.contains(name) ? values.value(name).toInt(&ok) : fallback;
        if (!ok)
            throw VssGenError(QStringLiteral("--%1 needs a number").arg(name));
        return n;
    }
};

Arguments parse(const QStringList &args)
{
    static const QSet<QString> flagNames = {QStringLiteral("shared"), QStringLiteral("binary"),
                                            QStringLiteral("list"),
                                            QStringLiteral("multiple-checkouts")};
    Arguments a;
    for (int i = 0; i < args.size(); ++i) {
        if (!args[i].startsWith(QLatin1String("--"))) {
            a.words << args[i];
            continue;
        }
        const QString name = args[i].mid(2);
        if (flagNames.contains(name)) {
            a.flags.insert(name);
        } else {
            if (i + 1 >= args.size())
                throw VssGenError(QStringLiteral("--%1 needs a value").arg(name));
            a.values.insert(name, args[++i]);
        }
    }
    return a;
}

VssWriter::User userOf(const QString &text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    return colon < 0 ? VssWriter::User{text, {}}
                     : VssWriter::User{text.left(colon), text.mid(colon + 1)};
}

void need(const Arguments &a, int words)
{
    if (a.words.size() != words)
        throw VssGenError(QStringLiteral("wrong number of arguments\n") + QLatin1String(Usage));
}

QByteArray contentOf(const Arguments &a, bool *given = nullptr)
{
    if (given)
        *given = a.values.contains(QStringLiteral("content")) ||
                 a.values.contains(QStringLiteral("content-file"));
    if (a.values.contains(QStringLiteral("content-file"))) {
        QFile file(a.value(QStringLiteral("content-file")));
        if (!file.open(QIODevice::ReadOnly))
            throw VssGenError(QStringLiteral("cannot read %1").arg(file.fileName()));
        return file.readAll();
    }
    return a.value(QStringLiteral("content")).toLocal8Bit();
}

int run(const QStringList &args)
{
    const Arguments a = parse(args);
    if (a.words.size() < 2)
        throw VssGenError(QLatin1String(Usage));
    const QString command = a.words[0];
    const QString dir = a.words[1];
    if (command == QLatin1String("create")) {
        need(a, 2);
        QList<VssWriter::User> users;
        for (const QString &u : a.values.values(QStringLiteral("user")))
            users.prepend(userOf(u));
        VssWriter::create(dir, users, QDateTime::currentDateTime(),
                          a.flags.contains(QStringLiteral("multiple-checkouts")));
        return 0;
    }
    if (command == QLatin1String("populate")) {
        need(a, 2);
        VssGenPopulate::Options o;
        o.projects = a.number(QStringLiteral("projects"), o.projects);
        o.files = a.number(QStringLiteral("files"), o.files);
        o.history = a.number(QStringLiteral("history"), o.history);
        o.depth = a.number(QStringLiteral("depth"), o.depth);
        const VssWriter::User u = userOf(a.value(QStringLiteral("user"), o.user));
        o.user = u.name;
        o.password = u.password;
        const QStringList specs = VssGenPopulate::populate(dir, o);
        if (a.flags.contains(QStringLiteral("list")))
            QTextStream(stdout) << specs.join(QLatin1Char('\n')) << '\n';
        return 0;
    }
    if (a.words.size() < 3)
        throw VssGenError(QLatin1String(Usage));
    const QString spec = a.words[2];
    VssWriter::Stamp stamp;
    stamp.user = a.value(QStringLiteral("user"), QStringLiteral("Admin"));
    stamp.comment = a.value(QStringLiteral("comment"));
    if (a.values.contains(QStringLiteral("time"))) {
        // Taken as wall-clock fields: a time in a daylight-saving gap is valid too.
        const QStringList parts = a.value(QStringLiteral("time")).split(QLatin1Char('T'));
        const QDate date = QDate::fromString(parts.value(0), QStringLiteral("yyyy-MM-dd"));
        const QTime time = QTime::fromString(parts.value(1), QStringLiteral("HH:mm:ss"));
        stamp.when = WallClockTime(date, time);
        if (parts.size() != 2 || !date.isValid() || !time.isValid())
            throw VssGenError(QStringLiteral("--time needs yyyy-MM-ddTHH:mm:ss"));
    }
    VssWriter writer(dir);
    if (command == QLatin1String("add-project")) {
        need(a, 3);
        writer.addProject(spec, stamp);
    } else if (command == QLatin1String("add-file")) {
        need(a, 3);
        writer.addFile(spec, stamp, contentOf(a), a.flags.contains(QStringLiteral("binary")));
    } else if (command == QLatin1String("checkout")) {
        need(a, 3);
        writer.checkout(spec, stamp, !a.flags.contains(QStringLiteral("shared")),
                        a.value(QStringLiteral("folder"), QStringLiteral("C:\\work")),
                        a.value(QStringLiteral("machine"), QStringLiteral("VSSGEN")));
    } else if (command == QLatin1String("checkin")) {
        need(a, 3);
        bool given = false;
        const QByteArray content = contentOf(a, &given);
        writer.checkin(spec, stamp, given ? &content : nullptr);
    } else if (command == QLatin1String("undo")) {
        need(a, 3);
        writer.undoCheckout(spec, stamp);
    } else if (command == QLatin1String("label")) {
        need(a, 4);
        writer.label(spec, a.words[3], stamp);
    } else if (command == QLatin1String("delete")) {
        need(a, 3);
        writer.remove(spec, stamp);
    } else if (command == QLatin1String("rename")) {
        need(a, 4);
        writer.rename(spec, a.words[3], stamp);
    } else if (command == QLatin1String("share")) {
        need(a, 4);
        writer.share(spec, a.words[3], stamp);
    } else if (command == QLatin1String("pin")) {
        need(a, 4);
        bool ok = false;
        const int version = a.words[3].toInt(&ok);
        if (!ok)
            throw VssGenError(QStringLiteral("pin needs a version number"));
        writer.pin(spec, version, stamp);
    } else {
        throw VssGenError(QStringLiteral("unknown command \"%1\"\n").arg(command) +
                          QLatin1String(Usage));
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        std::fputs(Usage, stdout);
        return 0;
    }
    try {
        return run(args);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "vssgen: %s\n", e.what());
        return 1;
    }
}
