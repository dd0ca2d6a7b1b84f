#pragma once

#include <QString>

// Hands a finished PDF to a CUPS print queue.
namespace CupsPrinter {

struct Job {
    int id = 0;    // the CUPS job number, 0 when no job was made
    QString error; // why no job was made; empty on success
};

// The name of the default destination, empty when none is set.
QString defaultPrinter();

// Queues pdfPath on the printer (empty: the default destination) under title, with the destination's saved
// options. No dialog is shown.
Job printPdf(const QString &pdfPath, const QString &printer, const QString &title, int copies = 1);

} // namespace CupsPrinter
