#include "Tbefejezesform.h"

#include "ui_Tbefejezesform.h"

Tbefejezesform::Tbefejezesform(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Tbefejezesform>())
{
    m_ui->setupUi(this);
}

Tbefejezesform::~Tbefejezesform() = default;
