#include "TransportList.h"

#include "Dialect.h"
#include "RecordTexts.h"
#include "RowStream.h"
#include "Sql.h"

#include <QSqlError>
#include <QSqlRecord>

#include <algorithm>
#include <array>
#include <numeric>

namespace {

// How many rows a long read takes between two looks at its cancel.
constexpr qint64 kCancelEvery = 4096;

// Sorts rows by their unique serial number in linear time (least significant digit first, 11 bits a pass, as many
// passes as the serials' spread needs): a comparison sort of the 900,000 rows of a long list took 100 ms.
template<typename Row>
void sortBySerial(QList<Row> &rows, bool ascending)
{
    if (rows.size() < 2)
        return;
    const auto [low, high] = std::minmax_element(rows.cbegin(), rows.cend(),
                                                 [](const Row &a, const Row &b) { return a.serial < b.serial; });
    const quint64 lowest = quint64(low->serial);
    const quint64 spread = quint64(high->serial) - lowest;
    constexpr int kBits = 11;
    QList<Row> spare(rows.size());
    for (int shift = 0;; shift += kBits) {
        std::array<qsizetype, (1 << kBits) + 1> starts{};
        const auto digit = [&](const Row &row) {
            return ((quint64(row.serial) - lowest) >> shift) & ((1 << kBits) - 1);
        };
        for (const Row &row : std::as_const(rows))
            ++starts[digit(row) + 1];
        std::partial_sum(starts.begin(), starts.end(), starts.begin());
        for (const Row &row : std::as_const(rows))
            spare[starts[digit(row)]++] = row;
        rows.swap(spare);
        if (shift + kBits >= 64 || (spread >> (shift + kBits)) == 0)
            break;
    }
    if (!ascending)
        std::reverse(rows.begin(), rows.end());
}

} // namespace

TransportList TransportList::load(const QSqlDatabase &db, const TransportSearch::Statement &statement, int pageSize,
                                  const std::function<bool()> &cancelled)
{
    // The running rounded amount needs the rows in list order, so serials and totals come from the same pass.
    TransportSearch::Statement pass = statement;
    const bool sortHere = Dialect::isServer(db) && statement.totalsTail.isEmpty() && !statement.unorderedTail.isEmpty();
    pass.sql = QStringLiteral("SELECT sorszam, nettosuly, elszamolt, osszeg")
               + (!statement.totalsTail.isEmpty() ? statement.totalsTail
                  : sortHere                      ? statement.unorderedTail
                                                  : statement.tail);
    // Read straight from the engine: a quick search or a long period sends a hundred thousand rows here.
    RowStream rows = pass.stream(db);
    struct Counted {
        qint64 serial, net, settled;
        double amount;
    };
    TransportList list;
    list.m_pageSize = std::max(1, pageSize);
    const auto count = [&list](const Counted &row) {
        list.m_serials.append(row.serial);
        list.m_totals.add(row.net, row.settled, row.amount);
    };
    QList<Counted> unsorted;
    qint64 seen = 0;
    while (rows.next()) {
        if (cancelled && seen++ % kCancelEvery == 0 && cancelled())
            return {};
        const Counted row{rows.cell(0).whole(), rows.cell(1).whole(), rows.cell(2).whole(), rows.cell(3).number()};
        if (sortHere)
            unsorted.append(row);
        else
            count(row);
    }
    rows.check();
    if (sortHere) {
        // Serial numbers are unique: this is the order the server would have given.
        sortBySerial(unsorted, statement.ascending);
        list.m_serials.reserve(unsorted.size());
        for (const Counted &row : std::as_const(unsorted))
            count(row);
    }
    return list;
}

const TransportList::Row &TransportList::row(const QSqlDatabase &db, qint64 index)
{
    const int page = int(index / m_pageSize);
    if (!m_pages.contains(page))
        fetch(db, page);
    return m_pages[page].at(index % m_pageSize);
}

void TransportList::reload(const QSqlDatabase &db, qint64 index)
{
    fetch(db, int(index / m_pageSize));
}

QList<qint64> TransportList::pageSerials(int page) const
{
    const qint64 first = qint64(page) * m_pageSize;
    if (page < 0 || first >= size())
        return {};
    return m_serials.mid(first, std::min<qint64>(m_pageSize, size() - first));
}

const TransportList::Row *TransportList::fetchedRow(qint64 index) const
{
    const auto page = m_pages.constFind(pageOf(index));
    if (page == m_pages.constEnd())
        return nullptr;
    const qint64 at = index % m_pageSize;
    return at < page->size() ? &page->at(at) : nullptr;
}

void TransportList::fetch(const QSqlDatabase &db, int page)
{
    m_pages.insert(page, readRows(db, pageSerials(page)));
}

QList<TransportList::Row> TransportList::readRows(const QSqlDatabase &db, const QList<qint64> &serials)
{
    const qint64 count = serials.size();
    if (count == 0)
        return {};
    QStringList names;
    for (qint64 i = 0; i < count; ++i)
        names.append(QStringLiteral(":s%1").arg(i));
    QSqlQuery q(db);
    q.setForwardOnly(true);
    const QString sql = QStringLiteral("SELECT %1 FROM szallitasok WHERE sorszam IN (%2)")
                            .arg(RecordTexts::transportColumnList(), names.join(QStringLiteral(", ")));
    if (!q.prepare(sql))
        throw DatabaseError(Sql::errorText(q.lastError(), db));
    for (qint64 i = 0; i < count; ++i)
        Sql::bind(q, names.at(i), serials.at(i));
    if (!q.exec())
        throw DatabaseError(Sql::errorText(q.lastError(), db));

    QHash<qint64, Row> bySerial;
    while (q.next()) {
        Row r;
        r.texts = TransportSearch::listRow(q);
        r.icon = TransportSearch::rowIcon(q);
        r.marked = q.record().value(QStringLiteral("jelolt")).toBool();
        r.found = true;
        bySerial.insert(q.value(QStringLiteral("sorszam")).toLongLong(), r);
    }
    // A page cut short would show its missing rows as deleted.
    Sql::checkRead(q, db);
    QList<Row> rows;
    rows.reserve(count);
    const int columns = int(TransportSearch::captions().size());
    for (const qint64 serial : serials) {
        if (const auto it = bySerial.constFind(serial); it != bySerial.constEnd()) {
            rows.append(*it);
        } else {
            // Gone since the search: the serial alone, so the list keeps its length.
            Row gone;
            gone.texts.fill(QString(), columns);
            gone.texts[0] = RecordTexts::serial(serial);
            rows.append(gone);
        }
    }
    return rows;
}
