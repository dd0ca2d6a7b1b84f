#pragma once

#include "Pictures.h"
#include "TicketSettings.h"
#include "Transport.h"

#include <QDate>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

class TicketPrintUi;

// What a print step did.
struct PrintOutcome {
    QString message; // to show; empty when the step went through or was cancelled by the user
    QString pdfPath; // the rendered ticket, when one was rendered
    int jobId = 0;   // the print job, when one was queued
    bool printed = false; // the document went to a printer (a queued job, or printed from the preview)
};

// What printing one ticket did.
struct TicketOutcome {
    bool ok = false;      // the ticket was filled without error
    QStringList messages; // to show with uzenet, in this order
    PrintOutcome print;   // the print step, when it ran
    bool handedOver = false; // the hand-over script was started
};

// The ticket's row as it is about to be printed: its print count is the one it will have once this print has gone
// to the printer (the stored count + 1), so the copy mark on the paper is true without counting anything yet.
struct LoadedTicket {
    std::optional<Transport> transport;
    QString message; // why there is none: no such ticket, or the database's text
    QList<Pictures::Picture> pictures; // read only when asked for
};
// withPictures: the ticket's pictures too, for a template that names them (templateNamesPictures).
LoadedTicket loadTicketForPrint(qint64 serial, const QSqlDatabase &db, bool withPictures = false);
// Whether the template file names any picture placeholder (%kep1_1% …); false when it cannot be read.
bool templateNamesPictures(const QString &templatePath);

// One ticket's files as written before its print step.
struct TicketFiles {
    std::optional<Transport> transport; // unset: nothing to print or hand over
    QStringList messages;
    bool pageWritten = false;   // out.htm, or the word-processor copy, written whole from this ticket
    bool handOverReady = false; // this ticket's hand-over files were written whole: the script may pass them on
};

// The text path's files: out.htm from the template, then out.txt when switched on. A missing template writes
// nothing; a ticket that was not found empties out.htm, so the previous truck's page is never printed in its place.
TicketFiles writeTemplateFiles(const LoadedTicket &loaded, const QString &templatePath, const QString &outputPath,
                               const TicketSettings &settings, const QDate &printDate = QDate::currentDate());
// The word-processor path's files: the filled copy of settings.wordDocument, then out.txt when switched on. A
// missing document still writes out.txt: the data is handed over whatever the document does.
TicketFiles writeWordFiles(const LoadedTicket &loaded, const TicketSettings &settings);
// Starts the hand-over script when it is switched on and this ticket's files are ready; true when started.
bool startHandOver(const TicketFiles &files, const TicketSettings &settings);

// A print of the ticket went to the printer: counts it, and for a reprint adds its trail row. Throws DatabaseError.
void recordPrint(const QSqlDatabase &db, qint64 serial, bool reprint);

// The plain synchronous path for command-line use and tests; the window program runs the same steps through its
// print queue.
//
// Fills the text template at templatePath with the finished transport of the given serial number into outputPath
// ("out.htm"), writes out.txt when outtxt is on, prints the page by the print mode (PrintHtmlTicket) and starts
// the hand-over script when outbat is on and the files were written. A missing template or serial number stops
// before anything is printed or handed over. A print that went to the printer is counted. printDate gives the year
// in front of the serial number. ui may be null for print modes 0 and 1.
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
// With pdfPath set the PDF is written there and nothing is printed. The hand-over steps run whatever happened to
// the document.
TicketOutcome PrintWordTicket(qint64 serial, const QSqlDatabase &db, const TicketSettings &settings,
                              TicketPrintUi *ui, const QString &pdfPath = {});

// The routing every caller does: the word-processor document for mode 4, otherwise the text template named
// templateName in the program folder.
TicketOutcome printTicket(qint64 serial, const QSqlDatabase &db, const QString &templateName,
                          const TicketSettings &settings, TicketPrintUi *ui,
                          const QDate &printDate = QDate::currentDate());

// The job title a ticket is printed under.
QString ticketJobTitle(qint64 serial);
// Where a filled page or document is rendered to: beside it, same base name, ".pdf".
QString pdfBeside(const QString &path);
// The message of a print that failed, with its reason.
QString printFailedMessage(const QString &reason);
