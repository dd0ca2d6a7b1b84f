#include "Tewcform.h"

#include "ui_Tewcform.h"

Tewcform::Tewcform(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Tewcform>())
{
    m_ui->setupUi(this);
}

Tewcform::~Tewcform() = default;
