#include "T_adatbazisok.h"

#include "ui_T_adatbazisok.h"

T_adatbazisok::T_adatbazisok(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::T_adatbazisok>())
{
    m_ui->setupUi(this);
}

T_adatbazisok::~T_adatbazisok() = default;
