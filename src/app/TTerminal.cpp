#include "TTerminal.h"

#include "ui_TTerminal.h"

TTerminal::TTerminal(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::TTerminal>())
{
    m_ui->setupUi(this);
}

TTerminal::~TTerminal() = default;
