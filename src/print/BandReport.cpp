#include "BandReport.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>

namespace {

// Fonts are sized in hundredths of a millimetre so that the size does not depend on the device's resolution.
constexpr double kUnitsPerMm = 100;
constexpr double kMmPerPoint = 25.4 / 72;

struct MeasuredFont {
    QFont font;
    QFontMetricsF metrics;
};
// Fonts by pixel size and weight, made once per page rather than once per text.
using FontCache = QHash<int, MeasuredFont>;

const MeasuredFont &fontFor(FontCache &fonts, const BandText &item)
{
    const int pixels = qMax(1, qRound(item.points * kMmPerPoint * kUnitsPerMm));
    const int key = pixels * 2 + (item.bold ? 1 : 0);
    auto found = fonts.find(key);
    if (found == fonts.end()) {
        QFont font;
        font.setFamilies(BandReport::fontFamilies());
        font.setPixelSize(pixels);
        font.setBold(item.bold);
        found = fonts.insert(key, {font, QFontMetricsF(font)});
    }
    return *found;
}

// The painter is in hundredths of a millimetre here.
void paintBand(QPainter &painter, const Band &band, QPointF origin, FontCache &fonts)
{
    const auto at = [&origin](double x, double y) { return (origin + QPointF(x, y)) * kUnitsPerMm; };
    for (const BandLine &line : band.lines)
        painter.drawLine(QLineF(at(line.x1, line.y1), at(line.x2, line.y2)));
    for (const BandText &item : band.texts) {
        const MeasuredFont &font = fontFor(fonts, item);
        painter.setFont(font.font);
        QPointF baseline = at(item.x, item.y) + QPointF(0, font.metrics.ascent());
        // Line by line from the baseline: far quicker than laying out a text box for every item.
        for (const QStringView line : QStringView(item.text).split(u'\n')) {
            const QString text = line.toString();
            const double shift = item.alignRight ? font.metrics.horizontalAdvance(text) : 0;
            painter.drawText(baseline - QPointF(shift, 0), text);
            baseline.ry() += font.metrics.lineSpacing();
        }
    }
}

Band numbered(Band footer, int page, int pages)
{
    for (BandText &item : footer.texts) {
        item.text.replace(QLatin1String("{page}"), QString::number(page));
        item.text.replace(QLatin1String("{pages}"), QString::number(pages));
    }
    return footer;
}

} // namespace

QList<BandPage> paginate(const BandHeights &heights, qsizetype rows)
{
    // The footer keeps its place at the foot of every page.
    const double room = heights.body - heights.footer;
    QList<BandPage> pages{{.title = true}};
    double used = heights.title;
    for (qsizetype row = 0; row < rows; ++row) {
        // A page takes at least one row, so that a band taller than the page cannot loop for ever.
        if (used + heights.detail > room && pages.last().rows > 0) {
            pages.append(BandPage{.firstRow = row});
            used = 0;
        }
        if (pages.last().rows == 0)
            pages.last().firstRow = row;
        ++pages.last().rows;
        used += heights.detail;
    }
    if (used + heights.summary > room) {
        pages.append(BandPage{.firstRow = rows});
        used = 0;
    }
    pages.last().summary = true;
    return pages;
}

BandReport::BandReport(QPageLayout layout, Band title, qsizetype rows, double detailHeight, Detail detail,
                       Band footer, Band summary)
    : m_layout(std::move(layout))
    , m_title(std::move(title))
    , m_rows(rows)
    , m_detailHeight(detailHeight)
    , m_detail(std::move(detail))
    , m_footer(std::move(footer))
    , m_summary(std::move(summary))
{
    const double body = m_layout.paintRect(QPageLayout::Millimeter).height();
    m_pages = paginate({body, m_title.height, m_detailHeight, m_footer.height, m_summary.height}, m_rows);
}

QList<std::pair<double, Band>> BandReport::pageBands(int page) const
{
    QList<std::pair<double, Band>> bands;
    if (page < 0 || page >= m_pages.size())
        return bands;
    const BandPage &plan = m_pages.at(page);
    double y = 0;
    if (plan.title) {
        bands.append({y, m_title});
        y += m_title.height;
    }
    for (qsizetype row = plan.firstRow; row < plan.firstRow + plan.rows; ++row) {
        bands.append({y, m_detail(row)});
        y += m_detailHeight;
    }
    if (plan.summary)
        bands.append({y, m_summary});
    const double body = m_layout.paintRect(QPageLayout::Millimeter).height();
    bands.append({body - m_footer.height, numbered(m_footer, page + 1, pageCount())});
    return bands;
}

void BandReport::paintPage(QPainter &painter, int page) const
{
    const QPointF margin = m_layout.paintRect(QPageLayout::Millimeter).topLeft();
    painter.save();
    painter.scale(1 / kUnitsPerMm, 1 / kUnitsPerMm);
    painter.setPen(QPen(Qt::black, 0.2 * kUnitsPerMm));
    FontCache fonts;
    for (const auto &[top, band] : pageBands(page))
        paintBand(painter, band, margin + QPointF(0, top), fonts);
    painter.restore();
}

QStringList BandReport::fontFamilies()
{
    return {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("DejaVu Sans"),
            QStringLiteral("Sans Serif")};
}
