#include "TicketPrintJob.h"

#include "DatabaseWorker.h"
#include "MessageBoxes.h"
#include "OfficeConversion.h"
#include "PageRenderer.h"
#include "TicketPrintDialogs.h"
#include "WordTicket.h"
#include "WorkerCall.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QProgressDialog>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// Calls done(result) on context's thread once the future has its result; nothing once context is gone.
template <typename R, typename Done>
void whenReady(QFuture<R> future, QObject *context, Done done)
{
    auto *watcher = new QFutureWatcher<R>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context, [watcher, done = std::move(done)] {
        watcher->deleteLater();
        done(watcher->result());
    });
    watcher->setFuture(future);
}

} // namespace

TicketPrintJob::TicketPrintJob(DatabaseWorker *worker, QWidget *window, Request request, QObject *parent)
    : QObject(parent)
    , m_worker(worker)
    , m_window(window)
    , m_request(std::move(request))
{
}

TicketPrintJob::~TicketPrintJob()
{
    if (!m_ended)
        halt();
    delete m_dialog.data();
}

void TicketPrintJob::start()
{
    if (!m_worker)
        return fail(QStringLiteral("Nincs megnyitott adatbázis."));
    const qint64 serial = m_request.serial;
    // An HTML template that shows the cameras' pictures needs them read with the ticket; the template is looked at
    // here on the worker too, as it is a file.
    const QString templatePath = m_request.settings.printMode == PrintMode::WordDocument
                                     ? QString()
                                     : m_request.settings.programFolder + m_request.templateName;
    WorkerCall::then(
        m_worker->run([serial, templatePath](QSqlDatabase db) {
            return loadTicketForPrint(serial, db, !templatePath.isEmpty() && templateNamesPictures(templatePath));
        }),
        this,
        [this](const LoadedTicket &ticket) { loaded(ticket); }, {},
        [this](const std::exception &e) { fail(QString::fromUtf8(e.what())); });
}

void TicketPrintJob::loaded(const LoadedTicket &ticket)
{
    const QString document = m_request.settings.wordDocument;
    const bool word = m_request.settings.printMode == PrintMode::WordDocument;
    const QString converted = word && ticket.transport && QFileInfo(document).isFile()
                                  ? WordTicket::conversionNeeded(document)
                                  : QString();
    if (converted.isEmpty())
        return writeFiles(ticket);
    // A .doc is filled through a .docx LibreOffice makes from it first.
    convert(document, converted, QStringLiteral("A szövegszerkesztő dokumentum átalakítása..."),
            [this, ticket] { writeFiles(ticket); });
}

void TicketPrintJob::writeFiles(const LoadedTicket &ticket)
{
    const Request request = m_request;
    whenReady(QtConcurrent::run([ticket, request] {
                  const TicketSettings &s = request.settings;
                  if (s.printMode == PrintMode::WordDocument)
                      return writeWordFiles(ticket, s);
                  return writeTemplateFiles(ticket, s.programFolder + request.templateName, s.outputPath(), s);
              }),
              this, [this](const TicketFiles &files) { filesWritten(files); });
}

void TicketPrintJob::filesWritten(const TicketFiles &files)
{
    m_files = files;
    m_messages += files.messages;
    if (!files.pageWritten)
        return end();
    const TicketSettings &s = m_request.settings;
    switch (s.printMode) {
    case PrintMode::None:
        // Nothing goes to a printer, so nothing counts: the page carries the mark its first print will have.
        return end();
    case PrintMode::DefaultPrinter:
    case PrintMode::Preview:
        return render({});
    case PrintMode::ChoosePrinter:
        return choosePrinter([this](const TicketPrintUi::PrinterChoice &choice) { render(choice); });
    case PrintMode::WordDocument:
        if (s.wordDirectPrint)
            return convertWord({});
        return choosePrinter([this](const TicketPrintUi::PrinterChoice &choice) { convertWord(choice); });
    }
    end();
}

void TicketPrintJob::choosePrinter(const std::function<void(const TicketPrintUi::PrinterChoice &)> &then)
{
    // The printer is chosen before the engine starts, so a cancelled dialog costs nothing and counts nothing.
    const QPointer<TicketPrintJob> self(this);
    m_dialog = TicketPrintDialogs::choosePrinter(
        m_window, [self, then](std::optional<TicketPrintUi::PrinterChoice> choice) {
            if (!self || self->m_ended)
                return;
            if (!choice)
                return self->end();
            then(*choice);
        });
}

void TicketPrintJob::render(const TicketPrintUi::PrinterChoice &choice)
{
    const QString page = m_request.settings.outputPath();
    const QString pdf = pdfBeside(page);
    m_renderer = new PageRenderer(this);
    connect(m_renderer, &PageRenderer::finished, this, [this, choice, pdf](const QString &error) {
        m_renderer->deleteLater();
        m_renderer = nullptr;
        if (!error.isEmpty())
            return fail(printFailedMessage(error));
        if (m_request.settings.printMode != PrintMode::Preview)
            return submit(pdf, choice);
        const QPointer<TicketPrintJob> self(this);
        m_dialog = TicketPrintDialogs::showPreview(m_window, pdf, ticketJobTitle(m_request.serial),
                                                   [self](bool printed) {
                                                       if (!self || self->m_ended)
                                                           return;
                                                       if (printed)
                                                           self->count();
                                                       else
                                                           self->end();
                                                   });
    });
    m_renderer->start(page, pdf);
}

void TicketPrintJob::convertWord(const TicketPrintUi::PrinterChoice &choice)
{
    const QString filled = WordTicket::filledCopyPath(m_request.settings.wordDocument);
    const QString pdf = pdfBeside(filled);
    convert(filled, pdf, QStringLiteral("A mérlegjegy nyomtatási képe készül..."),
            [this, pdf, choice] { submit(pdf, choice); });
}

void TicketPrintJob::convert(const QString &source, const QString &target, const QString &label,
                             std::function<void()> done)
{
    m_conversion = new OfficeConversion(this);
    QProgressDialog *dialog = progress(label);
    connect(m_conversion, &OfficeConversion::finished, this,
            [this, dialog, done = std::move(done)](const QString &error) {
                dialog->disconnect(this);
                dialog->deleteLater();
                m_conversion->deleteLater();
                m_conversion = nullptr;
                if (!error.isEmpty())
                    return fail(printFailedMessage(error));
                done();
            });
    m_conversion->start(source, target);
}

QProgressDialog *TicketPrintJob::progress(const QString &label)
{
    auto *dialog = new QProgressDialog(label, QStringLiteral("Mégse"), 0, 0, m_window);
    dialog->setObjectName(QStringLiteral("ticketProgress"));
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setMinimumDuration(500);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setValue(0);
    connect(dialog, &QProgressDialog::canceled, this, [this, dialog] {
        // Cancelled before anything went to the printer: nothing counts.
        dialog->deleteLater();
        if (m_conversion)
            m_conversion->cancel();
        end();
    });
    m_dialog = dialog;
    return dialog;
}

void TicketPrintJob::submit(const QString &pdfPath, const TicketPrintUi::PrinterChoice &choice)
{
    const QString title = ticketJobTitle(m_request.serial);
    m_submitting = true;
    m_submission = QtConcurrent::run([pdfPath, choice, title] {
        const QString printer = choice.printer.isEmpty() ? CupsPrinter::defaultPrinter() : choice.printer;
        return Submission{CupsPrinter::printPdf(pdfPath, choice.printer, title, choice.copies), printer};
    });
    whenReady(m_submission, this, [this](const Submission &submission) { submitted(submission); });
}

void TicketPrintJob::submitted(const Submission &submission)
{
    m_submitting = false;
    if (!submission.job.error.isEmpty())
        return fail(printFailedMessage(submission.job.error));
    emit sent(submission.printer);
    count();
}

void TicketPrintJob::count()
{
    const qint64 serial = m_request.serial;
    const bool reprint = m_request.reprint;
    WorkerCall::then(
        m_worker->run([serial, reprint](QSqlDatabase db) { recordPrint(db, serial, reprint); }), this,
        [this] { end(); }, {}, [this](const std::exception &e) { fail(QString::fromUtf8(e.what())); });
}

void TicketPrintJob::fail(const QString &message)
{
    m_messages.append(message);
    end();
}

void TicketPrintJob::handOver()
{
    if (m_handedOver)
        return;
    m_handedOver = true;
    startHandOver(m_files, m_request.settings);
}

void TicketPrintJob::end()
{
    if (m_ended)
        return;
    m_ended = true;
    handOver();
    // A message box waits for the operator; the program may close meanwhile and take this job with it.
    const QPointer<TicketPrintJob> self(this);
    const QStringList messages = m_messages;
    for (const QString &message : messages) {
        uzenet(message);
        if (!self)
            return;
    }
    emit finished();
}

void TicketPrintJob::stop()
{
    // A job showing its messages ends when the operator has read them (or the program is gone).
    if (m_ended)
        return;
    halt();
    emit finished();
}

void TicketPrintJob::halt()
{
    m_ended = true;
    if (m_submitting) {
        // CUPS answers a local submission at once; a ticket it took is counted before the program ends (the worker
        // runs what it was given).
        m_submission.waitForFinished();
        m_submitting = false;
        if (m_submission.result().job.error.isEmpty() && m_worker) {
            const qint64 serial = m_request.serial;
            const bool reprint = m_request.reprint;
            m_worker->run([serial, reprint](QSqlDatabase db) { recordPrint(db, serial, reprint); });
        }
    }
    delete m_renderer;
    m_renderer = nullptr;
    if (m_conversion)
        m_conversion->cancel();
    if (m_dialog)
        m_dialog->close();
    handOver();
}
