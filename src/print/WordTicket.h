#pragma once

#include "WordDocument.h"

#include <QList>
#include <QString>

struct Transport;
struct TicketSettings;

// The word-processor ticket: a .docx or .odt document (a .doc is converted first) filled with one transport.
namespace WordTicket {

// The placeholders of the word-processor ticket with plain-text values: the serial number never has the year,
// the user name is offered, the company block is not.
QList<WordDocument::Replacement> replacements(const Transport &transport, const TicketSettings &settings);

// Where the filled copy of documentPath is saved: beside it, its name with its own extension appended again
// ("merlegjegy.docx" gives "merlegjegy.docx.docx"). A .doc is filled as .docx ("merlegjegy.doc.docx").
QString filledCopyPath(const QString &documentPath);

// A .doc is filled through a .docx made from it and kept beside it: the copy still to be made (converted from
// documentPath before fill), empty when there is none to make.
QString conversionNeeded(const QString &documentPath);

// Fills the document for the transport and saves the filled copy (never the document itself). Returns the
// message to show, empty on success.
QString fill(const Transport &transport, const TicketSettings &settings, const QString &documentPath);

} // namespace WordTicket
