#include "TicketPrinter.h"

#include "CupsPrinter.h"
#include "HandOverScript.h"
#include "HtmlPdfRenderer.h"
#include "OfficeConverter.h"
#include "Sql.h"
#include "TicketData.h"
#include "TicketMessages.h"
#include "TicketPrintUi.h"
#include "TicketTemplate.h"
#include "Trail.h"
#include "WordTicket.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString message(const char *text)
{
    return QString::fromUtf8(text);
}

// out.txt when switched on; false when it was asked for and could not be written.
bool writeData(const Transport &transport, const TicketSettings &settings, TicketFiles &files)
{
    if (!settings.outtxt)
        return true;
    const QString error = WriteTicketData(settings.ticketDataPath(), transport);
    if (error.isEmpty())
        return true;
    files.messages.append(error);
    return false;
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
            outcome.message = printFailedMessage(QStringLiteral("Ehhez a nyomtatási módhoz ablak kell."));
            return outcome;
        }
        const std::optional<TicketPrintUi::PrinterChoice> chosen = ui->choosePrinter();
        if (!chosen)
            return outcome;
        choice = *chosen;
    }

    const QString target = printing ? pdfBeside(filledPath) : pdfPath;
    const QString error = OfficeConverter::convert(filledPath, target);
    if (!error.isEmpty()) {
        outcome.message = printFailedMessage(error);
        return outcome;
    }
    outcome.pdfPath = target;
    if (!printing)
        return outcome;
    const CupsPrinter::Job job = CupsPrinter::printPdf(target, choice.printer, jobTitle, choice.copies);
    outcome.jobId = job.id;
    outcome.printed = job.error.isEmpty();
    if (!job.error.isEmpty())
        outcome.message = printFailedMessage(job.error);
    return outcome;
}

// The synchronous path counts a print that went to the printer; a failure to count is shown after the print.
void countIfPrinted(const Transport &transport, const QSqlDatabase &db, TicketOutcome &outcome)
{
    if (!outcome.print.printed)
        return;
    try {
        recordPrint(db, transport.sorszam, false);
    } catch (const DatabaseError &e) {
        outcome.messages.append(QString::fromUtf8(e.what()));
    }
}

} // namespace

QString ticketJobTitle(qint64 serial)
{
    return QStringLiteral("Mérlegjegy %1").arg(serial);
}

QString pdfBeside(const QString &path)
{
    const QFileInfo info(path);
    return info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QLatin1String(".pdf");
}

QString printFailedMessage(const QString &reason)
{
    return message(TicketMessages::kPrintFailed) + QLatin1Char('\n') + reason;
}

LoadedTicket loadTicketForPrint(qint64 serial, const QSqlDatabase &db, bool withPictures)
{
    LoadedTicket loaded;
    QString error;
    loaded.transport = Transport::load(db, serial, &error);
    if (loaded.transport)
        ++loaded.transport->nyomtatva;
    else
        loaded.message = error.isEmpty() ? message(TicketMessages::kTicketNotFound) : error;
    if (loaded.transport && withPictures) {
        try {
            loaded.pictures = Pictures::ofSerial(db, serial);
        } catch (const DatabaseError &e) {
            // A ticket printed without its pictures would pass for one that has none.
            loaded.transport.reset();
            loaded.message = QString::fromUtf8(e.what());
        }
    }
    return loaded;
}

bool templateNamesPictures(const QString &templatePath)
{
    QFile file(templatePath);
    return file.open(QIODevice::ReadOnly) && TicketTemplate::namesPictures(file.readAll());
}

TicketFiles writeTemplateFiles(const LoadedTicket &loaded, const QString &templatePath, const QString &outputPath,
                               const TicketSettings &settings, const QDate &printDate)
{
    TicketFiles files;
    if (!QFileInfo(templatePath).isFile()) {
        files.messages.append(message(TicketMessages::kTemplateMissing));
        return files;
    }

    // The page is written whole or not at all (a full disk, a read-only folder): a failed write leaves the earlier
    // page as it was and prints nothing, since that page is another truck's ticket.
    QSaveFile output(outputPath);
    const bool outputOpen = output.open(QIODevice::WriteOnly);
    if (!loaded.transport) {
        files.messages.append(loaded.message);
        if (outputOpen)
            output.commit(); // empty
        return files;
    }
    files.transport = loaded.transport;

    QFile templateFile(templatePath);
    if (outputOpen && templateFile.open(QIODevice::ReadOnly)) {
        const QByteArray templateBytes = templateFile.readAll();
        if (templateFile.error() == QFileDevice::NoError) {
            const QByteArray page = TicketTemplate::fill(
                templateBytes, TicketTemplate::replacements(*files.transport, settings, printDate) +
                                   TicketTemplate::pictureReplacements(loaded.pictures));
            files.pageWritten = output.write(page) == page.size() && output.flush() && output.commit();
        }
    }
    if (!files.pageWritten)
        files.messages.append(message(TicketMessages::kOutputWriteError));
    const bool dataWritten = writeData(*files.transport, settings, files);
    // The script passes out.htm and out.txt on as this ticket's: the previous truck's must never go in their place.
    files.handOverReady = files.pageWritten && dataWritten;
    return files;
}

TicketFiles writeWordFiles(const LoadedTicket &loaded, const TicketSettings &settings)
{
    TicketFiles files;
    if (!loaded.transport) {
        files.messages.append(loaded.message);
        return files;
    }
    files.transport = loaded.transport;
    const QString document = settings.wordDocument;
    if (!QFileInfo(document).isFile()) {
        files.messages.append(message(TicketMessages::kWordDocumentMissing) + QLatin1Char('\r') + document);
    } else if (const QString error = WordTicket::fill(*files.transport, settings, document); !error.isEmpty()) {
        files.messages.append(printFailedMessage(error));
    } else {
        files.pageWritten = true;
    }
    // The word path hands over out.txt alone; the document's fate does not hold it back.
    files.handOverReady = writeData(*files.transport, settings, files);
    return files;
}

bool startHandOver(const TicketFiles &files, const TicketSettings &settings)
{
    return settings.outbat && files.handOverReady && HandOverScript::start(settings.handOverScriptPath());
}

void recordPrint(const QSqlDatabase &db, qint64 serial, bool reprint)
{
    QString error;
    if (!Transport::countPrint(db, serial, &error))
        throw DatabaseError(error.isEmpty() ? message(TicketMessages::kTicketNotFound) : error);
    if (reprint)
        Trail::reprinted(db, serial);
}

TicketOutcome FillTicketTemplate(qint64 serial, const QSqlDatabase &db, const QString &templatePath,
                                 const QString &outputPath, const TicketSettings &settings, TicketPrintUi *ui,
                                 const QDate &printDate)
{
    // A missing template stops before the database is asked.
    const LoadedTicket loaded = QFileInfo(templatePath).isFile()
                                    ? loadTicketForPrint(serial, db, templateNamesPictures(templatePath))
                                    : LoadedTicket{};
    const TicketFiles files = writeTemplateFiles(loaded, templatePath, outputPath, settings, printDate);
    TicketOutcome outcome;
    outcome.messages = files.messages;
    outcome.ok = files.pageWritten;
    if (files.pageWritten) {
        outcome.print = PrintHtmlTicket(outputPath, settings.printMode, ui, ticketJobTitle(serial));
        if (!outcome.print.message.isEmpty())
            outcome.messages.append(outcome.print.message);
        countIfPrinted(*files.transport, db, outcome);
    }
    outcome.handedOver = startHandOver(files, settings);
    return outcome;
}

PrintOutcome PrintHtmlTicket(const QString &outputPath, PrintMode mode, TicketPrintUi *ui, const QString &jobTitle)
{
    PrintOutcome outcome;
    if (mode == PrintMode::None || mode == PrintMode::WordDocument)
        return outcome;
    if (mode != PrintMode::DefaultPrinter && !ui) {
        outcome.message = printFailedMessage(QStringLiteral("Ehhez a nyomtatási módhoz ablak kell."));
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

    const QString pdfPath = pdfBeside(outputPath);
    const QString renderError = HtmlPdfRenderer::render(outputPath, pdfPath);
    if (!renderError.isEmpty()) {
        outcome.message = printFailedMessage(renderError);
        return outcome;
    }
    outcome.pdfPath = pdfPath;

    if (mode == PrintMode::Preview) {
        outcome.printed = ui->showPreview(pdfPath);
        return outcome;
    }
    const CupsPrinter::Job job = CupsPrinter::printPdf(pdfPath, choice.printer, jobTitle, choice.copies);
    outcome.jobId = job.id;
    outcome.printed = job.error.isEmpty();
    if (!job.error.isEmpty())
        outcome.message = printFailedMessage(job.error);
    return outcome;
}

TicketOutcome PrintWordTicket(qint64 serial, const QSqlDatabase &db, const TicketSettings &settings,
                              TicketPrintUi *ui, const QString &pdfPath)
{
    const TicketFiles files = writeWordFiles(loadTicketForPrint(serial, db), settings);
    TicketOutcome outcome;
    outcome.messages = files.messages;
    if (!files.transport)
        return outcome;
    if (files.pageWritten) {
        outcome.ok = true;
        outcome.print = printWordCopy(WordTicket::filledCopyPath(settings.wordDocument), settings, ui, pdfPath,
                                      ticketJobTitle(serial));
        if (!outcome.print.message.isEmpty())
            outcome.messages.append(outcome.print.message);
        countIfPrinted(*files.transport, db, outcome);
    }
    outcome.handedOver = startHandOver(files, settings);
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
