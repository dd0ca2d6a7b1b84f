#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class Tkeszletform;
}

// Stock report.
class Tkeszletform : public QDialog
{
    Q_OBJECT

public:
    explicit Tkeszletform(QWidget *parent = nullptr);
    ~Tkeszletform() override;

    Ui::Tkeszletform *ui() const { return m_ui.get(); }

private:
    std::unique_ptr<Ui::Tkeszletform> m_ui;
};
