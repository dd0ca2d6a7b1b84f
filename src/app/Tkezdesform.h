#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class Tkezdesform;
}

// First weighing of a transport.
class Tkezdesform : public QDialog
{
    Q_OBJECT

public:
    explicit Tkezdesform(QWidget *parent = nullptr);
    ~Tkezdesform() override;

    Ui::Tkezdesform *ui() const { return m_ui.get(); }

private:
    std::unique_ptr<Ui::Tkezdesform> m_ui;
};
