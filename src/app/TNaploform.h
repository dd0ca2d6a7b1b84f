#pragma once

#include "Trail.h"

#include <QDialog>

class QTableView;
class TrailModel;

// The trail of one ticket, read-only: every change, cancellation and reprint recorded for its serial number.
class TNaploform : public QDialog
{
    Q_OBJECT

public:
    explicit TNaploform(QWidget *parent = nullptr);

    // The rows of the serial number, read by the caller (Trail::ofSerial).
    void showSerial(qint64 serial, QList<Trail::Row> rows);
    TrailModel *model() const { return m_model; }

private:
    QTableView *m_lista = nullptr;
    TrailModel *m_model = nullptr;
};
