// The database reader on real databases written by VSS: known answers.
#include "VssFixtures.h"

#include "engine/repository/vssdb/VssDbFactory.h"

#include <QHash>

using namespace VssFixtures;

namespace {

const QString SnapshotA = QStringLiteral("tempnjayaraj-vss/54d0818");
const QString SnapshotB = QStringLiteral("tempnjayaraj-vss/4c10b8f-Database.rar");
const QString Raul = QStringLiteral("rauls-newscaster");
const QString Inventory = QStringLiteral("shukladhaval25-Inventory-Shaili");
const QString Apress = QStringLiteral("Apress-exp-.net-delivery-using-nant-cruisecontrol.net");
const QString Chinese = QStringLiteral("chuing-Push114CRM");
const QString ClingBling = QStringLiteral("$/esign-java-authenticator/clingBling.txt");

struct Walk
{
    QStringList specs;
    QHash<int, int> checkedOut; // IsCheckedOut value -> files
    QStringList holders;
    QHash<QByteArray, QStringList> specsByPhysical;
};

void walk(const VSSItem &item, Walk &result)
{
    result.specs << item.Spec();
    if (item.Type() == VSSItem::File) {
        result.checkedOut[item.IsCheckedOut()] += 1;
        const VSSCheckouts checkouts = item.Checkouts();
        for (int i = 1; i <= checkouts.Count(); ++i)
            result.holders << checkouts.Item(i).Username;
        const auto &native = dynamic_cast<const VssDbItem &>(item);
        result.specsByPhysical[native.physicalName()] << item.Spec();
    }
    for (const VSSItemPtr &child : item.Items(false))
        walk(*child, result);
}

Walk walkAll(VssDbDatabase &db)
{
    Walk result;
    walk(*db.VSSItem(QStringLiteral("$/")), result);
    return result;
}

} // namespace

class tst_VssDbReader : public QObject
{
    Q_OBJECT

private slots:
    void openFailures_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("mentions");
        const auto row = [](const char *name, const QString &ini, const char *user,
                            const char *password, const char *mentions) {
            QTest::newRow(name) << ini << QString(user) << QString(password) << QString(mentions);
        };
        row("unknown user", ini(SnapshotA), "nobody", "", "nobody");
        row("empty user", ini(SnapshotA), "", "", "user");
        row("wrong password", ini(Raul), "Raul", "", "password");
        row("blank user given a password", ini(SnapshotA), "johns", "x", "password");
        row("missing ini", root() + "/no-such-db/srcsafe.ini", "Admin", "", "does not exist");
        row("database without srcsafe.ini", ini("ddingchen-zkysport"), "Admin", "", "srcsafe.ini");
        row("data folder instead of ini", root() + "/" + SnapshotA + "/data", "Admin", "",
            "does not exist");
    }
    void openFailures()
    {
        QFETCH(QString, ini);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, mentions);
        VssDbDatabase db(strict());
        QString said;
        try {
            db.Open(ini, user, password);
        } catch (const RepositoryOpenError &e) {
            said = e.description();
        }
        QVERIFY2(said.contains(mentions, Qt::CaseInsensitive), qPrintable(said));
        QVERIFY_THROWS_EXCEPTION(RepositoryError, db.VSSItem(QStringLiteral("$/")));
    }

    void userNamesAndPasswordsIgnoreCase()
    {
        auto db = open(ini(Raul), QStringLiteral("rAUL"), QStringLiteral("RaUl"));
        QCOMPARE(db->context()->session.userName(), QStringLiteral("Raul"));
        // Specs ignore case too and come back in the stored spelling.
        const VSSItemPtr item = db->VSSItem(QStringLiteral("$/widgie/avi_playerdlg.CPP"));
        QCOMPARE(item->Spec(), QStringLiteral("$/Widgie/AVI_PlayerDlg.cpp"));
        QCOMPARE(item->Name(), QStringLiteral("AVI_PlayerDlg.cpp"));
        QCOMPARE(item->IsCheckedOut(), 2);
        QCOMPARE(item->Versions().front().Date,
                 WallClockTime(QDate(2005, 3, 23), QTime(19, 3, 16)));
        // A project listing already read is not read again for the next lookup.
        const int listings = db->context()->tree.listingReads();
        db->VSSItem(QStringLiteral("$/Widgie/AVI_PlayerDlg.cpp"));
        QCOMPARE(db->context()->tree.listingReads(), listings);
    }

    void checkOutsAgainstTheLoggedInUser_data()
    {
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("holder");
        QTest::addColumn<QString>("other");
        QTest::addColumn<int>("items");
        QTest::newRow("rauls") << Raul << QString("Raul") << QString("Admin") << 92;
        QTest::newRow("inventory") << Inventory << QString("Dhaval") << QString("Guest") << 436;
    }
    void checkOutsAgainstTheLoggedInUser()
    {
        QFETCH(QString, database);
        QFETCH(QString, holder);
        QFETCH(QString, other);
        QFETCH(int, items);
        const Walk mine = walkAll(*open(ini(database), holder, holder.toLower()));
        QCOMPARE(mine.specs.size(), items);
        QCOMPARE(QList<int>({mine.checkedOut.value(1), mine.checkedOut.value(2)}),
                 QList<int>({0, 81}));
        QCOMPARE(mine.holders, QStringList(81, holder));
        const Walk theirs = walkAll(*open(ini(database), other));
        QCOMPARE(QList<int>({theirs.checkedOut.value(1), theirs.checkedOut.value(2)}),
                 QList<int>({81, 0}));
    }

    // The snapshot pair holds a check-out and a check-in between two polls.
    void checkInBetweenSnapshots()
    {
        const VSSItemPtr before =
            open(ini(SnapshotA), QStringLiteral("johns"))->VSSItem(ClingBling);
        const VSSItemPtr after = open(ini(SnapshotB), QStringLiteral("johns"))->VSSItem(ClingBling);
        QCOMPARE(before->Checkouts().Count(), 0); // released records do not count
        QCOMPARE(before->VersionNumber(), 3);
        QCOMPARE(after->VersionNumber(), 4);
        QCOMPARE(before->NewestVersionDate(), WallClockTime(QDate(2023, 5, 9), QTime(19, 46, 16)));
        QCOMPARE(after->NewestVersionDate(), WallClockTime(QDate(2023, 5, 12), QTime(14, 27, 1)));
        const auto now = after->Versions();
        QCOMPARE(now.size(), size_t(4));
        QCOMPARE(now[3].VersionNumber, 1);
        QCOMPARE(now[0].Username, QStringLiteral("johns"));
        QCOMPARE(now[1].Username, QStringLiteral("Johnson"));
        QCOMPARE(now[0].Action, QStringLiteral("Checked in $/esign-java-authenticator"));
        QCOMPARE(now[3].Action, QStringLiteral("Created"));
        QCOMPARE(now.front().Date, after->NewestVersionDate());
    }

    void missingSpecsRaise_data()
    {
        QTest::addColumn<QString>("spec");
        QTest::newRow("missing component") << "$/esign-java-authenticator/nope.txt";
        QTest::newRow("missing project") << "$/nope/clingBling.txt";
        QTest::newRow("file as a project") << "$/esign-java-authenticator/clingBling.txt/x";
        QTest::newRow("no root") << "esign-java-authenticator";
        QTest::newRow("empty") << "";
    }
    void missingSpecsRaise()
    {
        QFETCH(QString, spec);
        auto db = open(ini(SnapshotB), QStringLiteral("johns"));
        QVERIFY_THROWS_EXCEPTION(RepositoryError, db->VSSItem(spec));
    }

    // Labels are history entries (a deleted label has no text); the cheap
    // newest version date agrees with the one the whole history gives, also
    // where a project's newest entry is a label.
    void labelsAndNewestDates()
    {
        auto db = open(ini(Apress), QStringLiteral("Builder"), QStringLiteral("builder"));
        const auto versions =
            db->VSSItem(QStringLiteral("$/Solutions/Etomic.Library.Transformer"))->Versions();
        QCOMPARE(versions.front().VersionNumber, 28);
        QCOMPARE(versions.front().Label, QStringLiteral("NAnt - 1.0.1.0"));
        QCOMPARE(versions.front().Username, QStringLiteral("Builder"));
        int labels = 0, deletedLabels = 0;
        const Walk all = walkAll(*db);
        QCOMPARE(all.specs.size(), 152);
        for (const QString &spec : all.specs) {
            const VSSItemPtr item = db->VSSItem(spec);
            QVERIFY(item->NewestVersionDate().isValid());
            QCOMPARE(item->NewestVersionDate(), item->VSSItem::NewestVersionDate());
            if (item->Type() != VSSItem::Project)
                continue;
            for (const VSSVersion &v : item->Versions()) {
                labels += v.Action == QLatin1String("Labeled") ? 1 : 0;
                deletedLabels += v.Action == QLatin1String("Labeled") && v.Label.isEmpty();
            }
        }
        QCOMPARE(labels, 71);
        QCOMPARE(deletedLabels, 33);
        QVERIFY(versions.front().Date > versions[1].Date); // the label's date counts
        QCOMPARE(db->VSSItem(QStringLiteral("$/Solutions/Etomic.Library.Transformer"))
                     ->NewestVersionDate(),
                 versions.front().Date);
    }

    void chineseNamesAreGuessedOrGiven()
    {
        const QString project = QStringLiteral(u"$/花城CRM");
        const QString tool = QStringLiteral(u"$/花城CRM/Tools/加密解密工具.exe");
        for (const QString &codePage : {QString(), QStringLiteral("936")}) {
            auto db = open(ini(Chinese), QStringLiteral("Admin"), {}, strict(codePage));
            QCOMPARE(db->VSSItem(project)->Name(), QStringLiteral(u"花城CRM"));
            QCOMPARE(db->VSSItem(tool)->Name(), QStringLiteral(u"加密解密工具.exe"));
            QCOMPARE(walkAll(*db).specs.size(), 201);
        }
        auto western = open(ini(Chinese), QStringLiteral("Admin"), {}, strict("1252"));
        QVERIFY_THROWS_EXCEPTION(RepositoryError, western->VSSItem(project));
        // A database of plain names keeps the western default.
        QCOMPARE(open(ini(Raul), QStringLiteral("Guest"))->context()->session.codePageName(),
                 QStringLiteral("windows-1252"));
    }

    // Deleted entries are left out of listings and lookups. In this database
    // each shared file lives in one project and is deleted from the other:
    // both appearances read the same item file.
    void deletedAndSharedEntries()
    {
        auto db = open(ini(Inventory), QStringLiteral("Dhaval"), QStringLiteral("dhaval"));
        const Walk live = walkAll(*db);
        QStringList deleted;
        int shared = 0;
        for (const QString &spec : live.specs) {
            const VSSItemPtr project = db->VSSItem(spec);
            if (project->Type() != VSSItem::Project)
                continue;
            for (const VSSItemPtr &child : project->Items(true)) {
                if (live.specs.contains(child->Spec()))
                    continue;
                deleted << child->Spec();
                const auto &native = dynamic_cast<const VssDbItem &>(*child);
                const QStringList others = live.specsByPhysical.value(native.physicalName());
                if (child->Type() != VSSItem::File || others.isEmpty())
                    continue;
                ++shared;
                const VSSItemPtr other = db->VSSItem(others.front());
                QCOMPARE(child->VersionNumber(), other->VersionNumber());
                QCOMPARE(child->IsCheckedOut(), other->IsCheckedOut());
                QCOMPARE(child->Versions().front().Date, other->Versions().front().Date);
            }
        }
        QCOMPARE(deleted.size(), 67);
        QCOMPARE(shared, 13);
        for (const QString &spec : deleted) {
            QVERIFY2(!live.specs.contains(spec), qPrintable(spec));
            QVERIFY_THROWS_EXCEPTION(RepositoryError, db->VSSItem(spec));
            QCOMPARE(db->VSSItem(spec, true)->Spec(), spec);
        }
    }
};

QTEST_GUILESS_MAIN(tst_VssDbReader)
#include "tst_vssdbreader.moc"
