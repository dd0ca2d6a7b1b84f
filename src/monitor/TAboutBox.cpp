#include "TAboutBox.h"

#include "ui_TAboutBox.h"

namespace sorvik {

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent), m_ui(std::make_unique<Ui::TAboutBox>())
{
    m_ui->setupUi(this);
    m_ui->LVersion->setText(QStringLiteral("Version ") + QStringLiteral(SORVIK_VERSION));
    QFont title = m_ui->LProgram->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.5);
    m_ui->LProgram->setFont(title);
    connect(m_ui->BAccept, &QPushButton::clicked, this, &QDialog::accept);
}

TAboutBox::~TAboutBox() = default;

} // namespace sorvik
