#include "TicketPrintDialogs.h"

#include "CupsPrinter.h"
#include "MessageBoxes.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFutureWatcher>
#include <QPdfDocument>
#include <QPdfView>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>

namespace TicketPrintDialogs {

QDialog *choosePrinter(QWidget *parent, std::function<void(std::optional<PrinterChoice>)> chosen)
{
    // The dialog writes the choice into the printer, so the printer lives as long as the dialog.
    auto printer = std::make_shared<QPrinter>();
    auto *dialog = new QPrintDialog(printer.get(), parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setObjectName(QStringLiteral("ticketPrinterDialog"));
    dialog->setWindowTitle(QStringLiteral("Nyomtatás"));
    QObject::connect(dialog, &QDialog::finished, dialog, [printer, chosen = std::move(chosen)](int result) {
        if (result == QDialog::Accepted)
            chosen(PrinterChoice{printer->printerName(), printer->copyCount()});
        else
            chosen(std::nullopt);
    });
    dialog->open();
    return dialog;
}

QDialog *showPreview(QWidget *parent, const QString &pdfPath, const QString &jobTitle,
                     std::function<void(bool printed)> closed)
{
    auto *preview = new QDialog(parent);
    preview->setAttribute(Qt::WA_DeleteOnClose);
    preview->setObjectName(QStringLiteral("ticketPreview"));
    preview->setWindowTitle(QStringLiteral("Nyomtatási kép"));
    preview->resize(700, 900);
    // The view keeps a pointer to the document: both belong to the dialog, the view made first goes first.
    auto *view = new QPdfView(preview);
    auto *document = new QPdfDocument(preview);
    document->load(pdfPath);
    view->setDocument(document);
    view->setPageMode(QPdfView::PageMode::MultiPage);
    view->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    auto *buttons = new QDialogButtonBox(preview);
    QPushButton *print = buttons->addButton(QStringLiteral("Nyomtatás"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Bezárás"), QDialogButtonBox::RejectRole);
    auto *layout = new QVBoxLayout(preview);
    layout->addWidget(view);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, preview, &QDialog::reject);
    QObject::connect(print, &QPushButton::clicked, preview, [preview, buttons, pdfPath, jobTitle] {
        // One submission at a time; the preview stays until the printer has answered.
        buttons->setEnabled(false);
        auto *watcher = new QFutureWatcher<CupsPrinter::Job>(preview);
        QObject::connect(watcher, &QFutureWatcherBase::finished, preview, [preview, buttons, watcher] {
            watcher->deleteLater();
            const CupsPrinter::Job job = watcher->result();
            buttons->setEnabled(true);
            if (!job.error.isEmpty())
                uzenet(job.error);
            else
                preview->accept();
        });
        watcher->setFuture(QtConcurrent::run(
            [pdfPath, jobTitle] { return CupsPrinter::printPdf(pdfPath, QString(), jobTitle); }));
    });
    QObject::connect(preview, &QDialog::finished, preview,
                     [closed = std::move(closed)](int result) { closed(result == QDialog::Accepted); });
    preview->open();
    return preview;
}

} // namespace TicketPrintDialogs
