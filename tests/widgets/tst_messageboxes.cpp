#include "MessageBoxes.h"
#include "WindowHelpers.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestMessageBoxes : public QObject
{
    Q_OBJECT

private:
    // Presses the button with the given caption on the next message box that opens.
    static void pressOnNextBox(const QString &caption, QString *seenTitle, QString *seenText)
    {
        QTimer::singleShot(50, [=] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(w);
                if (!box || !box->isVisible())
                    continue;
                *seenTitle = box->windowTitle();
                *seenText = box->text();
                for (QAbstractButton *b : box->buttons()) {
                    if (b->text().remove(QLatin1Char('&')) == caption) {
                        b->click();
                        return;
                    }
                }
            }
        });
    }

private slots:
    void cleanup() { setMessageHook({}); }

    void textsAndCaptionsThroughHook()
    {
        QList<MessageRequest> seen;
        setMessageHook([&](const MessageRequest &r) {
            seen.append(r);
            return 1;
        });
        uzenet(QStringLiteral("Hello"));
        QVERIFY(kerdes(QStringLiteral("Sure?")));
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen[0].caption, QStringLiteral("Üzenet"));
        QCOMPARE(seen[0].text, QStringLiteral("Hello\r\r"));
        QCOMPARE(seen[1].caption, QStringLiteral("Kérdés"));
        QCOMPARE(seen[1].text, QStringLiteral("Sure?\r\r"));
    }

    void realBoxes_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("hungarian");
        QTest::newRow("OK") << "OK" << true << false;
        QTest::newRow("Cancel") << "Cancel" << false << false;
        QTest::newRow("Mégse, with Qt's texts in Hungarian") << "Mégse" << false << true;
    }
    void realBoxes()
    {
        QFETCH(QString, button);
        QFETCH(bool, answer);
        QFETCH(bool, hungarian);
        if (hungarian)
            QVERIFY(hungarianQtTexts());
        QString title, text;
        pressOnNextBox(button, &title, &text);
        QCOMPARE(kerdes(QStringLiteral("Törli?")), answer);
        QCOMPARE(title, QStringLiteral("Kérdés"));
        QVERIFY(text.startsWith(QStringLiteral("Törli?")));
    }

    void overwriteQuestion_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("answer");
        QTest::newRow("previous") << "Előző mérés" << int(OverwriteAnswer::Previous);
        QTest::newRow("current") << "Jelenlegi" << int(OverwriteAnswer::Current);
        QTest::newRow("cancel") << "Mégse" << int(OverwriteAnswer::Cancel);
    }
    void overwriteQuestion()
    {
        QFETCH(QString, button);
        QFETCH(int, answer);
        QString title, text;
        pressOnNextBox(button, &title, &text);
        QCOMPARE(int(feluliraskerdes()), answer);
        QCOMPARE(title, QStringLiteral("Szállítás felülírása"));
        QVERIFY(text.startsWith(QStringLiteral("Ez a rendszám jelenleg szállítás alatt áll.")));
    }

    void escapeOnOverwriteQuestionCancels()
    {
        QTimer::singleShot(50, [] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
                    QTest::keyClick(box, Qt::Key_Escape);
            }
        });
        QCOMPARE(feluliraskerdes(), OverwriteAnswer::Cancel);
    }
};

QTEST_MAIN(TestMessageBoxes)
#include "tst_messageboxes.moc"
