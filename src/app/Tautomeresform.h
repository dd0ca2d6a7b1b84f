#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class Tautomeresform;
}

// Unattended weighing.
class Tautomeresform : public QDialog
{
    Q_OBJECT

public:
    explicit Tautomeresform(QWidget *parent = nullptr);
    ~Tautomeresform() override;

    Ui::Tautomeresform *ui() const { return m_ui.get(); }

private:
    std::unique_ptr<Ui::Tautomeresform> m_ui;
};
