#include "Tkezdesform.h"

#include "ui_Tkezdesform.h"

Tkezdesform::Tkezdesform(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Tkezdesform>())
{
    m_ui->setupUi(this);
}

Tkezdesform::~Tkezdesform() = default;
