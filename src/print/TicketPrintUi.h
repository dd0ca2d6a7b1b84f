#pragma once

#include <QString>

#include <optional>

// The steps of ticket printing that need a window; the window program implements them, the core stays
// window-free.
class TicketPrintUi
{
public:
    struct PrinterChoice {
        QString printer; // CUPS queue name
        int copies = 1;
    };

    virtual ~TicketPrintUi() = default;

    // The printer dialog: the chosen printer, or nothing when the user cancelled.
    virtual std::optional<PrinterChoice> choosePrinter() = 0;
    // The print preview of the rendered ticket; printing from the preview is the preview's business
    // (CupsPrinter::printPdf). Returns when the preview is closed: true when the ticket was printed from it.
    virtual bool showPreview(const QString &pdfPath) = 0;
};
