#include "Tmodosit.h"

#include "ui_Tmodosit.h"

Tmodosit::Tmodosit(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Tmodosit>())
{
    m_ui->setupUi(this);
}

Tmodosit::~Tmodosit() = default;
