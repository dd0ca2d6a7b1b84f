#include "Tautomeresform.h"

#include "ui_Tautomeresform.h"

Tautomeresform::Tautomeresform(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Tautomeresform>())
{
    m_ui->setupUi(this);
}

Tautomeresform::~Tautomeresform() = default;
