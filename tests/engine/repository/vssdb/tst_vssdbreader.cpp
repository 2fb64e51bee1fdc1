// The database reader on real databases written by VSS: known answers.
#include "VssFixtures.h"

#include "support/TestFiles.h"

#include "engine/repository/vssdb/VssDbFactory.h"
#include "engine/repository/vssdb/VssItemRead.h"
#include "engine/repository/vssdb/VssLayout.h"

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
    int checkedOut[3] = {}; // files by IsCheckedOut value
    QStringList holders;
    QHash<QByteArray, QStringList> specsByPhysical;
};

Walk walkAll(VssDbDatabase &db)
{
    Walk result;
    collect(*db.VSSItem(QStringLiteral("$/")), result.specs);
    for (const QString &spec : result.specs) {
        const VSSItemPtr item = db.VSSItem(spec);
        if (item->Type() != VSSItem::File)
            continue;
        ++result.checkedOut[item->IsCheckedOut()];
        for (int i = 1; i <= item->Checkouts().Count(); ++i)
            result.holders << item->Checkouts().Item(i).Username;
        result.specsByPhysical[dynamic_cast<const VssDbItem &>(*item).physicalName()] << spec;
    }
    return result;
}

} // namespace

class tst_VssDbReader : public QObject
{
    Q_OBJECT

private slots:
    // Each row: ini, user, password, and a word the refusal mentions.
    void openFailures()
    {
        using Row = std::tuple<QString, const char *, const char *, const char *>;
        const QString a = ini(SnapshotA), none = root() + "/no-such-db/srcsafe.ini";
        for (const auto &[path, user, password, mentions] :
             {Row{a, "nobody", "", "nobody"}, Row{a, "", "", "user"},
              Row{ini(Raul), "Raul", "", "password"}, Row{a, "johns", "x", "password"},
              Row{none, "Admin", "", "does not exist"},
              Row{ini("ddingchen-zkysport"), "Admin", "", "srcsafe.ini"},
              Row{root() + "/" + SnapshotA + "/data", "Admin", "", "is not a regular file"}}) {
            VssDbDatabase db(strict());
            QString said;
            try {
                db.Open(path, user, password);
            } catch (const RepositoryOpenError &e) {
                said = e.description();
            }
            QVERIFY2(said.contains(mentions, Qt::CaseInsensitive), qPrintable(said));
            QVERIFY_THROWS_EXCEPTION(RepositoryError, db.VSSItem(QStringLiteral("$/")));
        }
    }

    void userNamesAndPasswordsIgnoreCase()
    {
        auto db = open(ini(Raul), QStringLiteral("rAUL"), QStringLiteral("RaUl"));
        QCOMPARE(db->context()->session.userName(), QStringLiteral("Raul"));
        // Specs ignore case too and come back in the stored spelling.
        const VSSItemPtr item = db->VSSItem(QStringLiteral("$/widgie/avi_playerdlg.CPP"));
        QCOMPARE(item->Spec() + '|' + item->Name(), "$/Widgie/AVI_PlayerDlg.cpp|AVI_PlayerDlg.cpp");
        QCOMPARE(item->IsCheckedOut(), 2);
        QCOMPARE(item->Versions().front().Date,
                 WallClockTime(QDate(2005, 3, 23), QTime(19, 3, 16)));
        // A project listing already read is not read again for the next lookup.
        const int listings = db->context()->tree.listingReads();
        db->VSSItem(QStringLiteral("$/Widgie/AVI_PlayerDlg.cpp"));
        QCOMPARE(db->context()->tree.listingReads(), listings);
    }

    // Each database holds 81 check-outs by one user: 2 to the holder, 1 to another.
    void checkOutsAgainstTheLoggedInUser()
    {
        for (const auto &[database, holder, other, items] :
             {std::tuple{Raul, "Raul", "Admin", 92}, {Inventory, "Dhaval", "Guest", 436}}) {
            const Walk mine = walkAll(*open(ini(database), holder, QString(holder).toLower()));
            QCOMPARE(mine.specs.size(), items);
            QVERIFY(mine.checkedOut[1] == 0 && mine.checkedOut[2] == 81);
            QCOMPARE(mine.holders, QStringList(81, holder));
            const Walk theirs = walkAll(*open(ini(database), other));
            QVERIFY(theirs.checkedOut[1] == 81 && theirs.checkedOut[2] == 0);
        }
    }

    // The snapshot pair holds a check-out and a check-in between two polls.
    void checkInBetweenSnapshots()
    {
        const VSSItemPtr before =
            open(ini(SnapshotA), QStringLiteral("johns"))->VSSItem(ClingBling);
        const VSSItemPtr after = open(ini(SnapshotB), QStringLiteral("johns"))->VSSItem(ClingBling);
        QCOMPARE(before->Checkouts().Count(), 0); // released records do not count
        QVERIFY(before->VersionNumber() == 3 && after->VersionNumber() == 4);
        QCOMPARE(before->NewestVersionDate(), WallClockTime(QDate(2023, 5, 9), QTime(19, 46, 16)));
        QCOMPARE(after->NewestVersionDate(), WallClockTime(QDate(2023, 5, 12), QTime(14, 27, 1)));
        const auto now = after->Versions();
        QVERIFY(now.size() == 4 && now[3].VersionNumber == 1 &&
                now[0].Date == after->NewestVersionDate());
        QCOMPARE(now[0].Username + now[1].Username, "johnsJohnson");
        QCOMPARE(now[0].Action + '|' + now[3].Action,
                 "Checked in $/esign-java-authenticator|Created");
    }

    void missingSpecsRaise()
    {
        auto db = open(ini(SnapshotB), QStringLiteral("johns"));
        for (const char *spec :
             {"$/esign-java-authenticator/nope.txt", "$/nope/clingBling.txt",
              "$/esign-java-authenticator/clingBling.txt/x", "esign-java-authenticator", ""})
            QVERIFY_THROWS_EXCEPTION(RepositoryError, db->VSSItem(spec));
    }

    // Labels are history entries (a deleted label has no text); the cheap
    // newest version date agrees with the one the whole history gives, also
    // where a project's newest entry is a label.
    void labelsAndNewestDates()
    {
        auto db = open(ini(Apress), QStringLiteral("Builder"), QStringLiteral("builder"));
        const VSSItemPtr transformer = db->VSSItem("$/Solutions/Etomic.Library.Transformer");
        const auto versions = transformer->Versions();
        QCOMPARE(versions.front().VersionNumber, 28);
        QCOMPARE(versions.front().Label + versions.front().Username, "NAnt - 1.0.1.0Builder");
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
        QVERIFY(labels == 71 && deletedLabels == 33);
        QVERIFY(versions.front().Date > versions[1].Date); // the label's date counts
        QCOMPARE(transformer->NewestVersionDate(), versions.front().Date);
    }

    // What a start reads of a settled file, its header alone, agrees with
    // the records in every real database: the newest version's number and
    // time the header repeats, the live check-outs right after it.
    void headersRepeatTheirNewestRecord()
    {
        int files = 0;
        for (QDirIterator it(root(), {"????????"}, QDir::Files, QDirIterator::Subdirectories);
             it.hasNext();) {
            const QByteArray whole = TestFiles::read(it.next());
            const QByteArray first = whole.left(VssItemRead::headSize(-1));
            VssItemState full, head;
            if (!VssItemFile::parseState(VssBytes(whole), full).isEmpty() ||
                full.header.type != VssLayout::DiskFile)
                continue;
            QCOMPARE(VssItemFile::parseHeadState(VssBytes(first), whole.size(), head), QString());
            QVERIFY(head.newest.version == full.newest.version &&
                    head.newest.time == full.newest.time &&
                    head.checkouts.size() == full.checkouts.size());
            ++files;
        }
        QCOMPARE(files, 851);
    }

    void chineseNamesAreGuessedOrGiven()
    {
        const QString project = QStringLiteral(u"$/花城CRM");
        const QString tool = QStringLiteral(u"$/花城CRM/Tools/加密解密工具.exe");
        for (const QString &codePage : {QString(), QStringLiteral("936")}) {
            auto db = open(ini(Chinese), QStringLiteral("Admin"), {}, strict(codePage));
            QCOMPARE(db->VSSItem(project)->Name() + db->VSSItem(tool)->Name(),
                     QStringLiteral(u"花城CRM加密解密工具.exe"));
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
                QVERIFY(child->VersionNumber() == other->VersionNumber() &&
                        child->IsCheckedOut() == other->IsCheckedOut());
                QCOMPARE(child->Versions().front().Date, other->Versions().front().Date);
            }
        }
        QVERIFY(deleted.size() == 67 && shared == 13);
        for (const QString &spec : deleted) {
            QVERIFY2(!live.specs.contains(spec), qPrintable(spec));
            QVERIFY_THROWS_EXCEPTION(RepositoryError, db->VSSItem(spec));
            QCOMPARE(db->VSSItem(spec, true)->Spec(), spec);
        }
    }
};

QTEST_GUILESS_MAIN(tst_VssDbReader)
#include "tst_vssdbreader.moc"
