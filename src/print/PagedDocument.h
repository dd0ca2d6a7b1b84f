#pragma once

#include <QPageLayout>
#include <QString>

class QPainter;

// Pages laid out before they are drawn, so that the number of pages is known first: the list reports. The preview
// draws them on screen, printing and saving draw them into a PDF.
class PagedDocument
{
public:
    virtual ~PagedDocument() = default;

    virtual int pageCount() const = 0;
    // Paper, orientation and margins.
    virtual QPageLayout pageLayout() const = 0;
    // Draws a page (0-based). The painter's unit is the millimetre, measured from the paper's top left corner.
    virtual void paintPage(QPainter &painter, int page) const = 0;
};

namespace PagedDocuments {

// Writes pages first..last (0-based, inclusive; -1: to the end) to a PDF file. Returns the failure's text, empty on
// success; an earlier file of that name is replaced only by a complete one.
QString writePdf(const PagedDocument &document, const QString &path, int first = 0, int last = -1);

} // namespace PagedDocuments
