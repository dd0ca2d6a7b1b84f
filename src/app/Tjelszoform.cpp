#include "Tjelszoform.h"

#include "ui_Tjelszoform.h"

#include <QCloseEvent>
#include <QStyle>

Tjelszoform::Tjelszoform(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Tjelszoform>())
{
    m_ui->setupUi(this);
    m_ui->Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(48, 48));
    connect(m_ui->okbtn, &QPushButton::clicked, this, &Tjelszoform::okClick);
    connect(m_ui->megsebtn, &QPushButton::clicked, this, &Tjelszoform::reject);
}

Tjelszoform::~Tjelszoform() = default;

void Tjelszoform::okClick()
{
    if (m_ui->jelszob->text() == m_password) {
        m_passed = true;
        accept();
        return;
    }
    m_ui->jelszob->setFocus();
    m_ui->jelszob->selectAll();
}

void Tjelszoform::reject()
{
    m_passed = false;
    QDialog::done(Rejected);
}

void Tjelszoform::closeEvent(QCloseEvent *event)
{
    if (!m_passed) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
