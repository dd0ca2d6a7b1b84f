#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class Tprnform;
}

// Hidden window that prints filled tickets.
class Tprnform : public QDialog
{
    Q_OBJECT

public:
    explicit Tprnform(QWidget *parent = nullptr);
    ~Tprnform() override;

    Ui::Tprnform *ui() const { return m_ui.get(); }

private:
    std::unique_ptr<Ui::Tprnform> m_ui;
};
