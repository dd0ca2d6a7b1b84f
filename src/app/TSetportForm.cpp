#include "TSetportForm.h"

#include "ui_TSetportForm.h"

TSetportForm::TSetportForm(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::TSetportForm>())
{
    m_ui->setupUi(this);
}

TSetportForm::~TSetportForm() = default;
