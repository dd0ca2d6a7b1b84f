#include "Tnyomtatasismetel.h"

#include "ui_Tnyomtatasismetel.h"

Tnyomtatasismetel::Tnyomtatasismetel(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Tnyomtatasismetel>())
{
    m_ui->setupUi(this);
}

Tnyomtatasismetel::~Tnyomtatasismetel() = default;
