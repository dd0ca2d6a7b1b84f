#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TSzallitasokform;
}

// Search and list of finished transports.
class TSzallitasokform : public QDialog
{
    Q_OBJECT

public:
    explicit TSzallitasokform(QWidget *parent = nullptr);
    ~TSzallitasokform() override;

    Ui::TSzallitasokform *ui() const { return m_ui.get(); }
    void setModifyButtonVisible(bool visible);

private:
    std::unique_ptr<Ui::TSzallitasokform> m_ui;
};
