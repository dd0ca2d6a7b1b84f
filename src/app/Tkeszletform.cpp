#include "Tkeszletform.h"

#include "ui_Tkeszletform.h"

Tkeszletform::Tkeszletform(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Tkeszletform>())
{
    m_ui->setupUi(this);
}

Tkeszletform::~Tkeszletform() = default;
