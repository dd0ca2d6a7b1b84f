#pragma once

#include "CupsPrinter.h"
#include "TicketPrintUi.h"
#include "TicketPrinter.h"
#include "TicketSettings.h"

#include <QFuture>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class DatabaseWorker;
class OfficeConversion;
class PageRenderer;
class QDialog;
class QProgressDialog;
class QWidget;

// One ticket's print, step by step, none of them waiting on the window thread: the row is read on the database
// worker, the files are written on a pool thread, the page is rendered by the web engine's signals, LibreOffice
// runs by its process's signals, CUPS takes the job on a pool thread, and the print is counted on the database
// worker once the document has gone to the printer. The printer dialog and the preview wait for the operator.
class TicketPrintJob : public QObject
{
    Q_OBJECT

public:
    struct Request {
        qint64 serial = 0;
        QString templateName;
        TicketSettings settings; // as they were when the print was asked for; printMode is this print's
        bool reprint = false;    // a reprint leaves its row in the trail once printed
    };

    // window: the parent of the dialogs the print opens.
    TicketPrintJob(DatabaseWorker *worker, QWidget *window, Request request, QObject *parent = nullptr);
    ~TicketPrintJob() override;

    void start();
    // Ends the print at once for a program that closes: dialogs closed, the render and LibreOffice abandoned,
    // nothing shown. A job the printer is taking this moment waits for its answer, so that a printed ticket is
    // counted; the hand-over still starts when its files were written.
    void stop();

signals:
    // CUPS took the ticket for the printer named.
    void sent(const QString &printer);
    // The print has ended, its messages shown.
    void finished();

private:
    struct Submission {
        CupsPrinter::Job job;
        QString printer; // the queue that took it
    };
    void loaded(const LoadedTicket &loaded);
    void writeFiles(const LoadedTicket &loaded);
    void filesWritten(const TicketFiles &files);
    void choosePrinter(const std::function<void(const TicketPrintUi::PrinterChoice &)> &then);
    void render(const TicketPrintUi::PrinterChoice &choice);
    void convertWord(const TicketPrintUi::PrinterChoice &choice);
    // LibreOffice from source to target with a progress dialog that can cancel; done runs when it went through.
    void convert(const QString &source, const QString &target, const QString &label, std::function<void()> done);
    void submit(const QString &pdfPath, const TicketPrintUi::PrinterChoice &choice);
    void submitted(const Submission &submission);
    void count();
    void fail(const QString &message);
    void end();
    void halt();
    void handOver();
    QProgressDialog *progress(const QString &label);

    DatabaseWorker *m_worker;
    QPointer<QWidget> m_window;
    Request m_request;
    TicketFiles m_files;
    QStringList m_messages;
    bool m_handedOver = false;
    bool m_ended = false;
    QPointer<QDialog> m_dialog; // the printer dialog, the preview or the progress of LibreOffice
    PageRenderer *m_renderer = nullptr;
    OfficeConversion *m_conversion = nullptr;
    QFuture<Submission> m_submission;
    bool m_submitting = false;
};
