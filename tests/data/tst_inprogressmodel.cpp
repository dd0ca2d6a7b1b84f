#include "../support/TestDatabase.h"

#include "Database.h"
#include "InProgressModel.h"

#include <QSqlQuery>
#include <QTest>

class TestInProgressModel : public QObject
{
    Q_OBJECT

    TestDatabase m_databases;

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void rowsAndColumns()
    {
        Database db(m_databases.created(QStringLiteral("k")));
        QCOMPARE(db.open(), QString());
        QSqlQuery q(db.db());
        QVERIFY(q.exec(QStringLiteral(
            "INSERT INTO folyamatban (rendszam, cegnev, termeknev, suly1, bedatum, irany) VALUES "
            "('XYZ-999', 'Fuvar Bt.', 'Búza', 41250, '2026-12-08 07:05:09', 1),"
            "('ABC-123', 'Agro Kft.', 'Kukorica', 12340, '2026-12-08 14:30:00', 0)")));

        InProgressModel model;
        QCOMPARE(model.fill(db.db()), QString());
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.columnCount(), 7);
        const auto cell = [&](int r, int c) { return model.index(r, c).data().toString(); };
        // Ordered by plate.
        QCOMPARE(cell(0, 0), QStringLiteral("ABC-123"));
        QCOMPARE(cell(0, 2), QString());
        QCOMPARE(cell(0, 4), QStringLiteral("12340"));
        QCOMPARE(cell(0, 5), QStringLiteral("2026.12.08 14:30"));
        QCOMPARE(cell(0, 6), QStringLiteral("Beszállítás"));
        QCOMPARE(cell(1, 4), QStringLiteral("41250"));
        QCOMPARE(cell(1, 6), QStringLiteral("Kiszállítás"));
        QCOMPARE(model.headerData(4, Qt::Horizontal).toString(), QStringLiteral("Mért tömeg (kg)"));
        QCOMPARE(model.index(0, 4).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask, int(Qt::AlignRight));

        QVERIFY(q.exec(QStringLiteral("DELETE FROM folyamatban")));
        QCOMPARE(model.fill(db.db()), QString());
        QCOMPARE(model.rowCount(), 0);
    }
};

QTEST_MAIN(TestInProgressModel)
#include "tst_inprogressmodel.moc"
