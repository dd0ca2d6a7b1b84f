#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class T_previewform;
}

// Preview of printed list reports.
class T_previewform : public QDialog
{
    Q_OBJECT

public:
    explicit T_previewform(QWidget *parent = nullptr);
    ~T_previewform() override;

    Ui::T_previewform *ui() const { return m_ui.get(); }

private:
    std::unique_ptr<Ui::T_previewform> m_ui;
};
