#pragma once

#include "PortDetector.h"

#include <QDialog>

#include <memory>

class QStandardItemModel;

namespace Ui {
class TPortListForm;
}

// The serial ports this machine has, with what the system says about each: where the operator looks up which
// name a newly plugged adapter got.
class TPortListForm : public QDialog
{
    Q_OBJECT

public:
    enum Column { NameColumn, DeviceColumn, DescriptionColumn, ColumnCount };

    explicit TPortListForm(QWidget *parent = nullptr, PortDetector detector = PortDetector());
    ~TPortListForm() override;

    Ui::TPortListForm *ui() const { return m_ui.get(); }
    QStandardItemModel *model() const { return m_model; }

public slots:
    // Looks again: adapters come and go while the program runs.
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::TPortListForm> m_ui;
    PortDetector m_detector;
    QStandardItemModel *m_model = nullptr;
};
