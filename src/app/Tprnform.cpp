#include "Tprnform.h"

#include "ui_Tprnform.h"

Tprnform::Tprnform(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Tprnform>())
{
    m_ui->setupUi(this);
}

Tprnform::~Tprnform() = default;
