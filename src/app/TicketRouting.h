#pragma once

#include <QString>

class Kelvo;

// Prints a finished transport's ticket the way the printing mode says, with the labels and company block the
// settings dialog holds. The main window takes no input until printing has ended.
class TicketRouting
{
public:
    explicit TicketRouting(Kelvo &kelvo);

    void print(qint64 sorszam, const QString &templateName);

private:
    Kelvo &m_kelvo;
};
