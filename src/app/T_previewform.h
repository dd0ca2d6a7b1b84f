#pragma once

#include "CupsPrinter.h"

#include <QDialog>
#include <QFuture>
#include <QPageLayout>

#include <memory>
#include <optional>

class PagedDocument;
class QLabel;

namespace Ui {
class T_previewform;
}

// Preview of printed list reports: page by page at a chosen zoom, printed through CUPS.
class T_previewform : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kZoomStep = 10;
    static constexpr int kZoomInBelow = 200;  // zooming in stops once the zoom has reached this
    static constexpr int kZoomOutAbove = 10;  // zooming out stops once the zoom has come down to this

    // What "Nyomtató" chose; it stays in effect for every print until the program ends.
    struct PrintChoice {
        QString printer; // CUPS queue; empty: the default destination
        int copies = 1;
        std::optional<QPageLayout::Orientation> orientation; // unset: the document's own
        int fromPage = 0; // 1-based, inclusive; 0: all pages
        int toPage = 0;
    };

    explicit T_previewform(QWidget *parent = nullptr);
    ~T_previewform() override;

    Ui::T_previewform *ui() const { return m_ui.get(); }

    // Shows the document modally, zoomed to fit the page; the document goes when the window closes.
    void showDocument(std::unique_ptr<PagedDocument> document, const QString &jobTitle);

    // The steps of showDocument, apart for the tests.
    void attach(std::unique_ptr<PagedDocument> document, const QString &jobTitle);
    void detach();

    int currentPage() const { return m_page + 1; }
    int pageCount() const;
    int zoom() const { return m_zoom; }
    void setZoom(int percent);
    void fitPage();
    QString statusText() const;

    const PrintChoice &printChoice() const { return m_choice; }
    void setPrintChoice(const PrintChoice &choice) { m_choice = choice; }

    // Prints the document with the current choice on a pool thread (writing the PDF of a long list takes a while);
    // the job, or why there is none.
    QFuture<CupsPrinter::Job> printDocument();

public slots:
    void firstPage();
    void previousPage();
    void nextPage();
    void lastPage();
    void zoomIn();
    void zoomOut();
    void choosePrinter();
    void print();

protected:
    void done(int result) override;

private:
    void showPage();
    double pixelsPerMm() const;

    std::unique_ptr<Ui::T_previewform> m_ui;
    QLabel *m_status = nullptr;
    // Shared with a print still being written after the window closed.
    std::shared_ptr<const PagedDocument> m_document;
    QString m_jobTitle;
    int m_page = 0;
    int m_zoom = 100;
    bool m_sized = false;
    PrintChoice m_choice;
};
