#pragma once

#include <QSqlTableModel>

// The editable grid of one master table: every value is checked before it is written, and the rows of finished
// transports are never inserted or deleted. Each changed field is written to the database at once.
class MasterTableModel : public QSqlTableModel
{
    Q_OBJECT

public:
    explicit MasterTableModel(QObject *parent, const QSqlDatabase &db);

    // Binds the table (empty: none) and reads its rows in id order.
    void bind(const QString &table);

    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    bool insertRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

protected:
    // Changes to finished transports and deletions of transports in progress go into the trail, in the same
    // transaction as the write.
    bool updateRowInTable(int row, const QSqlRecord &values) override;
    bool deleteRowFromTable(int row) override;

signals:
    // A value or an operation was turned down (the message to show), or the database refused a write.
    void refused(const QString &message);
};
