#include "TNumEdit.h"

#include <QTest>

class TestTNumEdit : public QObject
{
    Q_OBJECT

private slots:
    void newBoxHoldsZeroRightAligned()
    {
        TNumEdit edit;
        QCOMPARE(edit.text(), QStringLiteral("0"));
        QCOMPARE(edit.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        QCOMPARE(edit.value(), std::optional<double>(0.0));
    }

    void typing_data()
    {
        QTest::addColumn<bool>("neg");
        QTest::addColumn<bool>("dec");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("result");
        QTest::newRow("comma into empty box") << true << true << "" << "," << "";
        QTest::newRow("point into empty box") << true << true << "" << "." << "";
        QTest::newRow("second separator rejected") << false << true << "" << "1,5," << "1,5";
        QTest::newRow("point becomes comma") << false << true << "" << "2.25" << "2,25";
        QTest::newRow("separator without decimals") << false << false << "" << "1,5" << "15";
        QTest::newRow("minus into empty box") << true << false << "" << "-12" << "-12";
        QTest::newRow("minus after a digit") << true << false << "" << "1-2" << "12";
        QTest::newRow("minus not permitted") << false << false << "" << "-3" << "3";
        QTest::newRow("letters and blanks") << true << true << "" << "a1 b2" << "12";
        QTest::newRow("appended to zero") << false << false << "0" << "7" << "07";
        QTest::newRow("minus into a box holding zero") << true << false << "0" << "-" << "0";
    }
    void typing()
    {
        QFETCH(bool, neg);
        QFETCH(bool, dec);
        QFETCH(QString, start);
        QFETCH(QString, typed);
        QFETCH(QString, result);
        TNumEdit edit;
        edit.setPermitirNeg(neg);
        edit.setPermitirDec(dec);
        edit.setText(start);
        edit.show();
        QTest::keyClicks(&edit, typed);
        QCOMPARE(edit.text(), result);
    }

    void backspaceStillWorks()
    {
        TNumEdit edit;
        edit.setText(QString());
        edit.show();
        QTest::keyClicks(&edit, QStringLiteral("123"));
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QCOMPARE(edit.text(), QStringLiteral("12"));
    }

    void value_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("hasValue");
        QTest::addColumn<double>("value");
        QTest::newRow("decimal comma") << "1,5" << true << 1.5;
        QTest::newRow("negative") << "-40" << true << -40.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("lone minus") << "-" << false << 0.0;
    }
    void value()
    {
        QFETCH(QString, text);
        QFETCH(bool, hasValue);
        QFETCH(double, value);
        TNumEdit edit;
        edit.setText(text);
        QCOMPARE(edit.value().has_value(), hasValue);
        if (hasValue)
            QCOMPARE(*edit.value(), value);
    }
};

QTEST_MAIN(TestTNumEdit)
#include "tst_tnumedit.moc"
