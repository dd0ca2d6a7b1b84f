#include "TSzallitasokform.h"

#include "ui_TSzallitasokform.h"

TSzallitasokform::TSzallitasokform(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::TSzallitasokform>())
{
    m_ui->setupUi(this);
}

TSzallitasokform::~TSzallitasokform() = default;

void TSzallitasokform::setModifyButtonVisible(bool visible)
{
    m_ui->bmodositas->setVisible(visible);
}
