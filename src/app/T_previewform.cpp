#include "T_previewform.h"

#include "ui_T_previewform.h"

T_previewform::T_previewform(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::T_previewform>())
{
    m_ui->setupUi(this);
}

T_previewform::~T_previewform() = default;
