#include "T_previewform.h"

#include "ui_T_previewform.h"

#include "MessageBoxes.h"
#include "PagedDocument.h"
#include "WorkerCall.h"

#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// The document drawn on paper of the other orientation, turned a quarter so that nothing is cut off.
class TurnedDocument : public PagedDocument
{
public:
    explicit TurnedDocument(const PagedDocument &inner)
        : m_inner(inner)
    {
    }
    int pageCount() const override { return m_inner.pageCount(); }
    QPageLayout pageLayout() const override
    {
        QPageLayout layout = m_inner.pageLayout();
        layout.setOrientation(layout.orientation() == QPageLayout::Portrait ? QPageLayout::Landscape
                                                                            : QPageLayout::Portrait);
        return layout;
    }
    void paintPage(QPainter &painter, int page) const override
    {
        const QSizeF paper = pageLayout().fullRect(QPageLayout::Millimeter).size();
        painter.save();
        painter.translate(paper.width(), 0);
        painter.rotate(90);
        m_inner.paintPage(painter, page);
        painter.restore();
    }

private:
    const PagedDocument &m_inner;
};

} // namespace

T_previewform::T_previewform(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::T_previewform>())
{
    m_ui->setupUi(this);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_ui->statusBar->addWidget(m_status, 1);
    m_ui->page->setBackgroundRole(QPalette::Base);
    connect(m_ui->Nyomtatas, &QPushButton::clicked, this, &T_previewform::print);
    connect(m_ui->Nyomtato, &QPushButton::clicked, this, &T_previewform::choosePrinter);
    connect(m_ui->Elso, &QPushButton::clicked, this, &T_previewform::firstPage);
    connect(m_ui->Elozo, &QPushButton::clicked, this, &T_previewform::previousPage);
    connect(m_ui->Kovetkezo, &QPushButton::clicked, this, &T_previewform::nextPage);
    connect(m_ui->Utolso, &QPushButton::clicked, this, &T_previewform::lastPage);
    connect(m_ui->Nagyit, &QPushButton::clicked, this, &T_previewform::zoomIn);
    connect(m_ui->Kicsinyit, &QPushButton::clicked, this, &T_previewform::zoomOut);
    connect(m_ui->Bezar, &QPushButton::clicked, this, &QDialog::reject);
}

T_previewform::~T_previewform() = default;

void T_previewform::showDocument(std::unique_ptr<PagedDocument> document, const QString &jobTitle)
{
    attach(std::move(document), jobTitle);
    if (!m_sized) {
        // A page needs room to be read: most of the screen, the first time.
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            const QRect available = screen->availableGeometry();
            resize(available.size() * 0.9);
            move(available.center() - rect().center());
        }
        m_sized = true;
    }
    // Fitted once the window is laid out at its size; before that the page view has no size of its own.
    QTimer::singleShot(0, this, &T_previewform::fitPage);
    exec();
}

void T_previewform::attach(std::unique_ptr<PagedDocument> document, const QString &jobTitle)
{
    m_document = std::move(document);
    m_jobTitle = jobTitle;
    m_page = 0;
    showPage();
}

void T_previewform::detach()
{
    m_document.reset();
    m_page = 0;
    m_ui->page->clear();
    m_status->clear();
}

void T_previewform::done(int result)
{
    detach();
    QDialog::done(result);
}

int T_previewform::pageCount() const
{
    return m_document ? m_document->pageCount() : 0;
}

QString T_previewform::statusText() const
{
    return m_status->text();
}

void T_previewform::setZoom(int percent)
{
    m_zoom = qMax(1, percent);
    showPage();
}

void T_previewform::fitPage()
{
    if (!m_document)
        return;
    const QSizeF paper = m_document->pageLayout().fullRect(QPageLayout::Millimeter).size();
    const QSize room = m_ui->pageView->viewport()->size() - QSize(8, 8);
    const double at100 = logicalDpiX() / 25.4;
    const double fit = qMin(room.width() / (paper.width() * at100), room.height() / (paper.height() * at100));
    setZoom(qBound(kZoomOutAbove, int(fit * 100), kZoomInBelow));
}

void T_previewform::zoomIn()
{
    if (m_zoom < kZoomInBelow)
        setZoom(m_zoom + kZoomStep);
}

void T_previewform::zoomOut()
{
    if (m_zoom > kZoomOutAbove)
        setZoom(m_zoom - kZoomStep);
}

void T_previewform::firstPage()
{
    m_page = 0;
    showPage();
}

void T_previewform::previousPage()
{
    if (m_page > 0) {
        --m_page;
        showPage();
    }
}

void T_previewform::nextPage()
{
    if (m_page + 1 < pageCount()) {
        ++m_page;
        showPage();
    }
}

void T_previewform::lastPage()
{
    m_page = qMax(0, pageCount() - 1);
    showPage();
}

double T_previewform::pixelsPerMm() const
{
    return logicalDpiX() / 25.4 * m_zoom / 100.0;
}

void T_previewform::showPage()
{
    if (!m_document || pageCount() == 0) {
        m_ui->page->clear();
        m_status->clear();
        return;
    }
    const QSizeF paper = m_document->pageLayout().fullRect(QPageLayout::Millimeter).size();
    const double scale = pixelsPerMm();
    QImage image((paper * scale).toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.scale(scale, scale);
        m_document->paintPage(painter, m_page);
    }
    m_ui->page->setPixmap(QPixmap::fromImage(image));
    m_ui->page->resize(image.size());
    m_status->setText(QStringLiteral("Oldalak: %1/%2    Nagyítás: %3%")
                          .arg(currentPage())
                          .arg(pageCount())
                          .arg(m_zoom));
}

void T_previewform::choosePrinter()
{
    QPrinter printer;
    if (!m_choice.printer.isEmpty())
        printer.setPrinterName(m_choice.printer);
    printer.setCopyCount(m_choice.copies);
    if (m_document)
        printer.setPageOrientation(m_choice.orientation.value_or(m_document->pageLayout().orientation()));
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Nyomtató"));
    dialog.setMinMax(1, qMax(1, pageCount()));
    if (m_choice.fromPage > 0) {
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(m_choice.fromPage, m_choice.toPage);
    }
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_choice.printer = printer.printerName();
    m_choice.copies = qMax(1, printer.copyCount());
    m_choice.orientation = printer.pageLayout().orientation();
    if (printer.printRange() == QPrinter::PageRange) {
        m_choice.fromPage = printer.fromPage();
        m_choice.toPage = printer.toPage();
    } else {
        m_choice.fromPage = m_choice.toPage = 0;
    }
}

QFuture<CupsPrinter::Job> T_previewform::printDocument()
{
    if (!m_document)
        return QtFuture::makeReadyFuture(CupsPrinter::Job{0, QStringLiteral("Nincs nyomtatandó oldal.")});
    return QtConcurrent::run([document = m_document, choice = m_choice, title = m_jobTitle]() -> CupsPrinter::Job {
        QTemporaryDir dir;
        if (!dir.isValid())
            return {0, dir.errorString()};
        const QString pdf = dir.filePath(QStringLiteral("lista.pdf"));
        const bool turned = choice.orientation && *choice.orientation != document->pageLayout().orientation();
        const TurnedDocument turnedDocument(*document);
        const PagedDocument &source = turned ? static_cast<const PagedDocument &>(turnedDocument) : *document;
        const int first = choice.fromPage > 0 ? choice.fromPage - 1 : 0;
        const int last = choice.toPage > 0 ? choice.toPage - 1 : -1;
        const QString error = PagedDocuments::writePdf(source, pdf, first, last);
        if (!error.isEmpty())
            return {0, error};
        // CUPS has the file's contents once the job is queued, so the folder may go right after.
        return CupsPrinter::printPdf(pdf, choice.printer, title, choice.copies);
    });
}

void T_previewform::print()
{
    if (WorkerCall::Busy::running(this))
        return;
    WorkerCall::then(printDocument(), this, [](const CupsPrinter::Job &job) {
        if (!job.error.isEmpty())
            uzenet(job.error);
    }, std::make_shared<WorkerCall::Busy>(this, QList<QWidget *>{m_ui->Nyomtatas, m_ui->Nyomtato}));
}
