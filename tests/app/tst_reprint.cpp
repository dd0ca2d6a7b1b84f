#include "../support/CupsPdf.h"
#include "../support/Settle.h"
#include "../support/TestDatabase.h"

#include "CupsPrinter.h"
#include "Database.h"
#include "HtmlPdfRenderer.h"
#include "Kelvo.h"
#include "MainCommands.h"
#include "MessageBoxes.h"
#include "Sql.h"
#include "TicketPrintQueue.h"
#include "Trail.h"
#include "Transport.h"

#include "TFoform.h"
#include "TicketRouting.h"
#include "Tnyomtatasismetel.h"
#include "WorkerCall.h"
#include "ui_Tnyomtatasismetel.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QRegularExpression>
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
            QCOMPARE(t.insert(ownConnection(kelvo)->db()), QString());
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
            QTRY_VERIFY(!WorkerCall::Busy::running(dialog));
            stayedOpen = dialog->isVisible();
            if (stayedOpen)
                dialog->reject();
        });
        kelvo.commands().reprintTicket();
        QTRY_VERIFY(settled(kelvo));
        setMessageHook({});

        QCOMPARE(shownSerial, preset);
        QCOMPARE(shownMode, settingsMode);
        QCOMPARE(stayedOpen, !known);
        QCOMPARE(messages, known ? QStringList() : QStringList{QStringLiteral("Nincs ilyen sorszámú mérlegjegy !")});
        QCOMPARE(QFile::exists(home + QStringLiteral("out.htm")), known);
        QCOMPARE(kelvo.printMode(), settingsMode);
    }

    // A reprint counts, and leaves its trail row, once it has gone to the printer: a cancelled printer dialog or a
    // preview closed without printing leaves the next paper ticket the original. Mode 0 prints nothing and counts
    // nothing.
    void countsOnlyWhatIsPrinted_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("answer"); // to the printer dialog or the preview
        QTest::addColumn<bool>("printed");
        QTest::newRow("fill only") << 0 << "" << false;
        QTest::newRow("default printer") << 1 << "" << true;
        QTest::newRow("printer dialog cancelled") << 2 << "cancel" << false;
        QTest::newRow("printer dialog accepted") << 2 << "print" << true;
        QTest::newRow("preview closed") << 3 << "close" << false;
        QTest::newRow("printed from the preview") << 3 << "print" << true;
    }
    void countsOnlyWhatIsPrinted()
    {
        QFETCH(int, mode);
        QFETCH(QString, answer);
        QFETCH(bool, printed);
        if (CupsPrinter::defaultPrinter().isEmpty())
            QSKIP("no default printer: run ./scripts/printer");
        QTemporaryDir dir;
        TestDatabase databases;
        const QString home = prepareHome(dir, databases, "é[%masolat%]");
        Kelvo kelvo(home);
        QVERIFY(startKelvo(kelvo));
        const qint64 serial = insertTicket(kelvo);
        QStringList messages;
        setMessageHook([&](const MessageRequest &r) {
            messages.append(r.text.trimmed());
            return 1;
        });

        Tnyomtatasismetel *dialog = kelvo.windows().nyomtatasismetel();
        whenShown(dialog, [&] {
            dialog->ui()->NumEdit1->setText(QString::number(serial));
            dialog->findChild<QRadioButton *>(QStringLiteral("nyommod_%1").arg(mode))->setChecked(true);
            QTest::mouseClick(dialog->ui()->Nyomtat, Qt::LeftButton);
        });
        QTimer answering;
        connect(&answering, &QTimer::timeout, this, [&] { answerPrint(answer); });
        answering.start(20);
        kelvo.commands().reprintTicket();
        QTRY_VERIFY_WITH_TIMEOUT(settled(kelvo), 60000);
        answering.stop();
        setMessageHook({});

        QCOMPARE(messages, QStringList());
        // The page said what the paper says: the original.
        QCOMPARE(readFile(home + QStringLiteral("out.htm")), QByteArray("é[]\r\n"));
        QCOMPARE(Transport::load(ownConnection(kelvo)->db(), serial)->nyomtatva, printed ? 1 : 0);
        QCOMPARE(reprintRows(kelvo), printed ? QList<qint64>{serial} : QList<qint64>{});
        if (printed)
            QTRY_VERIFY_WITH_TIMEOUT(!CupsPdf::findPrinted(printedToken(serial)).isEmpty(), 60000);
        QFile::remove(CupsPdf::findPrinted(printedToken(serial)));
    }

    // Two reprints asked back to back (a double click in the search list) go to the printer one after the other, in
    // the order asked.
    void reprintsPrintInTheOrderAsked()
    {
        if (CupsPrinter::defaultPrinter().isEmpty())
            QSKIP("no default printer: run ./scripts/printer");
        QTemporaryDir dir;
        TestDatabase databases;
        const QString home = prepareHome(dir, databases, "<p>%rendszam%</p>");
        Kelvo kelvo(home);
        QVERIFY(startKelvo(kelvo));
        const qint64 first = insertTicket(kelvo);
        const qint64 second = insertTicket(kelvo);
        kelvo.printTicket(first, QStringLiteral("merlegjegy.htm"), PrintMode::DefaultPrinter,
                          Kelvo::PrintKind::Reprint);
        kelvo.printTicket(second, QStringLiteral("merlegjegy.htm"), PrintMode::DefaultPrinter,
                          Kelvo::PrintKind::Reprint);
        QTRY_VERIFY_WITH_TIMEOUT(settled(kelvo), 60000);

        QCOMPARE(reprintRows(kelvo), (QList<qint64>{first, second}));
        // The print opened no window: the status bar tells where it went.
        QCOMPARE(kelvo.Foform()->statusPanel(2)->text(), QStringLiteral("Nyomtatás elküldve: ") + CupsPrinter::defaultPrinter());
        QString printedFirst;
        QString printedSecond;
        QTRY_VERIFY_WITH_TIMEOUT(!(printedFirst = CupsPdf::findPrinted(printedToken(first))).isEmpty(), 60000);
        QTRY_VERIFY_WITH_TIMEOUT(!(printedSecond = CupsPdf::findPrinted(printedToken(second))).isEmpty(), 60000);
        QFile::remove(printedFirst);
        QFile::remove(printedSecond);
        // The PDF printer names its files after the job: CUPS took the first ticket first.
        static const QRegularExpression job(QStringLiteral("job_(\\d+)"));
        const qint64 firstJob = job.match(printedFirst).captured(1).toLongLong();
        const qint64 secondJob = job.match(printedSecond).captured(1).toLongLong();
        QVERIFY2(firstJob > 0 && firstJob < secondJob, qPrintable(printedFirst + QLatin1Char(' ') + printedSecond));
    }

private:
    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static QString prepareHome(QTemporaryDir &dir, TestDatabase &databases, const QByteArray &ticketTemplate)
    {
        const QString home = dir.path() + QLatin1Char('/');
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("xdg")).toUtf8());
        QFile page(home + QStringLiteral("merlegjegy.htm"));
        if (!page.open(QIODevice::WriteOnly) || page.write(ticketTemplate) != ticketTemplate.size())
            return {};
        page.close();
        if (!TestDatabase::writeIni(home, databases.created(QStringLiteral("kelvo")),
                                    "[Opt]\nkarbantart=0\nPrintmode=0\n[ComPort1]\nPort=/nonexistent\n"))
            return {};
        QFile company(home + QStringLiteral("sajatceg.txt"));
        if (!company.open(QIODevice::WriteOnly) || company.write("Teszt Kft.\r\n") <= 0)
            return {};
        return home;
    }

    static bool startKelvo(Kelvo &kelvo) { return startSettled(kelvo) && kelvo.worker() != nullptr; }

    // A finished ticket under a serial no other print on this machine's printer has, so its output is found.
    static qint64 insertTicket(Kelvo &kelvo)
    {
        Transport t;
        t.sorszam = 100000 + QRandomGenerator::global()->bounded(900000); // the dialog takes 7 digits
        t.rendszam = QStringLiteral("ABC-%1").arg(t.sorszam);
        t.suly1 = 24000;
        t.suly2 = 11000;
        t.bedatum = t.kidatum = QDateTime::currentDateTime();
        return t.insert(ownConnection(kelvo)->db()).isEmpty() ? t.sorszam : 0;
    }

    // What the PDF printer's file name holds of a ticket's job title ("Mérlegjegy 123456").
    static QString printedToken(qint64 serial) { return QStringLiteral("legjegy_%1").arg(serial); }

    static bool settled(Kelvo &kelvo)
    {
        settle(kelvo);
        return kelvo.printQueue().idle() && !QApplication::activeModalWidget();
    }

    static QList<qint64> reprintRows(Kelvo &kelvo)
    {
        QList<qint64> serials;
        const auto own = ownConnection(kelvo);
        QSqlQuery q = Sql::run(own->db(),
                               QStringLiteral("SELECT sorszam FROM naplo WHERE esemeny = :e ORDER BY id"),
                               {{":e", QString::fromUtf8(Trail::kReprint)}});
        while (q.next())
            serials.append(q.value(0).toLongLong());
        return serials;
    }

    // The operator's answer to the printer dialog or the preview the print opens.
    static void answerPrint(const QString &answer)
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (!w->isVisible())
                continue;
            if (auto *printer = qobject_cast<QPrintDialog *>(w)) {
                answer == QLatin1String("print") ? printer->accept() : printer->reject();
            } else if (w->objectName() == QLatin1String("ticketPreview")) {
                const QString caption = answer == QLatin1String("print") ? QStringLiteral("Nyomtatás")
                                                                          : QStringLiteral("Bezárás");
                for (QPushButton *b : w->findChildren<QPushButton *>()) {
                    if (b->text() == caption && b->isEnabled())
                        b->click();
                }
            }
        }
    }
};

int main(int argc, char *argv[])
{
    // The ticket renderer needs its environment before the application object exists, as in the program.
    HtmlPdfRenderer::prepareEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestReprint test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_reprint.moc"
