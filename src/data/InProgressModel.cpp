#include "InProgressModel.h"

#include "Formats.h"
#include "Seged.h"
#include "Sql.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

const char *const kCaptions[InProgressModel::kColumnCount] = {
    "Rendszám", "Szállító", "Ügyfél", "Termék neve", "Mért tömeg (kg)", "Időpont", "Irány",
};

} // namespace

InProgressModel::InProgressModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

QString InProgressModel::fill(const QSqlDatabase &db)
{
    QList<Row> rows;
    QString error;
    try {
        rows = read(db);
    } catch (const DatabaseError &e) {
        error = QString::fromUtf8(e.what());
    }
    setRows(std::move(rows));
    return error;
}

QList<InProgressModel::Row> InProgressModel::read(const QSqlDatabase &db)
{
    QList<Row> rows;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT rendszam, cegnev, ugyfelnev, termeknev, suly1, bedatum, irany, id "
                                   "FROM folyamatban ORDER BY rendszam")))
        throw DatabaseError(Sql::errorText(query.lastError(), db));
    while (query.next()) {
        Row r;
        r.rendszam = query.value(0).toString();
        r.cegnev = query.value(1).toString();
        r.ugyfelnev = ertekszoveg(query.value(2));
        r.termeknev = query.value(3).toString();
        r.suly1 = query.value(4).toLongLong();
        r.bedatum = Formats::parseDbDateTime(query.value(5).toString());
        r.irany = query.value(6).toInt();
        r.rowId = query.value(7).toLongLong();
        rows.append(r);
    }
    // A connection lost in the middle ends the rows early: that is a failure, not a shorter list.
    Sql::checkRead(query, db);
    return rows;
}

void InProgressModel::setRows(QList<Row> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void InProgressModel::setIcons(const QIcon &inbound, const QIcon &outbound)
{
    m_icons[0] = inbound;
    m_icons[1] = outbound;
}

int InProgressModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int InProgressModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant InProgressModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &r = m_rows.at(index.row());
    if (role == Qt::DecorationRole && index.column() == 0)
        return m_icons[r.irany == 1 ? 1 : 0];
    if (role == Qt::TextAlignmentRole)
        return index.column() == 4 ? int(Qt::AlignRight | Qt::AlignVCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case 0: return r.rendszam;
    case 1: return r.cegnev;
    case 2: return r.ugyfelnev;
    case 3: return r.termeknev;
    case 4: return QString::number(r.suly1);
    case 5: return r.bedatum.toString(QStringLiteral("yyyy.MM.dd hh:mm"));
    case 6: return r.irany == 1 ? QStringLiteral("Kiszállítás") : QStringLiteral("Beszállítás");
    }
    return {};
}

QVariant InProgressModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(kCaptions[section]);
    if (role == Qt::TextAlignmentRole)
        return section == 4 ? int(Qt::AlignRight | Qt::AlignVCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}
