#include "WordTicket.h"

#include "OfficeConverter.h"
#include "TicketFormat.h"
#include "TicketSettings.h"
#include "Transport.h"

#include <QDate>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

bool isLegacyDoc(const QString &path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("doc"), Qt::CaseInsensitive) == 0;
}

// The .docx made from a .doc, kept beside it and made again only when the .doc is newer.
QString convertedCopyPath(const QString &docPath)
{
    const QFileInfo doc(docPath);
    return doc.absolutePath() + QStringLiteral("/.") + doc.fileName() + QStringLiteral(".converted.docx");
}

QString fillableDocument(const QString &documentPath, QString &error)
{
    if (!isLegacyDoc(documentPath))
        return documentPath;
    if (const QString converted = WordTicket::conversionNeeded(documentPath); !converted.isEmpty()) {
        error = OfficeConverter::convert(documentPath, converted);
        if (!error.isEmpty())
            return {};
    }
    return convertedCopyPath(documentPath);
}

} // namespace

namespace WordTicket {

QString conversionNeeded(const QString &documentPath)
{
    if (!isLegacyDoc(documentPath))
        return {};
    const QString converted = convertedCopyPath(documentPath);
    const QFileInfo cached(converted);
    if (cached.isFile() && cached.lastModified() >= QFileInfo(documentPath).lastModified())
        return {};
    return converted;
}

QList<WordDocument::Replacement> replacements(const Transport &t, const TicketSettings &s)
{
    const auto weight = [](qint64 v) { return TicketFormat::weight(std::llabs(v)); };
    const auto decimal = [](double v) { return TicketFormat::decimal(std::fabs(v)); };
    const bool inbound = t.irany == 0;
    QList<WordDocument::Replacement> list{
        {QStringLiteral("%sorszam%"), TicketFormat::serial(t.sorszam, false, QDate())},
        {QStringLiteral("%irany%"), inbound ? QStringLiteral("Beszállítás") : QStringLiteral("Kiszállítás")},
        {QStringLiteral("%elnevez1%"), inbound ? s.be1 : s.ki1},
        {QStringLiteral("%elnevez2%"), inbound ? s.be2 : s.ki2},
        {QStringLiteral("%vevonev%"), t.cegnev},
        {QStringLiteral("%cim1%"), t.cim1},
        {QStringLiteral("%cim2%"), t.cim2},
        {QStringLiteral("%cim3%"), t.cim3},
        {QStringLiteral("%ugyfelnev%"), t.ugyfelnev},
        {QStringLiteral("%ugyfelcim1%"), t.ugyfelcim1},
        {QStringLiteral("%ugyfelcim2%"), t.ugyfelcim2},
        {QStringLiteral("%ugyfelcim3%"), t.ugyfelcim3},
        {QStringLiteral("%ugyirat%"), t.ugyirat},
        {QStringLiteral("%termekkod%"), t.termekkod},
        {QStringLiteral("%termeknev%"), t.termeknev},
        {QStringLiteral("%rendszam%"), t.rendszam},
        {QStringLiteral("%erkezes%"), TicketFormat::dateTime(t.bedatum)},
        {QStringLiteral("%tavozas%"), TicketFormat::dateTime(t.kidatum)},
        {QStringLiteral("%nettosuly%"), weight(t.nettosuly)},
        {QStringLiteral("%elszamolt%"), weight(t.elszamolt)},
        {QStringLiteral("%levont%"), weight(t.levontsuly)},
        {QStringLiteral("%tisztasag%"), decimal(t.tisztasag)},
        {QStringLiteral("%viztartalom%"), decimal(t.viztartalom)},
        {QStringLiteral("%elvartviz%"), decimal(t.elvartviz)},
        {QStringLiteral("%megjegyzes%"), t.megjegyzes},
        {QStringLiteral("%kiszereles%"), t.kiszereles},
        {QStringLiteral("%brutto%"), TicketFormat::weight(std::max(t.suly1, t.suly2))},
        {QStringLiteral("%netto%"), TicketFormat::weight(std::min(t.suly1, t.suly2))},
        {QStringLiteral("%raktar%"), t.raktar},
        {QStringLiteral("%tablanev%"), t.tablanev},
        {QStringLiteral("%parcella%"), t.parcella},
        {QStringLiteral("%tablasorszam%"), t.tablasorszam},
        {QStringLiteral("%felhasznalo%"), t.felhasznalo},
        {QStringLiteral("%egysegar%"), decimal(t.egysegar)},
        {QStringLiteral("%osszeg%"), decimal(t.osszeg)},
    };
    for (const auto &[placeholder, value] : TicketFormat::marks(t))
        list.append({placeholder, value});
    return list;
}

QString filledCopyPath(const QString &documentPath)
{
    if (documentPath.isEmpty())
        return {};
    return documentPath + QLatin1Char('.') + (isLegacyDoc(documentPath) ? QStringLiteral("docx")
                                                                          : QFileInfo(documentPath).suffix());
}

QString fill(const Transport &transport, const TicketSettings &settings, const QString &documentPath)
{
    QString error;
    const QString fillable = fillableDocument(documentPath, error);
    if (fillable.isEmpty())
        return error;
    return WordDocument::fill(fillable, filledCopyPath(documentPath), replacements(transport, settings));
}

} // namespace WordTicket
