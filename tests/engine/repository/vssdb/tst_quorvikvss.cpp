// The quorvik-vss command-line tool on a real database.
#include "VssFixtures.h"

#include <QProcess>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(QUORVIK_BIN_DIR "/quorvik-vss"), arguments);
    Run result;
    if (!process.waitForFinished(30000))
        return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    // Lines end in CR LF on Windows.
    result.out = QString::fromUtf8(process.readAllStandardOutput()).replace("\r\n", "\n");
    result.err = QString::fromUtf8(process.readAllStandardError()).replace("\r\n", "\n");
    return result;
}

QStringList database(const QString &name, const QString &user, const QString &password = {})
{
    QStringList args{QStringLiteral("--ini"), VssFixtures::ini(name), QStringLiteral("--user"),
                     user};
    if (!password.isEmpty())
        args << QStringLiteral("--password") << password;
    return args;
}

const QString SnapshotB = QStringLiteral("tempnjayaraj-vss/4c10b8f-Database.rar");

} // namespace

class tst_QuorvikVss : public QObject
{
    Q_OBJECT

private slots:
    void treeListsEveryItem()
    {
        const Run r = run(QStringList{"tree"} + database(SnapshotB, "johns"));
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QString());
        const QStringList expected{
            "$/\t0\t2\t2023-05-05 11:26:47\t0\t-",
            "$/esign-java-authenticator\t0\t5\t2023-05-12 14:28:33\t0\t-",
            "$/esign-java-authenticator/clingBling.txt\t1\t4\t2023-05-12 14:27:01\t0\t-",
            "$/esign-java-authenticator/Le.txt\t1\t2\t2023-05-05 11:34:15\t0\t-",
            "$/esign-java-authenticator/Sample\t0\t2\t2023-05-12 14:29:00\t0\t-",
            "$/esign-java-authenticator/Sample/New Text Document.txt\t1\t2\t2023-05-12 "
            "14:30:07\t0\t-",
            "$/esign-java-authenticator/SN Activities or Meetings until now.pdf\t1\t1\t2023-05-12 "
            "14:27:30\t0\t-"};
        QCOMPARE(r.out.split('\n', Qt::SkipEmptyParts), expected);
    }

    void historyAndSubtree()
    {
        const QString spec = QStringLiteral("$/esign-java-authenticator/clingBling.txt");
        const Run history = run(QStringList{"history"} + database(SnapshotB, "johns") << spec);
        QCOMPARE(history.exitCode, 0);
        const QStringList lines = history.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.front(),
                 "4\t2023-05-12 14:27:01\tjohns\tChecked in $/esign-java-authenticator\t");

        const Run tree = run(QStringList{"tree"} + database(SnapshotB, "johns") << spec);
        QCOMPARE(tree.out.count('\n'), 1);
    }

    void checkoutsAndChineseNames()
    {
        const Run held =
            run(QStringList{"checkouts"} + database("rauls-newscaster", "Raul", "raul") +
                QStringList{"--encoding", "1252"});
        QCOMPARE(held.exitCode, 0);
        const QStringList lines = held.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 81);
        for (const QString &line : lines)
            QVERIFY2(line.endsWith("\t2\tRaul"), qPrintable(line));

        const Run chinese = run(QStringList{"tree"} + database("chuing-Push114CRM", "Admin") +
                                QStringList{QStringLiteral(u"$/花城CRM/Tools")});
        QCOMPARE(chinese.exitCode, 0);
        QVERIFY(chinese.out.contains(QStringLiteral(u"$/花城CRM/Tools/加密解密工具.exe\t1\t1\t")));
    }

    void errorsGoToStandardError_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("wrong password")
            << QStringList{"tree"} + database(SnapshotB, "johns", "x") << "Wrong password";
        QTest::newRow("missing spec")
            << QStringList{"tree"} + database(SnapshotB, "johns") + QStringList{"$/nope"}
            << "does not exist";
        QTest::newRow("missing ini")
            << QStringList{"tree", "--ini", "/no/srcsafe.ini", "--user", "x"} << "does not exist";
        QTest::newRow("no command") << database(SnapshotB, "johns") << "--help";
        QTest::newRow("history without spec")
            << QStringList{"history"} + database(SnapshotB, "johns") << "--help";
    }
    void errorsGoToStandardError()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const Run r = run(arguments);
        QVERIFY(r.exitCode > 0);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QCOMPARE(r.out, QString());
    }
};

QTEST_GUILESS_MAIN(tst_QuorvikVss)
#include "tst_quorvikvss.moc"
