#include "TicketPrintDialogs.h"

#include "CupsPrinter.h"
#include "MessageBoxes.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPdfDocument>
#include <QPdfView>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

std::optional<TicketPrintUi::PrinterChoice> TicketPrintDialogs::choosePrinter()
{
    QPrinter printer;
    QPrintDialog dialog(&printer, m_parent);
    dialog.setWindowTitle(QStringLiteral("Nyomtatás"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return PrinterChoice{printer.printerName(), printer.copyCount()};
}

void TicketPrintDialogs::showPreview(const QString &pdfPath)
{
    QDialog preview(m_parent);
    preview.setObjectName(QStringLiteral("ticketPreview"));
    preview.setWindowTitle(QStringLiteral("Nyomtatási kép"));
    preview.resize(700, 900);
    // The view keeps a pointer to the document: both belong to the dialog, the view made first goes first.
    auto *view = new QPdfView(&preview);
    auto *document = new QPdfDocument(&preview);
    document->load(pdfPath);
    view->setDocument(document);
    view->setPageMode(QPdfView::PageMode::MultiPage);
    view->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    auto *buttons = new QDialogButtonBox(&preview);
    QPushButton *print = buttons->addButton(QStringLiteral("Nyomtatás"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Bezárás"), QDialogButtonBox::RejectRole);
    auto *layout = new QVBoxLayout(&preview);
    layout->addWidget(view);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &preview, &QDialog::reject);
    QObject::connect(print, &QPushButton::clicked, &preview, [&] {
        const CupsPrinter::Job job = CupsPrinter::printPdf(pdfPath, QString(), QStringLiteral("Mérlegjegy"));
        if (!job.error.isEmpty())
            uzenet(job.error);
        else
            preview.accept();
    });
    preview.exec();
}
