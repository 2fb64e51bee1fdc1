// The whole reader: a real database is copied once into a scratch folder;
// each input replaces one of its parsed files (the first byte picks which,
// the rest is the new content), then the database is opened through the
// backend and every item of the tree is queried. The file is put back after.
#include "FuzzInput.h"
#include "FuzzScratch.h"
#include "engine/repository/vssdb/VssDbDatabase.h"

#include <QDirIterator>
#include <QRegularExpression>

#include <algorithm>

namespace {

const QString Template = QStringLiteral("tempnjayaraj-vss/4c10b8f-Database.rar");
// A damaged project can list itself: the walk stops where the reader does not.
constexpr int MaxItems = 200;
constexpr int MaxDepth = 12;

struct Database
{
    QString root;
    QStringList files; // data-relative paths of the files an input may replace
    QList<QByteArray> originals;
};

QString fixtures()
{
    const QString fromEnv = qEnvironmentVariable("QUORVIK_FIXTURES");
    return fromEnv.isEmpty() ? QStringLiteral(QUORVIK_FIXTURES) : fromEnv;
}

// Item files, project data files, names.dat and um.dat, in byte order of their
// paths (fuzz/seed.sh lists them the same way to build the seeds).
bool isParsed(const QString &relative, const QByteArray &bytes)
{
    static const QRegularExpression item(QStringLiteral("^[a-z]/[a-z]{8}$"));
    static const QRegularExpression dataFile(QStringLiteral("^[a-z]/[a-z]{8}\\.[ab]$"));
    return relative == QLatin1String("names.dat") || relative == QLatin1String("um.dat") ||
           item.match(relative).hasMatch() ||
           (dataFile.match(relative).hasMatch() && bytes.mid(4, 2) == "JP");
}

const Database &database()
{
    static const Database db = [] {
        Database made;
        made.root = FuzzScratch::dir() + QStringLiteral("/db");
        const QString from = fixtures() + QLatin1Char('/') + Template;
        QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString source = it.next();
            const QString target =
                made.root + QLatin1Char('/') + QDir(from).relativeFilePath(source);
            QDir().mkpath(QFileInfo(target).absolutePath());
            const QByteArray bytes = FuzzScratch::read(source);
            FuzzScratch::write(target, bytes);
            const QString relative = QDir(from + QStringLiteral("/data")).relativeFilePath(source);
            if (isParsed(relative, bytes))
                made.files << relative;
        }
        std::sort(made.files.begin(), made.files.end());
        for (const QString &relative : made.files)
            made.originals << FuzzScratch::read(made.root + QStringLiteral("/data/") + relative);
        if (made.files.isEmpty())
            qFatal("fuzz_database: no template database at %s", qPrintable(from));
        return made;
    }();
    return db;
}

void visit(const VSSItem &item, int depth, int &budget)
{
    using FuzzInput::consume;
    using FuzzInput::tolerateZelError;
    if (--budget < 0 || depth > MaxDepth)
        return;
    consume(item.Spec());
    tolerateZelError([&] { consume(item.IsCheckedOut()); });
    tolerateZelError([&] { consume(item.VersionNumber()); });
    tolerateZelError([&] { consume(item.Versions()); });
    tolerateZelError([&] {
        const VSSCheckouts checkouts = item.Checkouts();
        for (int i = 1; i <= checkouts.Count(); ++i)
            consume(checkouts.Item(i).Username);
    });
    tolerateZelError([&] { consume(static_cast<const VssDbItem &>(item).NewestVersionDate()); });
    tolerateZelError([&] {
        for (const VSSItemPtr &child : item.Items(true))
            visit(*child, depth + 1, budget);
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const Database &db = database();
    if (size < 1)
        return 0;
    const int role = data[0] % int(db.files.size());
    const QString path = db.root + QStringLiteral("/data/") + db.files[role];
    FuzzScratch::write(path, FuzzInput::bytes(data + 1, size - 1));

    VssDbOptions options; // code page guessed from the names, as by default
    options.projectRecheckMs = 0;
    options.readAttempts = 1;
    VssDbDatabase vss(options);
    FuzzInput::tolerateZelError([&] {
        vss.Open(db.root + QStringLiteral("/srcsafe.ini"), QStringLiteral("johns"), QString());
        int budget = MaxItems;
        visit(*vss.VSSItem(QStringLiteral("$/")), 0, budget);
        vss.VSSItem(QStringLiteral("$/esign-java-authenticator/clingBling.txt"), true);
    });

    FuzzScratch::write(path, db.originals[role]);
    return 0;
}
