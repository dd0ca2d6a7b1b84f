#include "PagedDocument.h"

#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace PagedDocuments {

QString writePdf(const PagedDocument &document, const QString &path, int first, int last)
{
    const int count = document.pageCount();
    if (last < 0 || last >= count)
        last = count - 1;
    first = qMax(0, first);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(document.pageLayout());
        writer.setResolution(1200);
        writer.setCreator(QStringLiteral("Kelvo"));
        QPainter painter;
        if (!painter.begin(&writer))
            return QStringLiteral("A PDF fájl nem írható: %1").arg(path);
        // Millimetres from the paper's corner, whatever the writer's margins.
        const QPointF paperOrigin = -writer.pageLayout().paintRectPixels(writer.resolution()).topLeft();
        const double dotsPerMm = writer.resolution() / 25.4;
        for (int page = first; page <= last; ++page) {
            if (page > first)
                writer.newPage();
            painter.save();
            painter.translate(paperOrigin);
            painter.scale(dotsPerMm, dotsPerMm);
            document.paintPage(painter, page);
            painter.restore();
        }
        painter.end();
    }
    // flush() first: commit() does not report a write still in the buffer that fails (a full disk).
    if (!file.flush() || !file.commit())
        return file.errorString();
    return {};
}

} // namespace PagedDocuments
