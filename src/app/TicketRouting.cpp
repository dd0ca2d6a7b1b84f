#include "TicketRouting.h"

#include "Database.h"
#include "Kelvo.h"
#include "MessageBoxes.h"
#include "OfficeConverter.h"
#include "TicketPrintDialogs.h"
#include "TicketPrinter.h"
#include "TicketSettings.h"

#include "TFoform.h"
#include "Tbeallitasok.h"
#include "WordTicket.h"

#include <QFileInfo>
#include <QPointer>

namespace {

// Rendering runs a nested event loop after the second weighing window has closed; while it runs, the main
// window's controls (menus, toolbar, list) take no input, so no command starts in the middle of a print. The
// window itself stays enabled, so the printer dialog and the preview that printing opens over it work.
class InputPause
{
public:
    explicit InputPause(QWidget *window)
    {
        for (QWidget *child : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (!child->isWindow() && child->isEnabled()) {
                child->setEnabled(false);
                m_paused.append(child);
            }
        }
    }
    ~InputPause()
    {
        for (const QPointer<QWidget> &child : m_paused) {
            if (child)
                child->setEnabled(true);
        }
    }
    InputPause(const InputPause &) = delete;
    InputPause &operator=(const InputPause &) = delete;

private:
    QList<QPointer<QWidget>> m_paused;
};

} // namespace

TicketRouting::TicketRouting(Kelvo &kelvo)
    : m_kelvo(kelvo)
{
}

void TicketRouting::print(qint64 sorszam, const QString &templateName, std::optional<PrintMode> mode)
{
    const RunSettings &run = m_kelvo.settings();
    TicketSettings ticket;
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

    TicketOutcome outcome;
    {
        const InputPause pause(m_kelvo.Foform());
        TicketPrintDialogs dialogs(m_kelvo.Foform());
        outcome = ::printTicket(sorszam, m_kelvo.database()->db(), templateName, ticket, &dialogs);
    }
    for (const QString &message : outcome.messages)
        uzenet(message);
}

bool TicketRouting::wordProcessorInstalled()
{
    return OfficeConverter::available();
}

bool TicketRouting::filledWordCopyExists(const QString &wordDocument)
{
    return !wordDocument.isEmpty() && QFileInfo::exists(WordTicket::filledCopyPath(wordDocument));
}
