#include "../support/CupsPdf.h"

#include "CupsPrinter.h"
#include "HtmlPdfRenderer.h"
#include "TicketData.h"
#include "TicketFixtures.h"
#include "TicketMessages.h"
#include "TicketPrintUi.h"
#include "TicketPrinter.h"

#include <QApplication>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace TicketFixtures;

namespace {

const QDate kPrintDate(2024, 5, 6);

class FakeUi : public TicketPrintUi
{
public:
    std::optional<PrinterChoice> choice;
    bool printFromPreview = false;
    int choosePrinterCalls = 0;
    QStringList previews;
    bool previewFileExisted = false;

    std::optional<PrinterChoice> choosePrinter() override
    {
        ++choosePrinterCalls;
        return choice;
    }
    bool showPreview(const QString &pdfPath) override
    {
        previews.append(pdfPath);
        previewFileExisted = QFileInfo(pdfPath).isFile();
        return printFromPreview;
    }
};

// The text of every page of a PDF; empty when it does not load.
QString pdfText(const QString &path, int *pages = nullptr, QSizeF *firstPageSize = nullptr)
{
    QPdfDocument doc;
    if (doc.load(path) != QPdfDocument::Error::None)
        return {};
    if (pages)
        *pages = doc.pageCount();
    if (firstPageSize && doc.pageCount() > 0)
        *firstPageSize = doc.pagePointSize(0);
    QString text;
    for (int p = 0; p < doc.pageCount(); ++p)
        text += doc.getAllText(p).text() + QLatin1Char('\n');
    return text;
}

QString uniqueToken()
{
    return QStringLiteral("kelvoteszt%1").arg(QRandomGenerator::global()->generate64(), 0, 36);
}

} // namespace

// Printing a filled ticket for real: the web engine renders it to PDF, CUPS prints it.
class TestTicketPrint : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        KELVO_REQUIRE_ENGINE();
        QVERIFY(m_dir.isValid());
        m_home = m_dir.path() + QLatin1Char('/');
        m_dbPath = makeDatabase(m_databases);
        QVERIFY(!m_dbPath.isEmpty());
    }

    // The filled ticket renders to one A4 page whose text carries the ticket's data in the right characters.
    void renderToPdf_data()
    {
        QTest::addColumn<QString>("templatePath");
        QTest::addColumn<QByteArray>("templateText");
        QTest::addColumn<qint64>("serial");
        QTest::addColumn<QStringList>("expectedTexts");
        const QString shipped = QStringLiteral(KELVO_TEST_DATA_DIR "/../../share/merlegjegy.htm");
        QTest::newRow("shipped template, inbound")
            << shipped << QByteArray() << qint64(17)
            << QStringList{"MÉRLEGJEGY", "2024/00017", "ABC-123", "Őszi Bt.", "Kis & Nagy <Agro> Kft.",
                           "41 250", "25 725", "1 337 700,00", "Hídmérleg Kft.", "Gépkocsivezető"};
        QTest::newRow("shipped template, outbound")
            << shipped << QByteArray() << qint64(7)
            << QStringList{"Kiszállítás", "Fuvarozó", "Vevő", "XYZ-987", "27 340", "12 340", "592 676,11"};
        // Windows-1250 without a character set declaration: the page is still read in its own encoding.
        QTest::newRow("windows-1250 without declaration")
            << QString() << QByteArray("<html><body><p>Sz\xe1ll\xedt\xf3: %vevonev%</p><p>%ugyfelnev%</p>"
                                       "<p>%rendszam%</p></body></html>")
            << qint64(123456) << QStringList{"Szállító: Árvíztűrő Tükörfúrógép Kft.", "Жук Trans", "ŐŰ-001"};
    }
    void renderToPdf()
    {
        QFETCH(QString, templatePath);
        QFETCH(QByteArray, templateText);
        QFETCH(qint64, serial);
        QFETCH(QStringList, expectedTexts);
        if (templatePath.isEmpty()) {
            templatePath = m_home + QStringLiteral("merlegteszt.htm");
            QVERIFY(writeFile(templatePath, templateText));
        }
        Database db(m_dbPath);
        QCOMPARE(db.open(), QString());
        TicketSettings s = settings(m_home);
        const TicketOutcome filled =
            FillTicketTemplate(serial, db.db(), templatePath, s.outputPath(), s, nullptr, kPrintDate);
        QCOMPARE(filled.messages, QStringList());

        const QString pdf = m_home + QStringLiteral("render.pdf");
        QCOMPARE(HtmlPdfRenderer::render(s.outputPath(), pdf), QString());
        int pages = 0;
        QSizeF size;
        const QString text = pdfText(pdf, &pages, &size);
        QCOMPARE(pages, 1);
        QCOMPARE(qRound(size.width()), 595); // A4 in points
        QCOMPARE(qRound(size.height()), 842);
        for (const QString &expected : expectedTexts)
            QVERIFY2(text.contains(expected, Qt::CaseInsensitive), qPrintable(expected + QStringLiteral(" not in:\n") + text));
    }

    void renderMissingPageFails()
    {
        QVERIFY(!HtmlPdfRenderer::render(m_home + QStringLiteral("nincs.htm"), m_home + QStringLiteral("x.pdf"))
                     .isEmpty());
        QVERIFY(!QFileInfo::exists(m_home + QStringLiteral("x.pdf")));
    }

    // Mode 1 goes to the default printer with no dialog; the PDF printer turns the job into a file.
    void defaultPrinterPrintsWithoutDialog()
    {
        if (CupsPrinter::defaultPrinter().isEmpty())
            QSKIP("no default printer: run ./scripts/printer");
        const QString token = uniqueToken();
        const QString page = fillTicket(17);
        FakeUi ui;
        const PrintOutcome outcome = PrintHtmlTicket(page, PrintMode::DefaultPrinter, &ui, token);
        QCOMPARE(outcome.message, QString());
        QVERIFY(outcome.jobId > 0);
        QCOMPARE(ui.choosePrinterCalls, 0);
        QVERIFY(ui.previews.isEmpty());
        QCOMPARE(outcome.pdfPath, m_home + QStringLiteral("out.pdf"));
        if (CupsPrinter::defaultPrinter() != QLatin1String("PDF"))
            QSKIP("the default printer is not the PDF printer: the job was queued, its output is not checked");
        // The PDF printer redraws the text as glyph outlines, so only the page is checked, not the words.
        QString printed;
        QTRY_VERIFY_WITH_TIMEOUT(!(printed = CupsPdf::findPrinted(token)).isEmpty(), 60000);
        int pages = 0;
        QSizeF size;
        QTRY_VERIFY_WITH_TIMEOUT((pdfText(printed, &pages, &size), pages == 1), 10000);
        QCOMPARE(qRound(size.width()), 595);
        QCOMPARE(qRound(size.height()), 842);
        QFile::remove(printed);
    }

    // Mode 2 asks for the printer first; a cancelled dialog prints and renders nothing.
    void chosenPrinter_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("printer");
        QTest::addColumn<bool>("jobExpected");
        QTest::addColumn<bool>("failureExpected");
        QTest::newRow("PDF printer") << false << "PDF" << true << false;
        QTest::newRow("cancelled") << true << "" << false << false;
        QTest::newRow("unknown printer") << false << "nincs-ilyen-nyomtato" << false << true;
    }
    void chosenPrinter()
    {
        QFETCH(bool, cancel);
        QFETCH(QString, printer);
        QFETCH(bool, jobExpected);
        QFETCH(bool, failureExpected);
        if (printer == QLatin1String("PDF") && CupsPrinter::defaultPrinter().isEmpty())
            QSKIP("no printer: run ./scripts/printer");
        const QString page = fillTicket(7);
        QFile::remove(m_home + QStringLiteral("out.pdf"));
        FakeUi ui;
        if (!cancel)
            ui.choice = TicketPrintUi::PrinterChoice{printer, 1};
        const QString token = uniqueToken();
        const PrintOutcome outcome = PrintHtmlTicket(page, PrintMode::ChoosePrinter, &ui, token);
        QCOMPARE(ui.choosePrinterCalls, 1);
        QCOMPARE(outcome.jobId > 0, jobExpected);
        QCOMPARE(outcome.message.startsWith(QString::fromUtf8(TicketMessages::kPrintFailed)), failureExpected);
        if (!failureExpected)
            QCOMPARE(outcome.message, QString());
        QCOMPARE(QFileInfo::exists(m_home + QStringLiteral("out.pdf")), !cancel);
        if (jobExpected) {
            QString printed;
            QTRY_VERIFY_WITH_TIMEOUT(!(printed = CupsPdf::findPrinted(token)).isEmpty(), 60000);
            QFile::remove(printed);
        }
    }

    void previewShowsTheRenderedTicket()
    {
        const QString page = fillTicket(17);
        FakeUi ui;
        const PrintOutcome outcome = PrintHtmlTicket(page, PrintMode::Preview, &ui);
        QCOMPARE(outcome.message, QString());
        QCOMPARE(outcome.jobId, 0);
        QCOMPARE(ui.previews, QStringList{m_home + QStringLiteral("out.pdf")});
        QVERIFY(ui.previewFileExisted);
        QVERIFY(pdfText(ui.previews.first()).contains(QStringLiteral("ABC-123")));
    }

    void modesNeedingAWindowRefuseWithoutOne_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("printer dialog") << 2;
        QTest::newRow("preview") << 3;
    }
    void modesNeedingAWindowRefuseWithoutOne()
    {
        QFETCH(int, mode);
        const PrintOutcome outcome = PrintHtmlTicket(fillTicket(17), PrintMode(mode), nullptr);
        QVERIFY(outcome.message.startsWith(QString::fromUtf8(TicketMessages::kPrintFailed)));
        QCOMPARE(outcome.jobId, 0);
    }

    void noPrintingInModeNone()
    {
        QFile::remove(m_home + QStringLiteral("out.pdf"));
        FakeUi ui;
        const PrintOutcome outcome = PrintHtmlTicket(fillTicket(17), PrintMode::None, &ui);
        QCOMPARE(outcome.message, QString());
        QCOMPARE(outcome.jobId, 0);
        QCOMPARE(ui.choosePrinterCalls, 0);
        QVERIFY(ui.previews.isEmpty());
        QVERIFY(!QFileInfo::exists(m_home + QStringLiteral("out.pdf")));
    }

    // Mode 4 takes the word-processor path: a missing or unreadable document is refused, and the hand-over runs
    // all the same.
    void wordPathRoutes_data()
    {
        QTest::addColumn<bool>("documentExists");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("outTxtWritten");
        QTest::newRow("document missing") << false << QString() << true;
        QTest::newRow("not a document") << true << QString::fromUtf8(TicketMessages::kPrintFailed) << true;
    }
    void wordPathRoutes()
    {
        QFETCH(bool, documentExists);
        QFETCH(QString, message);
        QFETCH(bool, outTxtWritten);
        QTemporaryDir dir;
        const QString home = dir.path() + QLatin1Char('/');
        Database db(makeDatabase(m_databases));
        QCOMPARE(db.open(), QString());
        TicketSettings s = settings(home);
        s.printMode = PrintMode::WordDocument;
        s.outtxt = true;
        s.wordDocument = home + QStringLiteral("merlegjegy.docx");
        if (documentExists)
            QVERIFY(writeFile(s.wordDocument, "doc"));
        if (message.isEmpty())
            message = QString::fromUtf8(TicketMessages::kWordDocumentMissing) + QLatin1Char('\r') + s.wordDocument;
        const TicketOutcome outcome = printTicket(17, db.db(), QStringLiteral("merlegjegy.htm"), s, nullptr);
        QCOMPARE(outcome.messages.size(), 1);
        QVERIFY2(outcome.messages.first().startsWith(message), qPrintable(outcome.messages.first()));
        QVERIFY(!outcome.ok);
        QCOMPARE(QFileInfo::exists(s.ticketDataPath()), outTxtWritten);
        QVERIFY(!QFileInfo::exists(s.outputPath()));

        const TicketOutcome notFound = printTicket(99, db.db(), QStringLiteral("merlegjegy.htm"), s, nullptr);
        QCOMPARE(notFound.messages, QStringList{QString::fromUtf8(TicketMessages::kTicketNotFound)});
    }

private:
    QString fillTicket(qint64 serial)
    {
        Database db(m_dbPath);
        if (!db.open().isEmpty())
            return {};
        TicketSettings s = settings(m_home);
        const TicketOutcome outcome = FillTicketTemplate(
            serial, db.db(), QStringLiteral(KELVO_TEST_DATA_DIR "/../../share/merlegjegy.htm"), s.outputPath(), s,
            nullptr, kPrintDate);
        return outcome.ok ? s.outputPath() : QString();
    }

    TestDatabase m_databases;
    QTemporaryDir m_dir;
    QString m_home;
    QString m_dbPath;
};

int main(int argc, char *argv[])
{
    HtmlPdfRenderer::prepareEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestTicketPrint test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ticketprint.moc"
