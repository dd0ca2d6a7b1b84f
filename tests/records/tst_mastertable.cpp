#include "MasterTable.h"

#include <QTest>

// What the master data editor lets the user store in each kind of column.
class TestMasterTable : public QObject
{
    Q_OBJECT

private slots:
    void check_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("typed");
        QTest::addColumn<QVariant>("stored"); // invalid: refused
        QTest::addColumn<QString>("refusal");

        const QString none;
        QTest::newRow("integer") << "szallito" << "tarasuly" << QVariant(" 1200 ") << QVariant(qint64(1200)) << none;
        QTest::newRow("integer-text")
            << "szallitasok" << "suly1" << QVariant("12a") << QVariant()
            << QString::fromUtf8("A(z) \"suly1\" mezőbe egész számot kell írni, nem ezt: \"12a\".");
        QTest::newRow("integer-decimal") << "folyamatban" << "irany" << QVariant("1,5") << QVariant() << "irany";
        QTest::newRow("integer-empty") << "szallitasok" << "sorszam" << QVariant("") << QVariant() << "sorszam";
        QTest::newRow("number-comma") << "termek" << "egysegar" << QVariant("12,5") << QVariant(12.5) << none;
        QTest::newRow("number-point") << "szallitasok" << "osszeg" << QVariant("-0.25") << QVariant(-0.25) << none;
        QTest::newRow("number-text") << "termek" << "egysegar" << QVariant("olcsó") << QVariant() << "egysegar";
        QTest::newRow("bool-true") << "szallitasok" << "ervenyes" << QVariant("True") << QVariant(true) << none;
        QTest::newRow("bool-zero") << "folyamatban" << "kezi" << QVariant("0") << QVariant(false) << none;
        QTest::newRow("bool-word") << "szallitasok" << "jelolt" << QVariant("igen") << QVariant() << "jelolt";
        QTest::newRow("date-shown") << "szallitasok" << "kidatum" << QVariant("2026.03.04 07:05")
                                    << QVariant("2026-03-04 07:05:00") << none;
        QTest::newRow("date-stored") << "folyamatban" << "bedatum" << QVariant("2026-03-04 00:00:00")
                                     << QVariant("2026-03-04 00:00:00") << none;
        QTest::newRow("date-bad") << "szallitasok" << "bedatum" << QVariant("2026.13.01") << QVariant() << "bedatum";
        QTest::newRow("text") << "ugyfel" << "nev" << QVariant("12") << QVariant("12") << none;
        QTest::newRow("text-emptied") << "raktar" << "raktar" << QVariant() << QVariant("") << none;
        QTest::newRow("id") << "szallito" << "id" << QVariant("5") << QVariant() << "id";
    }
    void check()
    {
        QFETCH(QString, table);
        QFETCH(QString, column);
        QFETCH(QVariant, typed);
        QFETCH(QVariant, stored);
        QFETCH(QString, refusal);

        const MasterTable::Checked checked = MasterTable::check(table, column, typed);
        if (refusal.isEmpty()) {
            QVERIFY(!checked.refusal);
            QCOMPARE(checked.value.toString(), stored.toString());
            QVERIFY(!checked.value.isNull());
            return;
        }
        QVERIFY(checked.refusal);
        QCOMPARE(checked.refusal->field, column);
        // A bare column name stands for "a message that names the field".
        if (refusal == column)
            QVERIFY(checked.refusal->message.contains(QLatin1Char('"') + column + QLatin1Char('"')));
        else
            QCOMPARE(checked.refusal->message, refusal);
    }

    void insertOrDelete_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("allowed");
        for (int i = 0; i < MasterTable::tables().size(); ++i)
            QTest::addRow("%s", qPrintable(MasterTable::tableAt(i))) << i << (MasterTable::tableAt(i) != u"szallitasok");
    }
    void insertOrDelete()
    {
        QFETCH(int, index);
        QFETCH(bool, allowed);
        const QString table = MasterTable::tableAt(index);
        QCOMPARE(MasterTable::canInsertOrDelete(table), allowed);
        QCOMPARE(MasterTable::refuseInsertOrDelete(table).has_value(), !allowed);
        QCOMPARE(MasterTable::tableAt(6), QString());
    }
};

QTEST_GUILESS_MAIN(TestMasterTable)
#include "tst_mastertable.moc"
