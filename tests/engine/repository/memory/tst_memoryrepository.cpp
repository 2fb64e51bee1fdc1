#include "engine/repository/memory/MemoryRepository.h"

#include <QtTest>

// The scripting the tests and the demo rely on behaves as a VSS database does.
class TestMemoryRepository : public QObject
{
    Q_OBJECT

    std::shared_ptr<MemoryRepository> repo = MemoryRepository::create();
    const QDateTime t0{QDate(2026, 1, 1), QTime(8, 0)};

    std::unique_ptr<VSSDatabase> open(const QString &user)
    {
        auto db = repo->factory()();
        db->Open("ini", user, "");
        return db;
    }

private slots:
    void init()
    {
        repo = MemoryRepository::create();
        repo->addUser("me");
        repo->addUser("Dora");
        repo->addProject("$/P", t0);
        repo->addFile("$/P/a.txt", "me", t0);
    }

    void checkOutStatesAndUsers()
    {
        auto db = open("ME"); // user names are case-insensitive
        VSSItemPtr item = db->VSSItem("$/p/A.TXT");
        QCOMPARE(item->Spec(), QString("$/P/a.txt"));
        QCOMPARE(item->IsCheckedOut(), 0);
        repo->checkOut("$/P/a.txt", "Dora", false);
        repo->checkOut("$/P/a.txt", "me", false);
        QCOMPARE(item->IsCheckedOut(), 2); // live: the same object sees the change
        QCOMPARE(item->Checkouts().Count(), 2);
        QCOMPARE(item->Checkouts().Item(2).Username, QString("me"));
        QVERIFY_THROWS_EXCEPTION(RepositoryError, item->Checkouts().Item(3));
        QVERIFY_THROWS_EXCEPTION(RepositoryError, repo->checkOut("$/P/a.txt", "x", true));
        repo->undoCheckOut("$/P/a.txt", "me");
        QCOMPARE(item->IsCheckedOut(), 1);
    }

    void checkInAndLabelWriteHistoryNewestFirst()
    {
        auto db = open("me");
        repo->checkOut("$/P/a.txt", "Dora");
        repo->checkIn("$/P/a.txt", "Dora", t0.addSecs(60));
        repo->label("$/P/a.txt", "v1", t0.addSecs(120));
        VSSItemPtr item = db->VSSItem("$/P/a.txt");
        QCOMPARE(item->VersionNumber(), 2);
        QCOMPARE(item->IsCheckedOut(), 0);
        const auto versions = item->Versions();
        QCOMPARE(int(versions.size()), 3);
        QCOMPARE(versions[0].Label, QString("v1"));
        QCOMPARE(versions[0].VersionNumber, 2);
        QCOMPARE(versions[1].Date, t0.addSecs(60));
        QCOMPARE(versions[2].VersionNumber, 1);
    }

    void deleteRecoverRenameAndItems()
    {
        auto db = open("me");
        repo->addFile("$/P/b.txt", "me", t0);
        repo->remove("$/P/a.txt");
        QVERIFY_THROWS_EXCEPTION(RepositoryError, db->VSSItem("$/P/a.txt"));
        QCOMPARE(int(db->VSSItem("$/P")->Items().size()), 1);
        QCOMPARE(int(db->VSSItem("$/P")->Items(true).size()), 2);
        repo->recover("$/P/a.txt");
        repo->rename("$/P/a.txt", "c.txt");
        QCOMPARE(db->VSSItem("$/P/c.txt")->Name(), QString("c.txt"));
        QVERIFY_THROWS_EXCEPTION(RepositoryError, db->VSSItem("$/P/c.txt/x"));
    }

    void failuresOnDemandAndCallCounts()
    {
        repo->setIniPath("ini");
        QVERIFY_THROWS_EXCEPTION(RepositoryOpenError, repo->factory()()->Open("other", "me", ""));
        repo->failOn("create");
        QVERIFY_THROWS_EXCEPTION(RepositoryCreateError, repo->factory()());
        repo->clearFailures();
        auto db = open("me");
        repo->failOn("VSSItem", "$/P/a.txt");
        QVERIFY_THROWS_EXCEPTION(RepositoryError, db->VSSItem("$/P/a.txt"));
        QVERIFY(db->VSSItem("$/P"));
        QCOMPARE(repo->calls("VSSItem"), 2);
        repo->resetCalls();
        QCOMPARE(repo->calls("VSSItem"), 0);
    }
};

QTEST_GUILESS_MAIN(TestMemoryRepository)
#include "tst_memoryrepository.moc"
