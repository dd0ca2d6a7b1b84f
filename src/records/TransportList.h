#pragma once

#include "TransportSearch.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QStringList>

#include <functional>

// A search result that reads its rows only as they are shown, so that a search of a million tickets stays quick:
// one pass over the statement gives the serial numbers in list order and the totals, and the rows' fields are
// fetched a page at a time by serial number. The serials are the snapshot of one search; a row changed since shows
// its current values when its page is fetched.
class TransportList
{
public:
    struct Row {
        QStringList texts;   // the list's columns as shown
        int icon = 2;        // 0 inbound, 1 outbound, 2 cancelled
        bool marked = false; // jelolt
        bool found = false;  // false: the row is no longer in the table
    };

    static constexpr int kPageSize = 200;

    TransportList() = default;
    // Runs the statement's selection once. cancelled, asked now and then, breaks the read off (an empty list).
    // Throws DatabaseError.
    static TransportList load(const QSqlDatabase &db, const TransportSearch::Statement &statement,
                              int pageSize = kPageSize, const std::function<bool()> &cancelled = {});
    // The rows of the serials, in their order, in one query; a serial no longer in the table gives a row of the
    // serial alone. Throws DatabaseError.
    static QList<Row> readRows(const QSqlDatabase &db, const QList<qint64> &serials);

    qint64 size() const { return m_serials.size(); }
    const TransportSearch::Totals &totals() const { return m_totals; }
    qint64 serial(qint64 index) const { return m_serials.at(index); }
    // The row at index, reading its page when it was not read yet. Throws DatabaseError.
    const Row &row(const QSqlDatabase &db, qint64 index);
    bool fetched(qint64 index) const { return m_pages.contains(int(index / m_pageSize)); }
    // Reads the page of the row at index again, so that it shows what is stored now (after a change made through
    // the list). Throws DatabaseError.
    void reload(const QSqlDatabase &db, qint64 index);
    int pagesFetched() const { return int(m_pages.size()); }

    // A page read elsewhere (the window reads its pages on the database thread): the page of a row, the serials
    // of a page to read with readRows, and the rows read.
    int pageSize() const { return m_pageSize; }
    int pageOf(qint64 index) const { return int(index / m_pageSize); }
    QList<qint64> pageSerials(int page) const;
    void setPage(int page, QList<Row> rows) { m_pages.insert(page, std::move(rows)); }
    // The row at index when its page was read, else null.
    const Row *fetchedRow(qint64 index) const;

private:
    void fetch(const QSqlDatabase &db, int page);

    int m_pageSize = kPageSize;
    QList<qint64> m_serials;
    TransportSearch::Totals m_totals;
    QHash<int, QList<Row>> m_pages;
};
