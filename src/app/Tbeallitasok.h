#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class Tbeallitasok;
}

// Settings dialog.
class Tbeallitasok : public QDialog
{
    Q_OBJECT

public:
    explicit Tbeallitasok(QWidget *parent = nullptr);
    ~Tbeallitasok() override;

    Ui::Tbeallitasok *ui() const { return m_ui.get(); }

private:
    std::unique_ptr<Ui::Tbeallitasok> m_ui;
};
