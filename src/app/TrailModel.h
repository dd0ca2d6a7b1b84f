#pragma once

#include "Trail.h"

#include <QAbstractTableModel>

// The trail rows of one ticket for the trail window: time, station, user, action, old and new values.
class TrailModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRows(QList<Trail::Row> rows);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<Trail::Row> m_rows;
};
