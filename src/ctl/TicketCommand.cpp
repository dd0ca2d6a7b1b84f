#include "Commands.h"

#include "CompanyData.h"
#include "Invocation.h"
#include "TicketPrinter.h"
#include "TicketSettings.h"
#include "Trail.h"
#include "WordTicket.h"

#include <QFileInfo>

int ticketCommand(Invocation &call)
{
    const QString serialText = call.args().operands().first();
    bool ok = false;
    const qint64 serial = serialText.toLongLong(&ok);
    if (!ok || serial <= 0)
        throw BadArguments(QStringLiteral("SERIAL must be a positive whole number, not \"%1\"").arg(serialText));

    // Without a company file the ticket carries the line the program puts there at start-up; this command
    // writes no settings files of its own.
    const QStringList company =
        CompanyData::load(call.home()).value_or(QStringList{QString::fromUtf8(CompanyData::kNotSetLine)});
    TicketSettings settings = TicketSettings::fromConfig(call.config(), company);
    settings.printMode = PrintMode::None;

    if (call.args().has(QStringLiteral("--word"))) {
        settings.wordDocument = QFileInfo(call.args().value(QStringLiteral("--word"))).absoluteFilePath();
        settings.wordDirectPrint = true;
        QString pdf = call.args().value(QStringLiteral("--pdf"));
        if (!pdf.isEmpty())
            pdf = QFileInfo(pdf).absoluteFilePath();
        const TicketOutcome outcome = PrintWordTicket(serial, call.database(), settings, nullptr, pdf);
        for (const QString &message : outcome.messages)
            call.out() << message << '\n';
        if (!outcome.messages.isEmpty())
            return kRefused;
        // A printed ticket was counted when the printer took it; a PDF handed out counts once it is written.
        if (outcome.print.printed)
            Trail::reprinted(call.database(), serial);
        else
            recordPrint(call.database(), serial, true);
        call.out() << WordTicket::filledCopyPath(settings.wordDocument) << '\n';
        if (!outcome.print.pdfPath.isEmpty())
            call.out() << outcome.print.pdfPath << '\n';
        return kDone;
    }
    if (call.args().has(QStringLiteral("--pdf")))
        throw BadArguments(QStringLiteral("--pdf goes with --word"));

    const QString templateName = call.args().value(QStringLiteral("--template"), settings.templateName);

    const TicketOutcome outcome = FillTicketTemplate(serial, call.database(), call.home() + templateName,
                                                     settings.outputPath(), settings, nullptr);
    for (const QString &message : outcome.messages)
        call.out() << message << '\n';
    if (!outcome.messages.isEmpty())
        return kRefused;
    // The page this command hands out is its print: counted once it was written whole.
    recordPrint(call.database(), serial, true);
    call.out() << settings.outputPath() << '\n';
    return kDone;
}
