#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class Tbefejezesform;
}

// Second weighing and settlement.
class Tbefejezesform : public QDialog
{
    Q_OBJECT

public:
    explicit Tbefejezesform(QWidget *parent = nullptr);
    ~Tbefejezesform() override;

    Ui::Tbefejezesform *ui() const { return m_ui.get(); }

private:
    std::unique_ptr<Ui::Tbefejezesform> m_ui;
};
