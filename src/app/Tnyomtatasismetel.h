#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class Tnyomtatasismetel;
}

// Reprint of a ticket by its serial number.
class Tnyomtatasismetel : public QDialog
{
    Q_OBJECT

public:
    explicit Tnyomtatasismetel(QWidget *parent = nullptr);
    ~Tnyomtatasismetel() override;

    Ui::Tnyomtatasismetel *ui() const { return m_ui.get(); }

private:
    std::unique_ptr<Ui::Tnyomtatasismetel> m_ui;
};
