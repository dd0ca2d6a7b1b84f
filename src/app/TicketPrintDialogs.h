#pragma once

#include "TicketPrintUi.h"

#include <QString>

#include <functional>
#include <optional>

class QDialog;
class QWidget;

// The windows a ticket's print asks the operator through: the printer dialog and the preview of the rendered
// ticket. Both open window-modal over parent and answer by callback once the operator has closed them; neither
// waits. Each dialog deletes itself when closed; the returned pointer lets the caller close it early (reject).
namespace TicketPrintDialogs {

using PrinterChoice = TicketPrintUi::PrinterChoice;

// The printer dialog: chosen(the printer), or chosen(nothing) when the operator cancelled.
QDialog *choosePrinter(QWidget *parent, std::function<void(std::optional<PrinterChoice>)> chosen);

// The preview of the rendered ticket; its "Nyomtatás" hands the PDF to the default printer (on a worker thread,
// a refusal shown in the preview's place), which closes the preview. closed(true) when the ticket went to the
// printer, closed(false) when the preview was closed without printing.
QDialog *showPreview(QWidget *parent, const QString &pdfPath, const QString &jobTitle,
                     std::function<void(bool printed)> closed);

} // namespace TicketPrintDialogs
