#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TTerminal;
}

// Raw frames of the scale link, for diagnosis.
class TTerminal : public QDialog
{
    Q_OBJECT

public:
    explicit TTerminal(QWidget *parent = nullptr);
    ~TTerminal() override;

    Ui::TTerminal *ui() const { return m_ui.get(); }

private:
    std::unique_ptr<Ui::TTerminal> m_ui;
};
