#include "EwcList.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestEwcList : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString folder() const { return m_dir.path() + QLatin1Char('/'); }

private slots:
    void initTestCase()
    {
        QFile f(folder() + QStringLiteral("ewc.lst"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("02 01 01\tMos\xC3\xA1sb\xC3\xB3l \xC3\xA9s tiszt\xC3\xADt\xC3\xA1sb\xC3\xB3l sz\xC3\xA1rmaz\xC3\xB3 iszapok\r\n"
                "02 01 02=\xC3\x81llati eredet\xC5\xB1 hullad\xC3\xA9k\r\n"
                "17 01 01\tBeton\r\n"
                "20 01 01\tPAP\xC3\x8DR \xC3\x89S KARTON 02 01\r\n");
    }

    void search_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("codes");
        QTest::newRow("code part, also in a description") << "02 01"
                                                          << QStringList{"02 01 01", "02 01 02", "20 01 01"};
        QTest::newRow("lower case finds upper case ascii") << "beton" << QStringList{"17 01 01"};
        QTest::newRow("accented lower case does not find upper case") << "papír" << QStringList{};
        QTest::newRow("accented exact case") << "PAPÍR" << QStringList{"20 01 01"};
        QTest::newRow("equals sign separator") << "llati eredet" << QStringList{"02 01 02"};
        QTest::newRow("no match") << "xyz" << QStringList{};
    }
    void search()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, codes);
        const auto result = EwcList::search(folder(), text);
        QVERIFY(std::holds_alternative<QList<EwcList::Entry>>(result));
        QStringList found;
        for (const EwcList::Entry &e : std::get<QList<EwcList::Entry>>(result))
            found.append(e.code);
        QCOMPARE(found, codes);
    }

    void descriptionFollowsTheFirstSeparator()
    {
        const auto result = EwcList::search(folder(), QStringLiteral("17 01"));
        const auto &list = std::get<QList<EwcList::Entry>>(result);
        QCOMPARE(list, (QList<EwcList::Entry>{{QStringLiteral("17 01 01"), QStringLiteral("Beton")}}));
    }

    void refusals()
    {
        auto r = EwcList::search(folder(), QString());
        QCOMPARE(std::get<Refusal>(r).message,
                 QStringLiteral("Írja be a keresendő részletet, majd nyomja le az ENTER billentyűt."));
        QTemporaryDir empty;
        r = EwcList::search(empty.path() + QLatin1Char('/'), QStringLiteral("02"));
        QCOMPARE(std::get<Refusal>(r).message, QStringLiteral("Hiányzik a listát tartalmazó fájl."));
    }
};

QTEST_GUILESS_MAIN(TestEwcList)
#include "tst_ewclist.moc"
