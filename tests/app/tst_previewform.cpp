#include "../support/CupsPdf.h"

#include "CupsPrinter.h"
#include "PagedDocument.h"

#include "T_previewform.h"
#include "ui_T_previewform.h"

#include <QApplication>
#include <QPainter>
#include <QPdfDocument>
#include <QRandomGenerator>
#include <QTest>

namespace {

// A few A4 pages, each with its number written large.
class NumberedPages : public PagedDocument
{
public:
    explicit NumberedPages(int pages, QPageLayout::Orientation orientation = QPageLayout::Portrait)
        : m_pages(pages)
        , m_orientation(orientation)
    {
    }
    int pageCount() const override { return m_pages; }
    QPageLayout pageLayout() const override
    {
        return QPageLayout(QPageSize(QPageSize::A4), m_orientation, QMarginsF(10, 10, 10, 10),
                           QPageLayout::Millimeter);
    }
    void paintPage(QPainter &painter, int page) const override
    {
        QFont font = painter.font();
        font.setPointSizeF(20);
        painter.setFont(font);
        painter.drawText(QRectF(10, 10, 100, 30), QString::number(page + 1));
    }

private:
    int m_pages;
    QPageLayout::Orientation m_orientation;
};

} // namespace

class TestPreviewForm : public QObject
{
    Q_OBJECT

private slots:
    // Paging stays within the document and the status panel follows it.
    void paging_data()
    {
        QTest::addColumn<int>("pages");
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<int>("expected");
        QTest::newRow("starts on the first") << 3 << "" << 1;
        QTest::newRow("next") << 3 << "n" << 2;
        QTest::newRow("next stops at the last") << 3 << "nnnn" << 3;
        QTest::newRow("previous stops at the first") << 3 << "npp" << 1;
        QTest::newRow("last") << 3 << "l" << 3;
        QTest::newRow("first after last") << 3 << "lf" << 1;
        QTest::newRow("single page") << 1 << "nl" << 1;
    }
    void paging()
    {
        QFETCH(int, pages);
        QFETCH(QString, clicks);
        QFETCH(int, expected);
        T_previewform preview;
        preview.attach(std::make_unique<NumberedPages>(pages), QStringLiteral("teszt"));
        Ui::T_previewform *ui = preview.ui();
        for (QChar c : clicks) {
            QPushButton *button = c == u'n' ? ui->Kovetkezo : c == u'p' ? ui->Elozo : c == u'l' ? ui->Utolso
                                : c == u'f' ? ui->Elso : nullptr;
            if (button)
                QTest::mouseClick(button, Qt::LeftButton);
        }
        QCOMPARE(preview.currentPage(), expected);
        QVERIFY2(preview.statusText().startsWith(QStringLiteral("Oldalak: %1/%2").arg(expected).arg(pages)),
                 qPrintable(preview.statusText()));
    }

    // Zoom moves in steps of ten and stops just past its limits.
    void zoomLimits_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("in");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<int>("expected");
        QTest::newRow("in from 100") << 100 << true << 1 << 110;
        QTest::newRow("in from 195 stops at 205") << 195 << true << 3 << 205;
        QTest::newRow("out from 100") << 100 << false << 1 << 90;
        QTest::newRow("out from 15 stops at 5") << 15 << false << 3 << 5;
    }
    void zoomLimits()
    {
        QFETCH(int, start);
        QFETCH(bool, in);
        QFETCH(int, clicks);
        QFETCH(int, expected);
        T_previewform preview;
        preview.attach(std::make_unique<NumberedPages>(1), QStringLiteral("teszt"));
        preview.setZoom(start);
        const int before = preview.ui()->page->width();
        for (int i = 0; i < clicks; ++i)
            QTest::mouseClick(in ? preview.ui()->Nagyit : preview.ui()->Kicsinyit, Qt::LeftButton);
        QCOMPARE(preview.zoom(), expected);
        QCOMPARE(preview.ui()->page->width() > before, in);
    }

    // Closing the window, by Esc or by "Bezár", lets the document go.
    void closeDetaches_data()
    {
        QTest::addColumn<bool>("button");
        QTest::newRow("Esc") << false;
        QTest::newRow("Bezár") << true;
    }
    void closeDetaches()
    {
        QFETCH(bool, button);
        T_previewform preview;
        preview.attach(std::make_unique<NumberedPages>(2), QStringLiteral("teszt"));
        preview.show();
        if (button)
            QTest::mouseClick(preview.ui()->Bezar, Qt::LeftButton);
        else
            QTest::keyClick(&preview, Qt::Key_Escape);
        QVERIFY(!preview.isVisible());
        QCOMPARE(preview.pageCount(), 0);
    }

    // The chosen page range reaches the printed file; a turned page goes through as well.
    void printsToPdfPrinter_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<int>("pages");
        QTest::newRow("all pages") << 0 << 0 << false << 3;
        QTest::newRow("pages 2-3 turned") << 2 << 3 << true << 2;
    }
    void printsToPdfPrinter()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(bool, landscape);
        QFETCH(int, pages);
        if (CupsPrinter::defaultPrinter() != QLatin1String("PDF"))
            QSKIP("the default printer is not the PDF printer: run ./scripts/printer");
        const QString token =
            QStringLiteral("kelvolista%1").arg(QRandomGenerator::global()->generate64(), 0, 36);
        T_previewform preview;
        preview.attach(std::make_unique<NumberedPages>(3), token);
        T_previewform::PrintChoice choice;
        choice.printer = QStringLiteral("PDF");
        choice.fromPage = from;
        choice.toPage = to;
        if (landscape)
            choice.orientation = QPageLayout::Landscape;
        preview.setPrintChoice(choice);
        // The window may close while the list is still written out.
        const QFuture<CupsPrinter::Job> printing = preview.printDocument();
        preview.detach();
        const CupsPrinter::Job job = printing.result();
        QCOMPARE(job.error, QString());
        QVERIFY(job.id > 0);
        QString printed;
        QTRY_VERIFY_WITH_TIMEOUT(!(printed = CupsPdf::findPrinted(token)).isEmpty(), 60000);
        QPdfDocument pdf;
        QTRY_VERIFY_WITH_TIMEOUT(pdf.load(printed) == QPdfDocument::Error::None && pdf.pageCount() == pages, 10000);
        QFile::remove(printed);
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestPreviewForm test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_previewform.moc"
