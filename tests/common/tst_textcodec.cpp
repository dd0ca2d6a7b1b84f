#include "TextCodec.h"

#include <QTest>

class TestTextCodec : public QObject
{
    Q_OBJECT

private slots:
    void decodesEitherEncoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("utf8");
        QTest::newRow("ascii") << QByteArray("Kelvo") << QStringLiteral("Kelvo") << true;
        QTest::newRow("utf-8 accents") << QByteArray("\xC5\x91\xC5\xB1 \xC3\xA1") << QStringLiteral("őű á") << true;
        QTest::newRow("utf-8 with byte-order mark") << QByteArray("\xEF\xBB\xBFVev\xC5\x91") << QStringLiteral("Vevő")
                                                   << true;
        QTest::newRow("byte-order mark twice") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFKft.") << QStringLiteral("Kft.")
                                               << true;
        QTest::newRow("windows-1250 long accents")
            << QByteArray("\xF5\xD5\xFB\xDB") << QStringLiteral("őŐűŰ") << false;
        QTest::newRow("windows-1250 sentence")
            << QByteArray("Sz\xE1ll\xEDt\xF3 \xDCgyf\xE9l") << QStringLiteral("Szállító Ügyfél") << false;
        QTest::newRow("windows-1250 punctuation") << QByteArray("\x80\x84\x93\x96") << QStringLiteral("€„“–") << false;
    }
    void decodesEitherEncoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(bool, utf8);
        QCOMPARE(TextCodec::detect(bytes) == TextCodec::Encoding::Utf8, utf8);
        QCOMPARE(TextCodec::decode(bytes), text);
    }

    void windows1250RoundTripsEveryDefinedByte()
    {
        QByteArray all;
        for (int b = 0x20; b < 0x100; ++b) {
            if (b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98)
                continue; // undefined in the code page
            all.append(char(b));
        }
        const QString text = TextCodec::fromWindows1250(all);
        QCOMPARE(text.size(), all.size());
        QVERIFY(!text.contains(QChar::ReplacementCharacter));
        QCOMPARE(TextCodec::toWindows1250(text), all);
    }

    void unrepresentableCharactersBecomeQuestionMarks()
    {
        QCOMPARE(TextCodec::toWindows1250(QStringLiteral("a→b")), QByteArray("a?b"));
    }
};

QTEST_MAIN(TestTextCodec)
#include "tst_textcodec.moc"
