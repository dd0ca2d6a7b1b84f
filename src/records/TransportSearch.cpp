#include "TransportSearch.h"

#include "CsvExport.h"
#include "Dialect.h"
#include "Formats.h"
#include "RecordTexts.h"
#include "Schema.h"
#include "Sql.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlRecord>

#include <algorithm>
#include <charconv>
#include <string_view>
#include <cfenv>
#include <cmath>
#include <cstdlib>

namespace TransportSearch {

namespace {

// The list's columns: caption and field (also the ORDER BY field of the column).
struct ListColumn {
    const char *caption;
    const char *field;
};
constexpr ListColumn kListColumns[] = {
    {"Sorszám", "sorszam"},         {"Rendszám", "rendszam"},   {"Szállító", "cegnev"},
    {"Ügyfél", "ugyfelnev"},        {"Terméknév", "termeknev"}, {"Dátum", "kidatum"},
    {"Nettó súly", "nettosuly"},    {"Elszámolt súly", "elszamolt"}, {"Raktár", "raktar"},
    {"Megjegyzés", "megjegyzes"},   {"Ügyirat", "ugyirat"},     {"Kiállító", "felhasznalo"},
    {"Tábla megnevezése", "tablanev"}, {"Parcella azonosító", "parcella"}, {"Tábla sorszám", "tablasorszam"},
    {"Bruttó összeg", "osszeg"},
};
constexpr int kListColumnCount = int(std::size(kListColumns));

qint64 roundHalfEven(double value)
{
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(value);
    std::fesetround(saved);
    return static_cast<qint64>(r);
}

// A serial number field: empty counts as 0; anything but a whole non-negative number is refused.
std::optional<qint64> wholeNumber(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,18}$"));
    const QString t = text.trimmed();
    if (t.isEmpty())
        return 0;
    if (!digits.match(t).hasMatch())
        return std::nullopt;
    return t.toLongLong();
}

QString yesNo(const char *column, YesNo v)
{
    switch (v) {
    case YesNo::Yes:
        return QStringLiteral(" AND %1 = TRUE").arg(QLatin1String(column));
    case YesNo::No:
        return QStringLiteral(" AND %1 = FALSE").arg(QLatin1String(column));
    case YesNo::Any:
        break;
    }
    return {};
}

// A typed text counts only when it is an entry of the column's list: the column's distinct non-empty values,
// compared as the list box compares them (without regard to case).
bool chosen(const QSqlDatabase &db, const QString &column, const QString &value)
{
    if (value.isEmpty())
        return false;
    return Sql::value(db,
                      QStringLiteral("SELECT 1 FROM szallitasok WHERE %1 LIMIT 1")
                          .arg(Dialect::foldedEqual(db, column, QStringLiteral(":v"))),
                      {{":v", value}})
        .isValid();
}

// Whether fewer tickets were weighed in after start than weighed out by end, told by where each bound falls in the
// serial numbers (which run with time): on SQLite, which has no statistics for it, the narrower bound is read
// through its date index.
bool fewerAfter(const QSqlDatabase &db, const QString &start, const QString &end)
{
    const qint64 last = Sql::value(db, QStringLiteral("SELECT MAX(sorszam) FROM szallitasok")).toLongLong();
    const QVariant first = Sql::value(db, QStringLiteral("SELECT sorszam FROM szallitasok WHERE bedatum >= :start "
                                                         "ORDER BY bedatum LIMIT 1"),
                                      {{":start", start}});
    const QVariant before = Sql::value(db, QStringLiteral("SELECT sorszam FROM szallitasok WHERE kidatum <= :end "
                                                          "ORDER BY kidatum DESC LIMIT 1"),
                                       {{":end", end}});
    if (first.isNull() || before.isNull())
        return first.isNull();
    return last - first.toLongLong() <= before.toLongLong();
}

QString direction(Direction d)
{
    switch (d) {
    case Direction::In:
        return QStringLiteral("irany = 0");
    case Direction::Out:
        return QStringLiteral("irany = 1");
    case Direction::Any:
        break;
    }
    return QStringLiteral("1 = 1");
}

} // namespace

void Sort::click(int clicked)
{
    column = clicked;
    ascending = !ascending;
}

const QList<ListFilter> &listFilters()
{
    static const QList<ListFilter> filters = {
        {"rendszam", 0},  {"cegnev", 60},      {"ugyfelnev", 60}, {"termeknev", 0},
        {"raktar", 35},   {"kiszereles", 30},  {"ugyirat", 30},   {"felhasznalo", 0},
        {"tablanev", 50}, {"parcella", 10},    {"tablasorszam", 5},
    };
    return filters;
}

void Filter::setText(const QString &column, const QString &value)
{
    for (auto &entry : texts) {
        if (entry.first == column) {
            entry.second = value;
            return;
        }
    }
    texts.append({column, value});
}

QString Filter::text(const QString &column) const
{
    for (const auto &entry : texts) {
        if (entry.first == column)
            return entry.second;
    }
    return {};
}

QSqlQuery Statement::run(const QSqlDatabase &db) const
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw DatabaseError(Sql::errorText(q.lastError(), db));
    for (const auto &[name, value] : bindings)
        Sql::bind(q, name, value);
    if (!q.exec())
        throw DatabaseError(Sql::errorText(q.lastError(), db));
    return q;
}

RowStream Statement::stream(const QSqlDatabase &db) const
{
    return RowStream(db, sql, bindings);
}

Statement Statement::listed() const
{
    QStringList fields;
    for (const ListColumn &c : kListColumns)
        fields.append(QLatin1String(c.field));
    Statement s = *this;
    s.sql = QStringLiteral("SELECT ") + fields.join(QStringLiteral(", ")) + tail;
    return s;
}

void Totals::add(qint64 nettosuly, qint64 elszamolt, double osszeg)
{
    ++rows;
    net += std::llabs(nettosuly);
    settled += elszamolt;
    amount = roundHalfEven(double(amount) + osszeg);
}

QStringList Totals::panels() const
{
    return {QStringLiteral(" %1 találat.").arg(rows),
            QStringLiteral("Nettó súly: %1 kg").arg(RecordTexts::grouped(net)),
            QStringLiteral("Elszámolt súly: %1 kg").arg(RecordTexts::grouped(settled)),
            QStringLiteral("Összeg: %1 Ft.").arg(RecordTexts::grouped(amount))};
}

std::variant<Statement, Refusal> build(const QSqlDatabase &db, const Filter &filter)
{
    // SQLite plans without statistics: it would walk the sort column's index over every ticket rather than read a
    // few weeks through a date index. A dated search names its sort columns so that no index serves them there.
    bool dated = false;
    const auto sortKey = [&](const QString &column) { return dated ? Dialect::unindexed(db, column) : column; };
    if (!filter.ignoreDates && filter.from.isValid() && filter.to.isValid() && filter.to < filter.from)
        return Refusal{QString::fromUtf8(kBadInterval), QStringLiteral("d2")};

    Statement s;
    const auto period = [](const QDate &from, const QDate &to) {
        return from == to ? Formats::date(from) : Formats::date(from) + QStringLiteral(" - ") + Formats::date(to);
    };
    s.period = QString::fromUtf8(kWholePeriod);
    QString where;
    if (!filter.quick.isEmpty()) {
        s.period += QStringLiteral(" (gyorskeresés: ") + filter.quick + QLatin1Char(')');
        // Every field's text form joined without separators, as the search text table keeps it; direction, dates
        // and all other filters do not count.
        const QString needle = TransportText::upperAscii(filter.quick);
        where = Dialect::substringSearch(db, QLatin1String(Schema::kSearchTable), QStringLiteral(":quick"), needle);
        s.bindings.append({QStringLiteral(":quick"), Dialect::substringPattern(db, needle)});
    } else if (filter.today) {
        const QDate today = filter.todayDate.isValid() ? filter.todayDate : QDate::currentDate();
        s.period = period(today, today);
        where = direction(filter.direction) + QStringLiteral(" AND kidatum >= :start AND kidatum <= :end");
        s.bindings.append({QStringLiteral(":start"), Formats::dbDayStart(today)});
        s.bindings.append({QStringLiteral(":end"), Formats::dbDayEnd(today)});
    } else {
        const auto minSerial = wholeNumber(filter.minSerial);
        if (!minSerial)
            return Refusal{QStringLiteral("A minimális sorszám csak egész szám lehet !"), QStringLiteral("minsorszam")};
        const auto serial = wholeNumber(filter.serial);
        if (!serial)
            return Refusal{QStringLiteral("A sorszám csak egész szám lehet !"), QStringLiteral("sorszam")};

        where = direction(filter.direction);
        if (!filter.ignoreDates) {
            // First weighing on or after the first day's start, second weighing by the last day's end.
            dated = true;
            const QString start = Formats::dbDayStart(filter.from);
            const QString end = Formats::dbDayEnd(filter.to);
            if (Dialect::isServer(db))
                where += QStringLiteral(" AND bedatum >= :start AND kidatum <= :end");
            else if (fewerAfter(db, start, end))
                where += QStringLiteral(" AND bedatum >= :start AND +kidatum <= :end");
            else
                where += QStringLiteral(" AND +bedatum >= :start AND kidatum <= :end");
            s.period = period(filter.from, filter.to);
            s.bindings.append({QStringLiteral(":start"), start});
            s.bindings.append({QStringLiteral(":end"), end});
        }
        if (filter.state == State::Valid)
            where += QStringLiteral(" AND ervenyes = TRUE");
        else if (filter.state == State::Cancelled)
            where += QStringLiteral(" AND ervenyes = FALSE");
        for (const ListFilter &f : listFilters()) {
            const QString column = QLatin1String(f.column);
            QString value = filter.text(column);
            if (f.maxLength > 0)
                value.truncate(f.maxLength);
            if (!chosen(db, column, value))
                continue;
            where += QStringLiteral(" AND ") + Dialect::foldedEqual(db, column, QLatin1Char(':') + column);
            s.bindings.append({QLatin1Char(':') + column, value});
        }
        where += yesNo("jelolt", filter.marked) + yesNo("kezi", filter.manual) + yesNo("modositott", filter.modified);
        if (filter.hasRemark)
            where += QStringLiteral(" AND megjegyzes <> ''");
        where += QStringLiteral(" AND %1 >= :minsorszam").arg(sortKey(QStringLiteral("sorszam")));
        s.bindings.append({QStringLiteral(":minsorszam"), *minSerial});
        if (*serial > 0) {
            where += QStringLiteral(" AND sorszam = :sorszam");
            s.bindings.append({QStringLiteral(":sorszam"), *serial});
        }
    }

    const int column = std::clamp(filter.sort.column, 0, kListColumnCount - 1);
    const QString order = filter.sort.ascending ? QStringLiteral(" ASC") : QStringLiteral(" DESC");
    // The serial number settles rows of equal value, so that every run lists them alike.
    QString orderBy = sortKey(QLatin1String(kListColumns[column].field)) + order;
    if (column != 0)
        orderBy += QStringLiteral(", ") + sortKey(QStringLiteral("sorszam")) + order;
    s.tail = QStringLiteral(" FROM szallitasok WHERE %1 ORDER BY %2").arg(where, orderBy);
    if (column == 0) {
        s.unorderedTail = QStringLiteral(" FROM szallitasok WHERE %1").arg(where);
        s.ascending = filter.sort.ascending;
    }
    if (!filter.quick.isEmpty() && column == 0) {
        // The search text table carries the serial and the totals' columns: no ticket row is read for them.
        const QString table = QLatin1String(Schema::kSearchTable);
        s.totalsTail = QStringLiteral(" FROM %1 WHERE %2 ORDER BY %3")
                           .arg(table,
                                Dialect::substringMatch(db, table, QStringLiteral(":quick"),
                                                        TransportText::upperAscii(filter.quick)),
                                orderBy);
    }
    s.sql = QStringLiteral("SELECT ") + RecordTexts::transportColumnList() + s.tail;
    return s;
}

Totals totals(const QSqlDatabase &db, const Statement &statement)
{
    Statement sums = statement;
    sums.sql = QStringLiteral("SELECT nettosuly, elszamolt, osszeg")
               + (statement.totalsTail.isEmpty() ? statement.tail : statement.totalsTail);
    RowStream rows = sums.stream(db);
    Totals t;
    while (rows.next())
        t.add(rows.cell(0).whole(), rows.cell(1).whole(), rows.cell(2).number());
    rows.check();
    return t;
}

QStringList captions()
{
    QStringList list;
    for (const ListColumn &c : kListColumns)
        list.append(QString::fromUtf8(c.caption));
    return list;
}

QStringList listRow(const QSqlQuery &row)
{
    const QSqlRecord r = row.record();
    QStringList texts;
    for (const ListColumn &c : kListColumns) {
        const QString field = QLatin1String(c.field);
        const QVariant v = r.value(field);
        if (field == u"sorszam")
            texts.append(RecordTexts::serial(v.toLongLong()));
        else if (field == u"kidatum")
            texts.append(RecordTexts::listDateTime(v));
        else if (field == u"nettosuly" || field == u"elszamolt")
            texts.append(RecordTexts::grouped(std::llabs(v.toLongLong())));
        else if (field == u"osszeg")
            texts.append(RecordTexts::grouped(std::llabs(roundHalfEven(v.toDouble()))));
        else
            texts.append(v.toString());
    }
    return texts;
}

namespace {

qint64 wholeOf(const RowStream::Cell &cell)
{
    return cell.type == RowStream::Type::Integer ? cell.integer : cell.variant().toLongLong();
}

double realOf(const RowStream::Cell &cell)
{
    switch (cell.type) {
    case RowStream::Type::Float:
        return cell.real;
    case RowStream::Type::Integer:
        return double(cell.integer);
    default:
        return cell.variant().toDouble();
    }
}

void appendDigits(QByteArray &out, quint64 value, int width = 0)
{
    char digits[24];
    const int count = int(std::to_chars(digits, digits + sizeof digits, value).ptr - digits);
    if (count < width)
        out.append(QByteArray(width - count, '0'));
    out.append(digits, count);
}

// RecordTexts::grouped of a value that is not negative.
void appendGrouped(QByteArray &out, quint64 value)
{
    char digits[24];
    const int count = int(std::to_chars(digits, digits + sizeof digits, value).ptr - digits);
    for (int i = 0; i < count; ++i) {
        if (i > 0 && (count - i) % 3 == 0)
            out.append(' ');
        out.append(digits[i]);
    }
}

RowStream::Cell cellAt(const RowStream &row, int column)
{
    return column < 0 ? RowStream::Cell() : row.cell(column);
}

} // namespace

ListColumns listColumns(const RowStream &rows)
{
    ListColumns columns;
    for (const ListColumn &c : kListColumns)
        columns.shown.append(rows.indexOf(QString::fromLatin1(c.field)));
    columns.nettosuly = rows.indexOf(u"nettosuly");
    columns.elszamolt = rows.indexOf(u"elszamolt");
    columns.osszeg = rows.indexOf(u"osszeg");
    return columns;
}

void appendListLine(QByteArray &out, const RowStream &row, const ListColumns &columns, Totals &totals)
{
    for (int i = 0; i < kListColumnCount; ++i) {
        if (i > 0)
            out.append(';');
        const std::string_view field = kListColumns[i].field;
        const RowStream::Cell v = cellAt(row, columns.shown.at(i));
        const qsizetype at = out.size();
        if (field == "sorszam") {
            const qint64 serial = wholeOf(v);
            if (serial >= 0)
                appendDigits(out, quint64(serial), 5);
            else
                out.append(RecordTexts::serial(serial).toUtf8());
        } else if (field == "kidatum") {
            RecordTexts::appendListDateTime(out, v);
        } else if (field == "nettosuly" || field == "elszamolt") {
            appendGrouped(out, quint64(std::llabs(wholeOf(v))));
        } else if (field == "osszeg") {
            appendGrouped(out, quint64(std::llabs(roundHalfEven(realOf(v)))));
        } else if (v.type == RowStream::Type::Text) {
            out.append(v.bytes());
            CsvExport::quoteField(out, at);
        } else if (v.type != RowStream::Type::Null) {
            out.append(v.variant().toString().toUtf8());
            CsvExport::quoteField(out, at);
        }
    }
    totals.add(wholeOf(cellAt(row, columns.nettosuly)), wholeOf(cellAt(row, columns.elszamolt)),
               realOf(cellAt(row, columns.osszeg)));
}

int rowIcon(const QSqlQuery &row)
{
    const QSqlRecord r = row.record();
    if (!r.value(QStringLiteral("ervenyes")).toBool())
        return 2;
    return r.value(QStringLiteral("irany")).toInt() == 0 ? 0 : 1;
}

} // namespace TransportSearch
