#include "MasterTable.h"

#include "Formats.h"
#include "Sql.h"

#include <QDateTime>
#include <QHash>
#include <QSqlRecord>

#include <cmath>

namespace {

// The tables an export writes, each with the field it is kept in order of.
constexpr std::pair<const char *, const char *> kExportOrder[] = {
    {"szallito", "rendszam"}, {"termek", "nev"},   {"folyamatban", "rendszam"},
    {"szallitasok", "rendszam"}, {"ugyfel", "nev"}, {"raktar", "raktar"},
};

using RecordTexts::Kind;

const QHash<QString, Kind> &kinds()
{
    using enum Kind;
    static const QHash<QString, Kind> map = [] {
        QHash<QString, Kind> m = {
            {QStringLiteral("szallito.tarasuly"), Integer},    {QStringLiteral("termek.egysegar"), Number},
            {QStringLiteral("folyamatban.irany"), Integer},    {QStringLiteral("folyamatban.suly1"), Integer},
            {QStringLiteral("folyamatban.bedatum"), DateTime}, {QStringLiteral("folyamatban.egysegar"), Number},
            {QStringLiteral("folyamatban.kezi"), Bool},
        };
        for (const RecordTexts::Column &c : RecordTexts::transportColumns())
            m.insert(QStringLiteral("szallitasok.") + QLatin1String(c.name), c.kind);
        return m;
    }();
    return map;
}

// The refusal names the field as asked; its field is the column, for the cursor to go back to.
Refusal refusal(const char *text, const QString &name, const QString &column, const QString &typed)
{
    const QString message = QString::fromUtf8(text);
    return {message.contains(QLatin1String("%2")) ? message.arg(name, typed) : message.arg(name), column};
}

// Captions as the weighing and search windows label the fields; a table's own "nev" and addresses are its own.
constexpr std::pair<const char *, const char *> kCaptions[] = {
    {"id", "Azonosító"},
    {"sorszam", "Sorszám"},
    {"rendszam", "Rendszám"},
    {"szallito.nev", "Szállító neve"},
    {"termek.nev", "Termék neve"},
    {"ugyfel.nev", "Ügyfél neve"},
    {"cim1", "Cím 1"},
    {"cim2", "Cím 2"},
    {"cim3", "Cím 3"},
    {"tarasuly", "Tára súly"},
    {"taradatum", "Tára ideje"},
    {"termek", "Termék"},
    {"kod", "Termékkód"},
    {"cegnev", "Szállító"},
    {"folyamatban.cim1", "Szállító címe 1"},
    {"folyamatban.cim2", "Szállító címe 2"},
    {"folyamatban.cim3", "Szállító címe 3"},
    {"szallitasok.cim1", "Szállító címe 1"},
    {"szallitasok.cim2", "Szállító címe 2"},
    {"szallitasok.cim3", "Szállító címe 3"},
    {"ugyfelnev", "Ügyfél"},
    {"ugyfelcim1", "Ügyfél címe 1"},
    {"ugyfelcim2", "Ügyfél címe 2"},
    {"ugyfelcim3", "Ügyfél címe 3"},
    {"termeknev", "Termék neve"},
    {"termekkod", "Termékkód"},
    {"kiszereles", "Kiszerelés"},
    {"irany", "Irány"},
    {"suly1", "Első tömeg (kg)"},
    {"suly2", "Második tömeg (kg)"},
    {"jel1", "Első tömeg jele"},
    {"jel2", "Második tömeg jele"},
    {"bedatum", "Első mérés ideje"},
    {"kidatum", "Második mérés ideje"},
    {"nettosuly", "Nettó súly"},
    {"levontsuly", "Levont súly"},
    {"elszamolt", "Elszámolt súly"},
    {"tisztasag", "Tisztaság (%)"},
    {"viztartalom", "Víztartalom (%)"},
    {"elvartviz", "Elvárt víztartalom (%)"},
    {"egysegar", "Egységár"},
    {"osszeg", "Bruttó összeg"},
    {"megjegyzes", "Megjegyzés"},
    {"ugyirat", "Ügyirat"},
    {"raktar", "Raktár"},
    {"raktar.raktar", "Raktár neve"},
    {"felhasznalo", "Kiállító"},
    {"tablanev", "Tábla megnevezése"},
    {"parcella", "Parcella azonosító"},
    {"tablasorszam", "Tábla sorszám"},
    {"ervenyes", "Érvényes"},
    {"modositott", "Módosított"},
    {"kezi", "Kézi súly"},
    {"jelolt", "Megjelölve"},
    {"nyomtatva", "Nyomtatva"},
};

std::optional<QDateTime> parseDateTime(const QString &text)
{
    for (const char *format : {"yyyy.MM.dd HH:mm:ss", "yyyy.MM.dd HH:mm", "yyyy.MM.dd", "yyyy-MM-dd HH:mm:ss",
                               "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-ddTHH:mm:ss.zzz"}) {
        const QDateTime dt = QDateTime::fromString(text, QLatin1String(format));
        if (dt.isValid())
            return dt;
    }
    return std::nullopt;
}

} // namespace

namespace MasterTable {

const QList<Entry> &tables()
{
    static const QList<Entry> list = {
        {QStringLiteral("Szállítók"), QStringLiteral("szallito")},
        {QStringLiteral("Termékek"), QStringLiteral("termek")},
        {QStringLiteral("Folyamatban lévők"), QStringLiteral("folyamatban")},
        {QStringLiteral("Szállítások (befejezett)"), QStringLiteral("szallitasok")},
        {QStringLiteral("Ügyfelek"), QStringLiteral("ugyfel")},
        {QStringLiteral("Raktárak"), QStringLiteral("raktar")},
    };
    return list;
}

QString tableAt(int index)
{
    return index >= 0 && index < tables().size() ? tables().at(index).table : QString();
}

QString caption(const QString &table, const QString &column)
{
    const QString own = table + QLatin1Char('.') + column;
    for (const auto &[name, text] : kCaptions) {
        if (own == QLatin1String(name))
            return QString::fromUtf8(text);
    }
    for (const auto &[name, text] : kCaptions) {
        if (column == QLatin1String(name))
            return QString::fromUtf8(text);
    }
    return column;
}

RecordTexts::Kind kindOf(const QString &table, const QString &column)
{
    if (column == u"id")
        return Kind::Integer;
    return kinds().value(table + QLatin1Char('.') + column, Kind::Text);
}

Checked check(const QString &table, const QString &column, const QVariant &typed, FieldNames names)
{
    const QString name = names == FieldNames::Captions ? caption(table, column) : column;
    if (column == u"id")
        return {{}, refusal("A(z) \"%1\" mező értékét az adatbázis adja, nem írható át.", name, column, {})};
    const QString text = typed.toString().trimmed();
    switch (kindOf(table, column)) {
    case Kind::Text:
        // A text column never holds NULL: an emptied field is the empty text.
        return {QVariant(typed.toString().isNull() ? QStringLiteral("") : typed.toString()), std::nullopt};
    case Kind::Integer: {
        bool ok = false;
        const qint64 value = text.toLongLong(&ok, 10);
        if (!ok)
            return {{},
                    refusal("A(z) \"%1\" mezőbe egész számot kell írni, nem ezt: \"%2\".", name, column, text)};
        return {QVariant(value), std::nullopt};
    }
    case Kind::Number: {
        bool ok = false;
        const double value = Formats::parseNumber(text, &ok);
        if (!ok || !std::isfinite(value))
            return {{}, refusal("A(z) \"%1\" mezőbe számot kell írni, nem ezt: \"%2\".", name, column, text)};
        return {QVariant(value), std::nullopt};
    }
    case Kind::Bool: {
        const QString t = text.toLower();
        if (t == u"true" || t == u"1")
            return {QVariant(true), std::nullopt};
        if (t == u"false" || t == u"0")
            return {QVariant(false), std::nullopt};
        return {{}, refusal("A(z) \"%1\" mezőbe True vagy False írható, nem ezt: \"%2\".", name, column, text)};
    }
    case Kind::DateTime: {
        if (text.isEmpty())
            return {QVariant(), std::nullopt}; // no date: NULL
        const std::optional<QDateTime> dt = parseDateTime(text);
        if (!dt)
            return {{}, refusal("A(z) \"%1\" mezőbe dátumot kell írni (éééé.hh.nn óó:pp:mm), nem ezt: \"%2\".",
                                name, column, text)};
        return {QVariant(Formats::dbDateTime(*dt)), std::nullopt};
    }
    }
    return {typed, std::nullopt};
}

std::optional<std::pair<QString, QVariant>> companion(const QString &table, const QString &column,
                                                      const QDateTime &now)
{
    const QString keyed = QStringLiteral("K");
    if ((table == u"szallitasok" || table == u"folyamatban") && column == u"suly1")
        return std::pair{QStringLiteral("jel1"), QVariant(keyed)};
    if (table == u"szallitasok" && column == u"suly2")
        return std::pair{QStringLiteral("jel2"), QVariant(keyed)};
    if (table == u"szallito" && column == u"tarasuly")
        return std::pair{QStringLiteral("taradatum"), QVariant(Formats::dbDateTime(now))};
    return std::nullopt;
}

bool canInsertOrDelete(const QString &table)
{
    return table != u"szallitasok";
}

std::optional<Refusal> refuseInsertOrDelete(const QString &table)
{
    if (canInsertOrDelete(table))
        return std::nullopt;
    return Refusal{QString::fromUtf8("Befejezett szállítást itt nem lehet felvenni vagy törölni. "
                                     "Jegyet a sztornó tesz érvénytelenné."),
                   QString()};
}

QStringList exportTables()
{
    QStringList names;
    for (const auto &[table, order] : kExportOrder)
        names.append(QLatin1String(table));
    return names;
}

RowStream exportRows(const QSqlDatabase &db, const QString &table)
{
    QString order;
    for (const auto &[name, key] : kExportOrder) {
        if (table == QLatin1String(name))
            order = QLatin1String(key);
    }
    if (order.isEmpty())
        throw DatabaseError(QStringLiteral("No table %1 to export.").arg(table));
    QStringList columns;
    const QSqlRecord record = db.record(table);
    for (int i = 0; i < record.count(); ++i) {
        if (record.fieldName(i) != u"id")
            columns.append(record.fieldName(i));
    }
    const QString tieBreak = table == u"szallitasok" ? QStringLiteral("sorszam") : QStringLiteral("id");
    return RowStream(db, QStringLiteral("SELECT %1 FROM %2 ORDER BY %3, %4")
                             .arg(columns.join(QStringLiteral(", ")), table, order, tieBreak));
}

} // namespace MasterTable
