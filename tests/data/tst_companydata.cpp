#include "CompanyData.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestCompanyData : public QObject
{
    Q_OBJECT

private slots:
    void missingFileFlow()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + QLatin1Char('/');
        const CompanyData::StartupLoad first = CompanyData::loadAtStartup(folder);
        QCOMPARE(first.message, QStringLiteral("Állítsa be a \"Saját Cég\" adatait !"));
        QCOMPARE(first.lines, QStringList{QStringLiteral("Nem beállított !")});
        QVERIFY(!first.saveFailed);
        QFile f(folder + QStringLiteral("sajatceg.txt"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("Nem be\xC3\xA1ll\xC3\xADtott !\r\n"));
        // The next start finds the file and says nothing.
        const CompanyData::StartupLoad second = CompanyData::loadAtStartup(folder);
        QCOMPARE(second.message, QString());
        QCOMPARE(second.lines, first.lines);
    }

    void readsEitherEncoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("windows-1250 from an older installation")
            << QByteArray("Gabonaipari Kft.\r\n6720 Szeged, F\xF5 utca 1.\r\n")
            << QStringList{QStringLiteral("Gabonaipari Kft."), QStringLiteral("6720 Szeged, Fő utca 1.")};
        QTest::newRow("utf-8, blank line kept")
            << QByteArray("Kft.\r\n\r\nT\xC3\xA1rol\xC3\xB3\r\n")
            << QStringList{QStringLiteral("Kft."), QString(), QStringLiteral("Tároló")};
        QTest::newRow("no final line break") << QByteArray("Egy sor") << QStringList{QStringLiteral("Egy sor")};
        QTest::newRow("byte-order mark twice")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFKft.\r\n") << QStringList{QStringLiteral("Kft.")};
    }
    void readsEitherEncoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QTemporaryDir dir;
        const QString folder = dir.path() + QLatin1Char('/');
        QFile f(folder + QStringLiteral("sajatceg.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        QCOMPARE(CompanyData::load(folder), std::optional<QStringList>(lines));
        QVERIFY(CompanyData::save(folder, lines));
        QCOMPARE(CompanyData::load(folder), std::optional<QStringList>(lines));
    }

    void saveIntoMissingFolderFails()
    {
        QTemporaryDir dir;
        QVERIFY(!CompanyData::save(dir.filePath(QStringLiteral("nope/")), {QStringLiteral("x")}));
        const CompanyData::StartupLoad load = CompanyData::loadAtStartup(dir.filePath(QStringLiteral("nope/")));
        QVERIFY(load.saveFailed);
        QCOMPARE(load.lines, QStringList{QStringLiteral("Nem beállított !")});
    }
};

QTEST_GUILESS_MAIN(TestCompanyData)
#include "tst_companydata.moc"
