#include "Tbeallitasok.h"

#include "ui_Tbeallitasok.h"

Tbeallitasok::Tbeallitasok(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Tbeallitasok>())
{
    m_ui->setupUi(this);
}

Tbeallitasok::~Tbeallitasok() = default;
