#include "WindowGeometry.h"

#include <QTest>
#include <QWidget>

class TestWindowGeometry : public QObject
{
    Q_OBJECT

private slots:
    void apply_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("applied");
        QTest::addColumn<QRect>("expected"); // x, y, width, height after applying onto 10,20 300x200
        QTest::newRow("all four") << "800;600;30;40" << 4 << QRect(40, 30, 800, 600);
        QTest::newRow("width and height only") << "800;600" << 2 << QRect(10, 20, 800, 600);
        QTest::newRow("first part not a number") << "abc;600;30;40" << 0 << QRect(10, 20, 300, 200);
        QTest::newRow("bad third part") << "800;600;x;40" << 2 << QRect(10, 20, 800, 600);
        QTest::newRow("empty value") << "" << 0 << QRect(10, 20, 300, 200);
        QTest::newRow("blank is not trimmed") << "800; 600" << 1 << QRect(10, 20, 800, 200);
        QTest::newRow("comma is no separator") << "800,600" << 0 << QRect(10, 20, 300, 200);
        QTest::newRow("extra parts ignored") << "500;400;1;2;99" << 4 << QRect(2, 1, 500, 400);
    }
    void apply()
    {
        QFETCH(QString, text);
        QFETCH(int, applied);
        QFETCH(QRect, expected);
        QWidget w;
        w.move(10, 20);
        w.resize(300, 200);
        QCOMPARE(WindowGeometry::apply(&w, text), applied);
        QCOMPARE(QRect(w.pos(), w.size()), expected);
    }

    void textRoundTrips()
    {
        QWidget w;
        w.move(12, 34);
        w.resize(456, 321);
        QCOMPARE(WindowGeometry::text(&w), QStringLiteral("456;321;34;12"));
        QWidget other;
        QCOMPARE(WindowGeometry::apply(&other, WindowGeometry::text(&w)), 4);
        QCOMPARE(QRect(other.pos(), other.size()), QRect(12, 34, 456, 321));
    }
};

QTEST_MAIN(TestWindowGeometry)
#include "tst_windowgeometry.moc"
