#include "Database.h"
#include "InProgressModel.h"
#include "Schema.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

class TestInProgressModel : public QObject
{
    Q_OBJECT

private slots:
    void rowsAndColumns()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("k.mdb"));
        QCOMPARE(Schema::createFile(path), QString());
        Database db(path);
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
