#include "Tjelszoform.h"

#include "ui_Tjelszoform.h"

#include <QCloseEvent>
#include <QTest>
#include <QTimer>

class TestJelszoform : public QObject
{
    Q_OBJECT

private slots:
    void wrongEntryKeepsWindowOpenWithTextSelected_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("wrong") << "titok";
        QTest::newRow("case differs") << "Titkos";
        QTest::newRow("prefix") << "Titk";
    }
    void wrongEntryKeepsWindowOpenWithTextSelected()
    {
        QFETCH(QString, typed);
        Tjelszoform form;
        form.setPassword(QStringLiteral("Titkos1"));
        form.show();
        QTest::keyClicks(form.ui()->jelszob, typed);
        QTest::keyClick(form.ui()->jelszob, Qt::Key_Return);
        QVERIFY(form.isVisible());
        QVERIFY(!form.passed());
        QCOMPARE(form.ui()->jelszob->selectedText(), typed);
    }

    void rightEntryPasses()
    {
        Tjelszoform form;
        form.setPassword(QStringLiteral("Titkos1"));
        QTimer::singleShot(0, &form, [&] {
            QTest::keyClicks(form.ui()->jelszob, QStringLiteral("Titkos1"));
            QTest::mouseClick(form.ui()->okbtn, Qt::LeftButton);
        });
        QCOMPARE(form.exec(), int(QDialog::Accepted));
        QVERIFY(form.passed());
    }

    void closeBoxIsRefused()
    {
        Tjelszoform form;
        form.setPassword(QStringLiteral("x"));
        form.show();
        QVERIFY(!form.close());
        QVERIFY(form.isVisible());
    }

    void cancelAndEscapeEndTheWait_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Mégse") << false;
        QTest::newRow("Escape") << true;
    }
    void cancelAndEscapeEndTheWait()
    {
        QFETCH(bool, escape);
        Tjelszoform form;
        form.setPassword(QStringLiteral("x"));
        QTimer::singleShot(0, &form, [&] {
            if (escape)
                QTest::keyClick(form.ui()->jelszob, Qt::Key_Escape);
            else
                QTest::mouseClick(form.ui()->megsebtn, Qt::LeftButton);
        });
        QCOMPARE(form.exec(), int(QDialog::Rejected));
        QVERIFY(!form.passed());
    }

    void entryIsMaskedAndLimited()
    {
        Tjelszoform form;
        QCOMPARE(form.ui()->jelszob->echoMode(), QLineEdit::Password);
        QCOMPARE(form.ui()->jelszob->maxLength(), 20);
        QCOMPARE(form.windowTitle(), QStringLiteral("Program indítási jelszó"));
    }
};

QTEST_MAIN(TestJelszoform)
#include "tst_jelszoform.moc"
