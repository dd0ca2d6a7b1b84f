#pragma once

#include <QDialog>
#include <QSqlDatabase>

class QTableView;
class TrailModel;

// The trail of one ticket, read-only: every change, cancellation and reprint recorded for its serial number.
class TNaploform : public QDialog
{
    Q_OBJECT

public:
    explicit TNaploform(QWidget *parent = nullptr);

    // Reads the rows of the serial number; throws DatabaseError.
    void showSerial(const QSqlDatabase &db, qint64 serial);
    TrailModel *model() const { return m_model; }

private:
    QTableView *m_lista = nullptr;
    TrailModel *m_model = nullptr;
};
