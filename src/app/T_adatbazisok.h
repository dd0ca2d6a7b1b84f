#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class T_adatbazisok;
}

// Master data editor.
class T_adatbazisok : public QDialog
{
    Q_OBJECT

public:
    explicit T_adatbazisok(QWidget *parent = nullptr);
    ~T_adatbazisok() override;

    Ui::T_adatbazisok *ui() const { return m_ui.get(); }

private:
    std::unique_ptr<Ui::T_adatbazisok> m_ui;
};
