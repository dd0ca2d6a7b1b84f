#pragma once

#include <QString>

// What the reprint commands ask of ticket printing before they offer themselves; the prints themselves go through
// the print queue (TicketPrintQueue).
class TicketRouting
{
public:
    // Whether the word processor that fills and prints word-processor tickets can be started.
    static bool wordProcessorInstalled();
    // Whether a filled copy of the word-processor ticket document lies beside it: a ticket was printed that way and
    // can be printed again.
    static bool filledWordCopyExists(const QString &wordDocument);
};
