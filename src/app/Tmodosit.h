#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class Tmodosit;
}

// Modification of a finished transport's descriptive fields.
class Tmodosit : public QDialog
{
    Q_OBJECT

public:
    explicit Tmodosit(QWidget *parent = nullptr);
    ~Tmodosit() override;

    Ui::Tmodosit *ui() const { return m_ui.get(); }

private:
    std::unique_ptr<Ui::Tmodosit> m_ui;
};
