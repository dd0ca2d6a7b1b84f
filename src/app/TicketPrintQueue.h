#pragma once

#include "TicketPrintJob.h"
#include "TicketSettings.h"

#include <QObject>
#include <QString>

#include <deque>
#include <optional>

class Kelvo;

// Every ticket print of the window program goes through here: prints go out one at a time, in the order asked,
// none inside another. Asking returns at once; the print's steps run on as the event loop carries them, and their
// messages are shown as each print ends.
class TicketPrintQueue : public QObject
{
    Q_OBJECT

public:
    explicit TicketPrintQueue(Kelvo &kelvo, QObject *parent = nullptr);
    ~TicketPrintQueue() override;

    // Queues the ticket of the serial number, with the labels and company block the settings dialog holds now.
    // mode: a one-off print mode (the reprint dialog's); unset, the settings dialog's. reprint: a print of a ticket
    // printed before, which leaves its row in the trail once printed.
    void print(qint64 sorszam, const QString &templateName, std::optional<PrintMode> mode, bool reprint);

    // Whether no print is going or waiting.
    bool idle() const { return !m_current && m_waiting.empty(); }

    // The program closes: the waiting prints are dropped, the one going is ended (TicketPrintJob::stop).
    void stop();

signals:
    // A ticket went to the printer named.
    void sent(const QString &printer);
    // The last print asked for has ended.
    void drained();

private:
    void next();

    Kelvo &m_kelvo;
    std::deque<TicketPrintJob::Request> m_waiting;
    TicketPrintJob *m_current = nullptr; // a child of the queue
    bool m_stopped = false;
};
