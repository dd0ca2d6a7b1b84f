#pragma once

#include "TicketApi.h"

#include <QString>

class WebServer;

// The office's pages (iroda users, GET only, no script): today's tickets and the transports in progress (/), the
// search with its totals, pages and CSV download (/kereses, /kereses.csv), one ticket with its pictures, trail and
// PDF (/jegy/SERIAL), and the stock report (/keszlet). They read through the same core as the windows, so a page
// shows the rows and figures the window shows for the same filter; nothing here changes a record.
namespace OfficePages {

// Rows on one page of a search.
inline constexpr int kPageRows = 50;

struct Options {
    // The ticket's PDF comes from the API's renderer.
    TicketApi::Options api;
    // The search's period when none is given: this many days before today, to today (the window's minusznapok).
    int daysBack = 30;
    // The search window's stored minimal serial number (minsorszam).
    QString minSerial = QStringLiteral("0");
};

void mount(WebServer &server, const Options &options);

} // namespace OfficePages
