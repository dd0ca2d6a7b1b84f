#include "TrailModel.h"

#include "Formats.h"

namespace {

const char *const kCaptions[] = {"Időpont", "Állomás", "Felhasználó", "Művelet", "Régi érték", "Új érték"};

} // namespace

void TrailModel::setRows(QList<Trail::Row> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int TrailModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TrailModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(std::size(kCaptions));
}

QVariant TrailModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const Trail::Row &row = m_rows.at(index.row());
    switch (index.column()) {
    case 0:
        return Formats::dateTime(Formats::parseDbDateTime(row.ido));
    case 1:
        return row.allomas;
    case 2:
        return row.felhasznalo;
    case 3:
        return row.esemeny;
    case 4:
        return row.regi;
    case 5:
        return row.uj;
    default:
        return {};
    }
}

QVariant TrailModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < columnCount())
        return QString::fromUtf8(kCaptions[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}
