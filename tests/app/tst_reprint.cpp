#include "../support/Settle.h"
#include "../support/TestDatabase.h"

#include "Database.h"
#include "Kelvo.h"
#include "MainCommands.h"
#include "MessageBoxes.h"
#include "Transport.h"

#include "TFoform.h"
#include "TicketRouting.h"
#include "Tnyomtatasismetel.h"
#include "ui_Tnyomtatasismetel.h"

#include <QApplication>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The reprint dialog: its presets, an unknown serial, and a one-off print mode that leaves the settings alone.
class TestReprint : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    // A filled copy beside the word-processor document makes the reprint command available.
    void filledWordCopy_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("expected");
        QTest::newRow("template only") << QStringList{"merlegjegy.docx"} << false;
        QTest::newRow("extension appended") << QStringList{"merlegjegy.docx", "merlegjegy.docx.docx"} << true;
        QTest::newRow("another document") << QStringList{"merlegjegy.docx", "szamla.docx.docx", "merlegjegy.docx.pdf"}
                                          << false;
    }
    void filledWordCopy()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, expected);
        QTemporaryDir dir;
        for (const QString &name : files) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QCOMPARE(TicketRouting::filledWordCopyExists(dir.filePath(QStringLiteral("merlegjegy.docx"))), expected);
    }

    void reprint_data()
    {
        QTest::addColumn<QList<qint64>>("serials");
        QTest::addColumn<int>("settingsMode");
        QTest::addColumn<QString>("preset");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("known");
        // Serials with a gap: the row count (2) is not the last ticket.
        QTest::newRow("last serial, not the row count") << QList<qint64>{3, 7} << 3 << "7" << "7" << true;
        QTest::newRow("earlier serial") << QList<qint64>{3, 7} << 2 << "7" << "3" << true;
        QTest::newRow("unknown serial") << QList<qint64>{3, 7} << 2 << "7" << "5" << false;
        QTest::newRow("empty table") << QList<qint64>{} << 1 << "0" << "0" << false;
    }
    void reprint()
    {
        QFETCH(QList<qint64>, serials);
        QFETCH(int, settingsMode);
        QFETCH(QString, preset);
        QFETCH(QString, typed);
        QFETCH(bool, known);

        QTemporaryDir dir;
        TestDatabase databases;
        const QString home = dir.path() + QLatin1Char('/');
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("xdg")).toUtf8());
        QVERIFY(QFile::copy(QStringLiteral(KELVO_SOURCE_DIR "/share/merlegjegy.htm"),
                            home + QStringLiteral("merlegjegy.htm")));
        QVERIFY(TestDatabase::writeIni(
            home, databases.created(QStringLiteral("kelvo")),
            QStringLiteral("[Opt]\nkarbantart=0\nPrintmode=%1\n[ComPort1]\nPort=/nonexistent\n")
                .arg(settingsMode)
                .toUtf8()));
        QFile company(home + QStringLiteral("sajatceg.txt"));
        QVERIFY(company.open(QIODevice::WriteOnly));
        company.write("Teszt Kft.\r\n");
        company.close();
        QStringList messages;
        setMessageHook([&](const MessageRequest &r) {
            messages.append(r.text.trimmed());
            return 1;
        });

        Kelvo kelvo(home);
        kelvo.setPrinterCheck([] { return true; });
        QVERIFY(kelvo.createWindows());
        kelvo.firstShow();
        kelvo.initialise();
        settle(kelvo);
        for (qint64 serial : serials) {
            Transport t;
            t.sorszam = serial;
            t.rendszam = QStringLiteral("ABC-%1").arg(serial);
            t.suly1 = 24000;
            t.suly2 = 11000;
            t.bedatum = t.kidatum = QDateTime::currentDateTime();
            QCOMPARE(t.insert(kelvo.database()->db()), QString());
        }

        Tnyomtatasismetel *dialog = kelvo.windows().nyomtatasismetel();
        Ui::Tnyomtatasismetel *ui = dialog->ui();
        QString shownSerial;
        int shownMode = -1;
        bool stayedOpen = false;
        whenShown(dialog, [&] {
            shownSerial = ui->NumEdit1->text();
            shownMode = dialog->chosenMode();
            ui->NumEdit1->setText(typed);
            ui->nyommod_0->setChecked(true); // fill only: nothing reaches a printer
            QTest::mouseClick(ui->Nyomtat, Qt::LeftButton);
            stayedOpen = dialog->isVisible();
            if (stayedOpen)
                dialog->reject();
        });
        kelvo.commands().reprintTicket();
        settle(kelvo);
        setMessageHook({});

        QCOMPARE(shownSerial, preset);
        QCOMPARE(shownMode, settingsMode);
        QCOMPARE(stayedOpen, !known);
        QCOMPARE(messages, known ? QStringList() : QStringList{QStringLiteral("Nincs ilyen sorszámú mérlegjegy !")});
        QCOMPARE(QFile::exists(home + QStringLiteral("out.htm")), known);
        QCOMPARE(kelvo.printMode(), settingsMode);
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestReprint test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_reprint.moc"
