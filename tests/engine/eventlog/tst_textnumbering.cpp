#include "engine/eventlog/TextNumbering.h"

#include <QtTest>

class TestTextNumbering : public QObject
{
    Q_OBJECT

private slots:
    void tableNumbersEachDistinctTextOnce()
    {
        // Enough texts to grow the table several times; every text twice.
        QStringList owners;
        for (int i = 0; i < 5000; ++i)
            owners << QStringLiteral("$/Project/file%1.cpp").arg(i);
        std::vector<QStringView> texts;
        TextTable table(texts);
        for (int round = 0; round < 2; ++round)
            for (int i = 0; i < owners.size(); ++i)
                QCOMPARE(table.add(owners[i]), quint32(i));
        QCOMPARE(texts.size(), size_t(owners.size()));
        QCOMPARE(texts[4321], QStringView(owners[4321]));

        // Equal texts at different places share a number; a prefix does not.
        const QString a = QStringLiteral("Check In"), b = QStringLiteral("Check In");
        QCOMPARE(table.add(a), table.add(b));
        QVERIFY(table.add(a.left(5)) != table.add(a));
        QCOMPARE(table.add(QString()), table.add(QStringView()));
    }

    void ranksFollowPlainStringOrder()
    {
        // Long shared beginnings, differences past sixteen units, units around
        // 0xFF and surrogates, equal texts and the empty text.
        const QStringList texts = {
            QStringLiteral("$/Project/Sub/file-0000000001.cpp"),
            QStringLiteral("$/Project/Sub/file-0000000000.cpp"),
            QStringLiteral("$/Project/Sub/\x00ff"),
            QStringLiteral("$/Project/Sub/\x00ff"
                           "a"),
            QStringLiteral("$/Project/Sub/a").leftJustified(33, u'x') + u'z',
            QStringLiteral("$/Project/Sub/b").leftJustified(33, u'x') + u'a',
            QStringLiteral("$/Project/Sub/\x0100"),
            QStringLiteral("$/Project/Sub/\x0100z"),
            QStringLiteral("$/Project/Sub/\xd83d\xde00"),
            QStringLiteral("$/Project/Sub/\xffff"),
            QStringLiteral("$/Project/Sub/file-0000000001.cpp"),
            QStringLiteral("$/Project/Sub"),
            QStringLiteral("$/Project/Sub/\x00fe"),
            QString(),
        };
        size_t ranks = 0;
        // With the empty text nothing is shared; without it "$/Project/Sub" is.
        for (const QStringList &list : {texts, texts.mid(0, texts.size() - 1)}) {
            const std::vector<quint32> rank = rankTexts(
                size_t(list.size()), [&](size_t i) { return QStringView(list[qsizetype(i)]); },
                ranks);
            QCOMPARE(ranks, size_t(list.size() - 1));
            for (qsizetype i = 0; i < list.size(); ++i)
                for (qsizetype j = 0; j < list.size(); ++j)
                    QCOMPARE(int(rank[size_t(i)]) - int(rank[size_t(j)]) < 0,
                             list[i].compare(list[j]) < 0);
        }
        QVERIFY(rankTexts(
                    0, [](size_t) { return QStringView(); }, ranks)
                    .empty() &&
                ranks == 0);
    }
};

QTEST_GUILESS_MAIN(TestTextNumbering)
#include "tst_textnumbering.moc"
