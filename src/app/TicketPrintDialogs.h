#pragma once

#include "TicketPrintUi.h"

class QWidget;

// The windows ticket printing needs: the printer dialog and the preview of the rendered ticket.
class TicketPrintDialogs : public TicketPrintUi
{
public:
    explicit TicketPrintDialogs(QWidget *parent)
        : m_parent(parent)
    {
    }

    std::optional<PrinterChoice> choosePrinter() override;
    void showPreview(const QString &pdfPath) override;

private:
    QWidget *m_parent;
};
