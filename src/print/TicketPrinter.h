#pragma once

#include "TicketSettings.h"

#include <QDate>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

class TicketPrintUi;

// What a print step did.
struct PrintOutcome {
    QString message; // to show; empty when the step went through or was cancelled by the user
    QString pdfPath; // the rendered ticket, when one was rendered
    int jobId = 0;   // the print job, when one was queued
};

// What printing one ticket did.
struct TicketOutcome {
    bool ok = false;      // the ticket was filled without error
    QStringList messages; // to show with uzenet, in this order
    PrintOutcome print;   // the print step, when it ran
    bool handedOver = false; // the hand-over script was started
};

// Fills the text template at templatePath with the finished transport of the given serial number into outputPath
// ("out.htm"), then prints it by the print mode (PrintHtmlTicket), writes out.txt when outtxt is on and starts the
// hand-over script when outbat is on. A missing template or serial number stops before anything is printed or
// handed over. printDate gives the year in front of the serial number. ui may be null for print modes 0 and 1.
TicketOutcome FillTicketTemplate(qint64 serial, const QSqlDatabase &db, const QString &templatePath,
                                 const QString &outputPath, const TicketSettings &settings, TicketPrintUi *ui,
                                 const QDate &printDate = QDate::currentDate());

// Prints a filled ticket page by the mode: None prints nothing; DefaultPrinter renders it to PDF (beside the page,
// same base name) and queues it on the default printer; ChoosePrinter does so on the printer the user chooses;
// Preview renders it and shows the preview.
PrintOutcome PrintHtmlTicket(const QString &outputPath, PrintMode mode, TicketPrintUi *ui,
                             const QString &jobTitle = QStringLiteral("Mérlegjegy"));

// The word-processor path for one ticket (print mode 4): finds the row, fills the document settings.wordDocument
// names, saves the filled copy beside it (WordTicket::filledCopyPath), has LibreOffice make a PDF of it and prints
// that: at once on the default printer when settings.wordDirectPrint is on, else on the printer chosen through ui.
// With pdfPath set the PDF is written there and nothing is printed. The hand-over steps run whatever happened.
TicketOutcome PrintWordTicket(qint64 serial, const QSqlDatabase &db, const TicketSettings &settings,
                              TicketPrintUi *ui, const QString &pdfPath = {});

// The routing every caller does: the word-processor document for mode 4, otherwise the text template named
// templateName in the program folder.
TicketOutcome printTicket(qint64 serial, const QSqlDatabase &db, const QString &templateName,
                          const TicketSettings &settings, TicketPrintUi *ui,
                          const QDate &printDate = QDate::currentDate());
