#include "Tautomeresek.h"

#include "ui_Tautomeresek.h"

Tautomeresek::Tautomeresek(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Tautomeresek>())
{
    m_ui->setupUi(this);
}

Tautomeresek::~Tautomeresek() = default;
