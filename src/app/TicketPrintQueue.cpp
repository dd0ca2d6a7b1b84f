#include "TicketPrintQueue.h"

#include "Kelvo.h"
#include "TFoform.h"
#include "Tbeallitasok.h"

TicketPrintQueue::TicketPrintQueue(Kelvo &kelvo, QObject *parent)
    : QObject(parent)
    , m_kelvo(kelvo)
{
}

TicketPrintQueue::~TicketPrintQueue() = default;

void TicketPrintQueue::print(qint64 sorszam, const QString &templateName, std::optional<PrintMode> mode,
                             bool reprint)
{
    if (m_stopped)
        return;
    const RunSettings &run = m_kelvo.settings();
    TicketPrintJob::Request request;
    request.serial = sorszam;
    request.templateName = templateName;
    request.reprint = reprint;
    TicketSettings &ticket = request.settings;
    ticket.programFolder = m_kelvo.programFolder();
    ticket.templateName = templateName;
    ticket.wordDocument = run.winwordfile;
    ticket.wordDirectPrint = run.worddirectprint;
    ticket.evelojel = run.evelojel;
    ticket.outtxt = run.outtxt;
    ticket.outbat = run.outbat;
    m_kelvo.beallitasok()->fillTicketSettings(ticket);
    if (mode)
        ticket.printMode = *mode;
    m_waiting.push_back(std::move(request));
    next();
}

void TicketPrintQueue::next()
{
    if (m_stopped || m_current)
        return;
    if (m_waiting.empty()) {
        emit drained();
        return;
    }
    auto *job = new TicketPrintJob(m_kelvo.worker(), m_kelvo.Foform(), std::move(m_waiting.front()), this);
    m_waiting.pop_front();
    m_current = job;
    connect(job, &TicketPrintJob::sent, this, &TicketPrintQueue::sent);
    connect(job, &TicketPrintJob::finished, this, [this, job] {
        if (m_current == job)
            m_current = nullptr;
        job->deleteLater();
        next();
    });
    job->start();
}

void TicketPrintQueue::stop()
{
    m_stopped = true;
    m_waiting.clear();
    // Not deleted here: the job may be showing a message box this moment; it goes with the queue.
    if (m_current)
        m_current->stop();
}
