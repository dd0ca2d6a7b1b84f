#pragma once

#include "TicketPrinter.h"

#include <QString>

#include <optional>

class Kelvo;

// Prints a finished transport's ticket the way the printing mode says, with the labels and company block the
// settings dialog holds. The main window takes no input until printing has ended.
class TicketRouting
{
public:
    explicit TicketRouting(Kelvo &kelvo);

    // mode: a one-off print mode (the reprint dialog's); unset, the settings dialog's. The settings stay as they are.
    void print(qint64 sorszam, const QString &templateName, std::optional<PrintMode> mode = std::nullopt);

    // Whether the word processor that fills and prints word-processor tickets can be started.
    static bool wordProcessorInstalled();
    // Whether a filled copy of the word-processor ticket document lies beside it: a ticket was printed that way and
    // can be printed again.
    static bool filledWordCopyExists(const QString &wordDocument);

private:
    Kelvo &m_kelvo;
};
