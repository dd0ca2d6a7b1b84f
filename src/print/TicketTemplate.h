#pragma once

#include "Pictures.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

struct Transport;
struct TicketSettings;

// Filling a text ticket template: placeholders (a name between two percent signs) are replaced with the data of
// one finished transport.
namespace TicketTemplate {

struct Replacement {
    QByteArray placeholder; // plain ASCII, the same bytes in every template encoding
    QString value;          // ready for an HTML page: markup characters of the data are escaped
};

// The placeholders of the text path with their values, in the order they are applied. printDate supplies the year
// in front of the serial number.
QList<Replacement> replacements(const Transport &transport, const TicketSettings &settings, const QDate &printDate);

// The pictures' placeholders of an HTML template, %kep1_1% to %kep2_4% (weighing, camera): the picture as an
// embedded JPEG image where the ticket has it, empty where it has none.
QList<Replacement> pictureReplacements(const QList<Pictures::Picture> &pictures);
// Whether a template names any picture placeholder, so that its ticket's pictures must be read.
bool namesPictures(const QByteArray &templateBytes);

// A whole template, filled in its own encoding: each line gets the first occurrence of every placeholder replaced,
// in table order, each replacement working on the result of the previous one; lines end in CR LF; everything else
// is copied byte for byte. A UTF-8 template receives UTF-8 values; a Windows-1250 template receives Windows-1250
// values; a pure ASCII template stays ASCII. Characters the template's encoding cannot hold become numeric
// character references, so the page still shows them.
QByteArray fill(const QByteArray &templateBytes, const QList<Replacement> &replacements);

} // namespace TicketTemplate
