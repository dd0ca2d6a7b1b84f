#include "Seged.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestSeged : public QObject
{
    Q_OBJECT

private slots:
    void kodolVectors_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QString>("coded");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("one byte gives two characters") << QByteArray("a") << QStringLiteral("OG");
        QTest::newRow("three bytes give four") << QByteArray("abc") << QStringLiteral("OM9Z");
        QTest::newRow("six bytes give eight") << QByteArray("kovbe7") << QStringLiteral("QszsOcKt");
        QTest::newRow("all bits set") << QByteArray("\xFF\xFF\xFF") << QStringLiteral("////");
        QTest::newRow("zero bytes") << QByteArray("\0\0", 2) << QStringLiteral("000");
        QTest::newRow("high bytes") << QByteArray("\xE9\x01") << QStringLiteral("wG4");
    }
    void kodolVectors()
    {
        QFETCH(QByteArray, plain);
        QFETCH(QString, coded);
        QCOMPARE(kodol(plain), coded);
        QCOMPARE(dekodol(coded), plain);
    }

    void kodolLengthIsCeilingOfEightNOverSix()
    {
        for (int n = 0; n <= 20; ++n) {
            const QByteArray bytes(n, '\x5A');
            QCOMPARE(kodol(bytes).size(), (8 * n + 5) / 6);
            QCOMPARE(dekodol(kodol(bytes)), bytes);
        }
    }

    void dekodolStopsAtForeignCharacter_data()
    {
        QTest::addColumn<QString>("coded");
        QTest::addColumn<QByteArray>("plain");
        QTest::newRow("space after a full group") << QStringLiteral("OM9Z OM9Z") << QByteArray("abc");
        QTest::newRow("equals sign padding") << QStringLiteral("OG==") << QByteArray("a");
        QTest::newRow("foreign first") << QStringLiteral("=OM9Z") << QByteArray();
        QTest::newRow("mid-group") << QStringLiteral("OM9=Z") << QByteArray("ab");
        QTest::newRow("accented letter") << QStringLiteral("OMé9Z") << QByteArray("a");
    }
    void dekodolStopsAtForeignCharacter()
    {
        QFETCH(QString, coded);
        QFETCH(QByteArray, plain);
        QCOMPARE(dekodol(coded), plain);
    }

    void ertekszoveg_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("null") << QVariant() << QString();
        QTest::newRow("typed null") << QVariant(QMetaType::fromType<QString>()) << QString();
        QTest::newRow("text") << QVariant(QStringLiteral("Kft")) << QStringLiteral("Kft");
        QTest::newRow("integer") << QVariant(12340) << QStringLiteral("12340");
        QTest::newRow("fraction") << QVariant(1.5) << QStringLiteral("1,5");
        QTest::newRow("whole double") << QVariant(100.0) << QStringLiteral("100");
        QTest::newRow("date")
            << QVariant(QDate(2026, 3, 4)) << QStringLiteral("2026.03.04");
        QTest::newRow("date-time") << QVariant(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)))
                                   << QStringLiteral("2026.03.04 05:06:07");
    }
    void ertekszoveg()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, text);
        QCOMPARE(::ertekszoveg(value), text);
    }

    void fajllistaAppendsMatchingPlainFiles()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + QLatin1Char('/');
        for (const char *name : {"merlegjegy.htm", "merleg2.htm", ".merleghidden.htm", "other.htm", "merleg.txt"}) {
            QFile f(folder + QLatin1String(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir(folder).mkdir(QStringLiteral("merlegdir.htm")));
        QFile readOnly(folder + QStringLiteral("merlegro.htm"));
        QVERIFY(readOnly.open(QIODevice::WriteOnly));
        readOnly.close();
        readOnly.setPermissions(QFileDevice::ReadOwner);

        QStringList list{QStringLiteral("kept")};
        fajllista(folder, QStringLiteral("merleg*.htm"), list);
        QCOMPARE(list.first(), QStringLiteral("kept"));
        list.removeFirst();
        list.sort();
        QCOMPARE(list, (QStringList{QStringLiteral("merleg2.htm"), QStringLiteral("merlegjegy.htm"),
                                    QStringLiteral("merlegro.htm")}));
    }

    void gepnevAndFelhasznalonevAreNotEmpty()
    {
        QVERIFY(!gepnev().isEmpty());
        QVERIFY(!felhasznalonev().isEmpty());
        QVERIFY(felhasznalonev().size() <= 252);
    }
};

QTEST_MAIN(TestSeged)
#include "tst_seged.moc"
