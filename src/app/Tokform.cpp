#include "Tokform.h"

#include "ui_Tokform.h"

#include <QStyle>
#include <QThread>

Tokform::Tokform(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
    , m_ui(std::make_unique<Ui::Tokform>())
{
    m_ui->setupUi(this);
    setFixedSize(270, 75);
    m_ui->Image1->setPixmap(style()->standardIcon(QStyle::SP_DialogApplyButton).pixmap(64, 64));
}

Tokform::~Tokform() = default;

void Tokform::flash(const QWidget *over, int milliseconds)
{
    if (over)
        move(over->geometry().center() - rect().center());
    show();
    repaint();
    // The pause is deliberate: the operator sees the notice before anything else happens.
    QThread::msleep(static_cast<unsigned long>(milliseconds));
    hide();
}
