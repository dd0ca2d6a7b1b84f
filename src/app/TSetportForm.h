#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TSetportForm;
}

// Serial port settings of the scale link.
class TSetportForm : public QDialog
{
    Q_OBJECT

public:
    explicit TSetportForm(QWidget *parent = nullptr);
    ~TSetportForm() override;

    Ui::TSetportForm *ui() const { return m_ui.get(); }

private:
    std::unique_ptr<Ui::TSetportForm> m_ui;
};
