#pragma once

#include "PagedDocument.h"

#include <QList>
#include <QString>

#include <functional>

// A text of a band. x and y are millimetres from the band's top left corner; a right-aligned text ends at x.
struct BandText {
    double x = 0;
    double y = 0;
    QString text; // several lines when it holds line breaks
    bool alignRight = false;
    double points = 10;
    bool bold = false;
};

// A straight line of a band, in millimetres from its top left corner.
struct BandLine {
    double x1 = 0;
    double y1 = 0;
    double x2 = 0;
    double y2 = 0;
};

struct Band {
    double height = 0; // millimetres
    QList<BandText> texts;
    QList<BandLine> lines;
};

// What one page holds: the title on the first, a run of detail rows, the summary on the last; the page footer is on
// every page.
struct BandPage {
    bool title = false;
    qsizetype firstRow = 0;
    qsizetype rows = 0;
    bool summary = false;
    bool operator==(const BandPage &) const = default;
};

struct BandHeights {
    double body = 0; // the printable height of a page
    double title = 0;
    double detail = 0;
    double footer = 0;
    double summary = 0;
};

// Decides which band lands on which page. Always at least one page: an empty report still prints its bands.
QList<BandPage> paginate(const BandHeights &heights, qsizetype rows);

// A report of a title, one detail band per row, a page footer and a summary, laid out on construction. In the
// footer's texts "{page}" and "{pages}" stand for the page number and the page count.
class BandReport : public PagedDocument
{
public:
    using Detail = std::function<Band(qsizetype row)>;

    BandReport(QPageLayout layout, Band title, qsizetype rows, double detailHeight, Detail detail, Band footer,
               Band summary);

    int pageCount() const override { return int(m_pages.size()); }
    QPageLayout pageLayout() const override { return m_layout; }
    void paintPage(QPainter &painter, int page) const override;

    const QList<BandPage> &pages() const { return m_pages; }
    // The bands of a page as they are drawn, with their tops in millimetres from the printable area's top: the
    // page's texts, read without a painter.
    QList<std::pair<double, Band>> pageBands(int page) const;

    // Metric-compatible with the office fonts the reports were designed with, with fallbacks.
    static QStringList fontFamilies();

private:
    QPageLayout m_layout;
    Band m_title;
    qsizetype m_rows;
    double m_detailHeight;
    Detail m_detail;
    Band m_footer;
    Band m_summary;
    QList<BandPage> m_pages;
};
