#include "ListReports.h"

#include "AutoTable.h"
#include "BandReport.h"
#include "Formats.h"
#include "RecordTexts.h"
#include "Sql.h"

#include <QSqlQuery>
#include <QSqlRecord>

#include <cstdlib>

namespace {

const QString kFooterPages = QStringLiteral("Oldalak: {page}/{pages}");
// The credit line of the portrait lists' footer.
const QString kCredit = QStringLiteral("Kelvo mérlegprogram – www.kelvo.example");

QPageLayout a4(QPageLayout::Orientation orientation)
{
    return QPageLayout(QPageSize(QPageSize::A4), orientation, QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
}

QString today(const ListReports::Heading &heading)
{
    return Formats::date(heading.printed.isValid() ? heading.printed : QDate::currentDate());
}

QString kg(qint64 value)
{
    return QString::number(value) + QStringLiteral(" kg");
}

BandText text(double x, double y, const QString &value, double points = 10)
{
    return {.x = x, .y = y, .text = value, .points = points};
}

BandText right(double x, double y, const QString &value, double points = 10)
{
    return {.x = x, .y = y, .text = value, .alignRight = true, .points = points};
}

// One row of the transport list, read once so that the query can stream past it.
struct TransportLine {
    qint64 sorszam = 0;
    QString cegnev;
    QString termeknev;
    QString rendszam;
    QString ugyfelnev;
    QString kidatum;
    qint64 elszamolt = 0;
    qint64 suly1 = 0;
    qint64 suly2 = 0;
    qint64 nettosuly = 0;
    bool modositott = false;
    bool ervenyes = true;
    QString jel1, jel2;
};

// The marks of the two weighings in the order the weights are listed ("K, –"); empty when both came from the scale.
QString marks(const QString &first, const QString &second)
{
    if (first.isEmpty() && second.isEmpty())
        return {};
    const QString scale = QStringLiteral("–");
    return (first.isEmpty() ? scale : first) + QStringLiteral(", ") + (second.isEmpty() ? scale : second);
}

Band transportDetail(const TransportLine &row)
{
    const QString yes = QStringLiteral("Igen");
    const QString no = QStringLiteral("Nem");
    // The larger weighing first, whichever way the goods went: a confirmed zero settled weight has no sign to go by.
    const bool firstIsGross = row.suly1 >= row.suly2;
    const qint64 first = firstIsGross ? row.suly1 : row.suly2;
    const qint64 second = firstIsGross ? row.suly2 : row.suly1;
    const QString &firstMark = firstIsGross ? row.jel1 : row.jel2;
    const QString &secondMark = firstIsGross ? row.jel2 : row.jel1;
    return {12.7,
            {text(0, 0.8, RecordTexts::serial(row.sorszam)),
             text(38.1, 0.8, row.cegnev),
             text(99.5, 0.8, row.termeknev),
             right(201.6, 0.8, kg(std::llabs(row.elszamolt))),
             right(231.0, 0.8, kg(first) + QStringLiteral(", ") + kg(second), 8),
             text(237.1, 0.8, row.kidatum),
             text(0, 5.0, row.rendszam),
             text(38.1, 5.0, row.ugyfelnev),
             text(99.5, 5.0, row.modositott ? yes : no),
             right(201.6, 5.0, row.ervenyes ? no : yes),
             right(231.2, 5.0, kg(std::llabs(row.nettosuly)), 8),
             // Under the weights, left of the net weight: the line below the weights has room there.
             right(216.0, 5.0, marks(firstMark, secondMark), 8)},
            {}};
}

Band signature(double x, const QString &caption)
{
    return {0, {text(x, 31.8, caption, 8)}, {{x, 27.5, x + 48.9, 27.5}}};
}

// The portrait lists share one layout: title, two columns, credit and page number, one signature.
std::unique_ptr<PagedDocument> portraitList(const QString &title, const QString &left, const QString &rightHeader,
                                            QList<std::pair<QString, QString>> rows,
                                            const ListReports::Heading &heading)
{
    Band titleBand{30.4,
                   {{.x = 4.2, .y = 2.1, .text = title, .points = 18},
                    text(4.2, 10.6, QStringLiteral("Nyomtatva:")),
                    text(25.4, 10.6, today(heading)),
                    right(188.1, 2.9, heading.company.join(QLatin1Char('\n'))),
                    text(4.2, 25.4, left),
                    text(95.25, 25.4, rightHeader)},
                   {}};
    Band footer{10.6, {text(4.2, 4.2, kCredit, 8), text(150.3, 4.2, kFooterPages)}, {}};
    Band summary = signature(4.2, QStringLiteral("Kiállító"));
    summary.height = 38.1;
    const qsizetype count = rows.size();
    auto detail = [rows = std::move(rows)](qsizetype row) {
        return Band{6.35, {text(4.2, 0, rows.at(row).first), right(120.65, 0, rows.at(row).second)}, {}};
    };
    return std::make_unique<BandReport>(a4(QPageLayout::Portrait), std::move(titleBand), count, 6.35,
                                        std::move(detail), std::move(footer), std::move(summary));
}

} // namespace

namespace ListReports {

QString directionText(TransportSearch::Direction direction)
{
    switch (direction) {
    case TransportSearch::Direction::In:
        return QStringLiteral("Beszállítás");
    case TransportSearch::Direction::Out:
        return QStringLiteral("Kiszállítás");
    case TransportSearch::Direction::Any:
        break;
    }
    return QStringLiteral("<mindegy>");
}

std::unique_ptr<PagedDocument> transports(const QSqlDatabase &db, const TransportSearch::Statement &statement,
                                          const QString &direction, const Heading &heading)
{
    // The marks are no column of the search list, so the report asks for them beside it.
    TransportSearch::Statement withMarks = statement;
    withMarks.sql = QStringLiteral("SELECT ") + RecordTexts::transportColumnList() + QStringLiteral(", jel1, jel2") +
                    statement.tail;
    QSqlQuery q = withMarks.run(db);
    const QSqlRecord record = q.record();
    const auto at = [&record](const char *name) { return record.indexOf(QLatin1String(name)); };
    const int sorszam = at("sorszam"), cegnev = at("cegnev"), termeknev = at("termeknev"), rendszam = at("rendszam"),
              ugyfelnev = at("ugyfelnev"), kidatum = at("kidatum"), elszamolt = at("elszamolt"), suly1 = at("suly1"),
              suly2 = at("suly2"), nettosuly = at("nettosuly"), modositott = at("modositott"),
              ervenyes = at("ervenyes"), osszeg = at("osszeg"), jel1 = at("jel1"), jel2 = at("jel2");
    QList<TransportLine> lines;
    TransportSearch::Totals totals;
    while (q.next()) {
        TransportLine line{q.value(sorszam).toLongLong(),   q.value(cegnev).toString(),
                           q.value(termeknev).toString(),   q.value(rendszam).toString(),
                           q.value(ugyfelnev).toString(),   RecordTexts::listDateTime(q.value(kidatum)),
                           q.value(elszamolt).toLongLong(), q.value(suly1).toLongLong(),
                           q.value(suly2).toLongLong(),     q.value(nettosuly).toLongLong(),
                           // Booleans whichever way the engine stores them (0/1 or true/false).
                           q.value(modositott).toBool(),    q.value(ervenyes).toBool(),
                           q.value(jel1).toString(),        q.value(jel2).toString()};
        totals.add(line.nettosuly, line.elszamolt, q.value(osszeg).toDouble());
        lines.append(std::move(line));
    }
    if (q.lastError().isValid())
        throw DatabaseError(Sql::errorText(q.lastError(), db));

    Band title{30.4,
               {{.x = 4.2, .y = 2.1, .text = QStringLiteral("Szállítások"), .points = 18},
                text(4.2, 10.6, QStringLiteral("Szállítás iránya:")),
                text(29.6, 10.6, direction),
                text(4.2, 14.8, QStringLiteral("Nyomtatva:")),
                text(29.6, 14.8, today(heading)),
                text(4.2, 19.0, QStringLiteral("Időszak:")),
                text(29.6, 19.0, statement.period),
                right(274.9, 0.8, heading.company.join(QLatin1Char('\n'))),
                text(0, 25.4, QStringLiteral("Sorszám / Rendszám:")),
                text(38.1, 25.4, QStringLiteral("Szállító / Ügyfél:")),
                text(99.5, 25.4, QStringLiteral("Megnevezés / Módosított:")),
                text(163.0, 25.4, QStringLiteral("Elszámolt súly / Rontott:")),
                text(207.4, 25.4, QStringLiteral("Mérések B,T/N:")),
                text(207.4, 21.2, QStringLiteral("K: kézi súly, T: tárolt tára"), 7),
                text(237.1, 25.4, QStringLiteral("Szállítás dátuma:"))},
               {{0, 30.4, 277, 30.4}}};
    Band footer{10.6, {text(254.0, 4.2, kFooterPages)}, {}};
    Band summary{38.1,
                 {text(4.2, 4.2, QStringLiteral("Összesen:")),
                  right(201.6, 4.2, kg(totals.settled)),
                  right(201.6, 8.5, QString::number(totals.amount) + QStringLiteral(" Ft"))},
                 {}};
    for (const Band &line : {signature(29.6, QStringLiteral("Kiállító")), signature(203.2, QStringLiteral("Átvevő:"))}) {
        summary.texts += line.texts;
        summary.lines += line.lines;
    }
    const qsizetype count = lines.size();
    auto detail = [lines = std::move(lines)](qsizetype row) { return transportDetail(lines.at(row)); };
    return std::make_unique<BandReport>(a4(QPageLayout::Landscape), std::move(title), count, 12.7,
                                        std::move(detail), std::move(footer), std::move(summary));
}

std::unique_ptr<PagedDocument> stock(const QList<StockQuery::Row> &rows, const Heading &heading)
{
    QList<std::pair<QString, QString>> texts;
    texts.reserve(rows.size());
    for (const StockQuery::Row &row : rows)
        texts.append({row.termeknev, RecordTexts::grouped(row.mennyiseg)});
    return portraitList(QStringLiteral("Készletek"), QStringLiteral("Megnevezés:"),
                        QStringLiteral("Mennyiség (kg):"), std::move(texts), heading);
}

std::unique_ptr<PagedDocument> automatic(const QSqlDatabase &db, const QDate &from, const QDate &to,
                                         const Heading &heading)
{
    QList<std::pair<QString, QString>> texts;
    for (const AutoTable::Row &row : AutoTable::list(db, from, to))
        texts.append({Formats::dateTime(row.datumido), RecordTexts::grouped(row.suly)});
    return portraitList(QStringLiteral("Automata mérések"), QStringLiteral("Dátum/Idő"),
                        QStringLiteral("Mért tömeg (kg):"), std::move(texts), heading);
}

} // namespace ListReports
