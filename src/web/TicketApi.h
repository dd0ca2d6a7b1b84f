#pragma once

#include "TicketSettings.h"

#include <QJsonObject>
#include <QString>

class QSqlDatabase;
class WebServer;
struct WebResponse;

// The ERP's read-only JSON API under /api/v1/ (erp token): the finished tickets by date or after a serial number,
// one ticket and its PDF, the transports in progress, the stock report, and the OpenAPI document of all of these.
namespace TicketApi {

inline constexpr int kDefaultLimit = 100;
inline constexpr int kMaxLimit = 500;

struct Options {
    // How tickets are filled for their PDF (template in settings.programFolder).
    TicketSettings ticket;
    // The program that renders a filled HTML ticket to PDF: "PROGRAM render-pdf HTML --to PDF" (kelvoctl). The web
    // engine wants the GUI thread of a process of its own, which a service's worker threads are not.
    QString pdfProgram;
    // [Web] pdfnyomtatas: a PDF handed out counts as a print of the ticket.
    bool pdfCountsAsPrint = false;
};

void mount(WebServer &server, const Options &options);

// The ticket's PDF as /api/v1/tickets/SERIAL.pdf answers it (a JSON error when there is no such ticket or the
// renderer fails), for the office's pages to hand out the same document.
WebResponse pdf(const Options &options, qint64 serial, const QSqlDatabase &db);

// The OpenAPI 3 document of the API.
QJsonObject openApi();

} // namespace TicketApi
