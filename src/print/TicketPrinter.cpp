#include "TicketPrinter.h"

#include "CupsPrinter.h"
#include "HandOverScript.h"
#include "HtmlPdfRenderer.h"
#include "TicketData.h"
#include "TicketMessages.h"
#include "TicketPrintUi.h"
#include "TicketTemplate.h"
#include "Transport.h"
#include "OfficeConverter.h"
#include "WordTicket.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString message(const char *text)
{
    return QString::fromUtf8(text);
}

QString printFailed(const QString &reason)
{
    return message(TicketMessages::kPrintFailed) + QLatin1Char('\n') + reason;
}

// out.txt and the hand-over script, each when switched on.
void handOver(const Transport &transport, const TicketSettings &settings, TicketOutcome &outcome)
{
    if (settings.outtxt) {
        const QString error = WriteTicketData(settings.ticketDataPath(), transport);
        if (!error.isEmpty())
            outcome.messages.append(error);
    }
    if (settings.outbat)
        outcome.handedOver = HandOverScript::start(settings.handOverScriptPath());
}

// Loads the ticket's row; a missing row or a database error becomes the message to show.
std::optional<Transport> loadTicket(qint64 serial, const QSqlDatabase &db, TicketOutcome &outcome)
{
    QString error;
    std::optional<Transport> transport = Transport::load(db, serial, &error);
    if (!transport)
        outcome.messages.append(error.isEmpty() ? message(TicketMessages::kTicketNotFound) : error);
    return transport;
}

// The filled word-processor copy to PDF, then to the printer unless only the PDF is wanted. The copy stays saved
// whatever happens here.
PrintOutcome printWordCopy(const QString &filledPath, const TicketSettings &settings, TicketPrintUi *ui,
                           const QString &pdfPath, const QString &jobTitle)
{
    PrintOutcome outcome;
    const bool printing = pdfPath.isEmpty();
    TicketPrintUi::PrinterChoice choice;
    if (printing && !settings.wordDirectPrint) {
        if (!ui) {
            outcome.message = printFailed(QStringLiteral("Ehhez a nyomtatási módhoz ablak kell."));
            return outcome;
        }
        const std::optional<TicketPrintUi::PrinterChoice> chosen = ui->choosePrinter();
        if (!chosen)
            return outcome;
        choice = *chosen;
    }

    const QFileInfo filled(filledPath);
    const QString target =
        printing ? filled.absolutePath() + QLatin1Char('/') + filled.completeBaseName() + QLatin1String(".pdf")
                 : pdfPath;
    const QString error = OfficeConverter::convert(filledPath, target);
    if (!error.isEmpty()) {
        outcome.message = printFailed(error);
        return outcome;
    }
    outcome.pdfPath = target;
    if (!printing)
        return outcome;
    const CupsPrinter::Job job = CupsPrinter::printPdf(target, choice.printer, jobTitle, choice.copies);
    outcome.jobId = job.id;
    if (!job.error.isEmpty())
        outcome.message = printFailed(job.error);
    return outcome;
}

// Every ticket document made counts as a print, and the count goes onto it before it is filled: a copy never
// leaves unmarked, even when two stations print the same ticket at once.
bool countPrint(Transport &transport, const QSqlDatabase &db, TicketOutcome &outcome)
{
    QString error;
    const std::optional<int> count = Transport::countPrint(db, transport.sorszam, &error);
    if (!count) {
        outcome.messages.append(error.isEmpty() ? message(TicketMessages::kTicketNotFound) : error);
        return false;
    }
    transport.nyomtatva = *count;
    return true;
}

} // namespace

TicketOutcome FillTicketTemplate(qint64 serial, const QSqlDatabase &db, const QString &templatePath,
                                 const QString &outputPath, const TicketSettings &settings, TicketPrintUi *ui,
                                 const QDate &printDate)
{
    TicketOutcome outcome;
    if (!QFileInfo(templatePath).isFile()) {
        outcome.messages.append(message(TicketMessages::kTemplateMissing));
        return outcome;
    }

    QFile templateFile(templatePath);
    // The page is written whole or not at all (a full disk, a read-only folder): a failed write leaves the earlier
    // page as it was and prints nothing, since that page is another truck's ticket.
    QSaveFile output(outputPath);
    const bool outputOpen = output.open(QIODevice::WriteOnly);
    // A ticket that cannot be filled empties the previous ticket's page, so it is never printed again in its place.
    const auto emptyPage = [&] {
        if (outputOpen)
            output.commit();
        return outcome;
    };

    std::optional<Transport> transport = loadTicket(serial, db, outcome);
    if (!transport || (outputOpen && !countPrint(*transport, db, outcome)))
        return emptyPage();

    bool written = false;
    if (outputOpen && templateFile.open(QIODevice::ReadOnly)) {
        const QByteArray templateBytes = templateFile.readAll();
        if (templateFile.error() == QFileDevice::NoError) {
            const QByteArray page = TicketTemplate::fill(
                templateBytes, TicketTemplate::replacements(*transport, settings, printDate));
            written = output.write(page) == page.size() && output.flush() && output.commit();
        }
    }
    if (!written)
        outcome.messages.append(message(TicketMessages::kOutputWriteError));
    outcome.ok = written;

    if (written) {
        outcome.print = PrintHtmlTicket(outputPath, settings.printMode, ui,
                                        QStringLiteral("Mérlegjegy %1").arg(transport->sorszam));
        if (!outcome.print.message.isEmpty())
            outcome.messages.append(outcome.print.message);
    }
    handOver(*transport, settings, outcome);
    return outcome;
}

PrintOutcome PrintHtmlTicket(const QString &outputPath, PrintMode mode, TicketPrintUi *ui, const QString &jobTitle)
{
    PrintOutcome outcome;
    if (mode == PrintMode::None || mode == PrintMode::WordDocument)
        return outcome;
    if (mode != PrintMode::DefaultPrinter && !ui) {
        outcome.message = printFailed(QStringLiteral("Ehhez a nyomtatási módhoz ablak kell."));
        return outcome;
    }

    // The printer is chosen before the engine starts, so a cancelled dialog costs nothing.
    TicketPrintUi::PrinterChoice choice;
    if (mode == PrintMode::ChoosePrinter) {
        const std::optional<TicketPrintUi::PrinterChoice> chosen = ui->choosePrinter();
        if (!chosen)
            return outcome;
        choice = *chosen;
    }

    const QFileInfo page(outputPath);
    const QString pdfPath = page.absolutePath() + QLatin1Char('/') + page.completeBaseName() + QLatin1String(".pdf");
    const QString renderError = HtmlPdfRenderer::render(outputPath, pdfPath);
    if (!renderError.isEmpty()) {
        outcome.message = printFailed(renderError);
        return outcome;
    }
    outcome.pdfPath = pdfPath;

    if (mode == PrintMode::Preview) {
        ui->showPreview(pdfPath);
        return outcome;
    }
    const CupsPrinter::Job job = CupsPrinter::printPdf(pdfPath, choice.printer, jobTitle, choice.copies);
    outcome.jobId = job.id;
    if (!job.error.isEmpty())
        outcome.message = printFailed(job.error);
    return outcome;
}

TicketOutcome PrintWordTicket(qint64 serial, const QSqlDatabase &db, const TicketSettings &settings,
                              TicketPrintUi *ui, const QString &pdfPath)
{
    TicketOutcome outcome;
    std::optional<Transport> transport = loadTicket(serial, db, outcome);
    if (!transport)
        return outcome;
    const QString document = settings.wordDocument;
    if (!QFileInfo(document).isFile()) {
        outcome.messages.append(message(TicketMessages::kWordDocumentMissing) + QLatin1Char('\r') + document);
    } else if (!countPrint(*transport, db, outcome)) {
        // The ticket went away meanwhile; the message says so.
    } else if (const QString error = WordTicket::fill(*transport, settings, document); !error.isEmpty()) {
        outcome.messages.append(printFailed(error));
    } else {
        outcome.ok = true;
        outcome.print = printWordCopy(WordTicket::filledCopyPath(document), settings, ui, pdfPath,
                                      QStringLiteral("Mérlegjegy %1").arg(transport->sorszam));
        if (!outcome.print.message.isEmpty())
            outcome.messages.append(outcome.print.message);
    }
    handOver(*transport, settings, outcome);
    return outcome;
}

TicketOutcome printTicket(qint64 serial, const QSqlDatabase &db, const QString &templateName,
                          const TicketSettings &settings, TicketPrintUi *ui, const QDate &printDate)
{
    if (settings.printMode == PrintMode::WordDocument)
        return PrintWordTicket(serial, db, settings, ui);
    return FillTicketTemplate(serial, db, settings.programFolder + templateName, settings.outputPath(), settings,
                              ui, printDate);
}
