#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QIcon>
#include <QList>
#include <QSqlDatabase>

// The transports in progress (table folyamatban, ordered by plate) as the main window's seven-column list.
// Rebuilt from the table every time, never patched row by row.
class InProgressModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    struct Row {
        qint64 rowId = 0;
        QString rendszam;
        QString cegnev;
        QString ugyfelnev;
        QString termeknev;
        qint64 suly1 = 0;
        QDateTime bedatum;
        int irany = 0;
    };

    static constexpr int kColumnCount = 7;

    explicit InProgressModel(QObject *parent = nullptr);

    // Reads the table again; returns the error text, empty on success.
    QString fill(const QSqlDatabase &db);
    // The two halves of fill, for a read on another thread: the rows (throws DatabaseError), then the list.
    static QList<Row> read(const QSqlDatabase &db);
    void setRows(QList<Row> rows);
    const Row &row(int index) const { return m_rows.at(index); }
    // Pictures in front of the rows: inbound, outbound.
    void setIcons(const QIcon &inbound, const QIcon &outbound);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<Row> m_rows;
    QIcon m_icons[2];
};
