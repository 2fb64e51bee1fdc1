// quorvik-vss: lists the project tree, check-outs and histories of a VSS
// database with the native reader, as the watcher sees them.
#include "VssToolCommands.h"
#include "engine/repository/vssdb/VssDbFactory.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvik-vss"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVIK_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reads a Visual SourceSafe database directly from its files.\n\n"
        "Commands:\n"
        "  tree       one line per item at and below SPEC (default $/):\n"
        "             spec, type (0 project, 1 file), version, date of the newest\n"
        "             version, IsCheckedOut, check-out users (\"-\" when none)\n"
        "  checkouts  the tree lines of the checked-out files only; with --format,\n"
        "             one line per check-out: spec, user, date, version, folder,\n"
        "             machine, comment (tsv and csv start with these names)\n"
        "  history    one line per version of SPEC: version, date, user, action, label"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("tree, checkouts or history"));
    parser.addPositionalArgument(QStringLiteral("spec"),
                                 QStringLiteral("SourceSafe path, e.g. $/Proj"),
                                 QStringLiteral("[SPEC]"));
    const QCommandLineOption ini(QStringLiteral("ini"), QStringLiteral("Path of srcsafe.ini."),
                                 QStringLiteral("PATH"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("SourceSafe user name."),
                                  QStringLiteral("NAME"));
    const QCommandLineOption password(QStringLiteral("password"),
                                      QStringLiteral("Password (default: blank)."),
                                      QStringLiteral("PW"));
    const QCommandLineOption encoding(
        QStringList{QStringLiteral("code-page"), QStringLiteral("encoding")},
        QStringLiteral("Code page of the names, e.g. 1252 or 936 (default: guessed from the "
                       "names, preferring the system's ANSI code page)."),
        QStringLiteral("CODEPAGE"));
    const QCommandLineOption format(
        QStringLiteral("format"),
        QStringLiteral("checkouts: tsv, csv (RFC 4180) or json, with every recorded field."),
        QStringLiteral("FORMAT"));
    parser.addOptions({ini, user, password, encoding, format});
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    const QStringList args = parser.positionalArguments();
    const QString command = args.value(0);
    const QString spec = args.value(1, QStringLiteral("$/"));
    if (command.isEmpty() || args.size() > 2 || !parser.isSet(ini) || !parser.isSet(user) ||
        (command == QLatin1String("history") && args.size() < 2)) {
        err << "quorvik-vss: give a command, --ini and --user (history also needs SPEC); see "
               "--help\n";
        return 2;
    }
    if (command != QLatin1String("tree") && command != QLatin1String("checkouts") &&
        command != QLatin1String("history")) {
        err << "quorvik-vss: unknown command \"" << command << "\"; see --help\n";
        return 2;
    }

    std::optional<CheckoutFormat> checkoutFormat;
    if (parser.isSet(format)) {
        checkoutFormat = CheckoutFormatNamed(parser.value(format));
        if (!checkoutFormat || command != QLatin1String("checkouts")) {
            err << "quorvik-vss: --format takes tsv, csv or json, with checkouts only; see "
                   "--help\n";
            return 2;
        }
#ifdef Q_OS_WIN
        // CSV ends its lines in CR LF itself.
        _setmode(_fileno(stdout), _O_BINARY);
#endif
    }

    try {
        VssDbOptions options;
        options.codePage = parser.value(encoding);
        options.keepReadStates = false; // each item is read once
        auto db = VssDbFactory(options)();
        db->Open(parser.value(ini), parser.value(user), parser.value(password));
        bool ok = false;
        if (command == QLatin1String("tree"))
            ok = VssToolCommands::tree(*db, spec, out, err);
        else if (checkoutFormat)
            ok = VssToolCommands::checkouts(*db, spec, *checkoutFormat, out, err);
        else if (command == QLatin1String("checkouts"))
            ok = VssToolCommands::checkouts(*db, spec, out, err);
        else
            ok = VssToolCommands::history(*db, spec, out, err);
        return ok ? 0 : 1;
    } catch (const RepositoryError &e) {
        out.flush();
        err << "quorvik-vss: " << e.description() << '\n';
        return 1;
    }
}
