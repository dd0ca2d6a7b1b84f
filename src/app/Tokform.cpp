#include "Tokform.h"

#include "ui_Tokform.h"

#include <QStyle>
#include <QTimer>

Tokform::Tokform(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
    , m_ui(std::make_unique<Ui::Tokform>())
{
    m_ui->setupUi(this);
    setFixedSize(270, 75);
    m_ui->Image1->setPixmap(style()->standardIcon(QStyle::SP_DialogApplyButton).pixmap(64, 64));
    // The notice never takes the keyboard from the window the operator works in.
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_hide = new QTimer(this);
    m_hide->setSingleShot(true);
    connect(m_hide, &QTimer::timeout, this, &QWidget::hide);
}

Tokform::~Tokform() = default;

void Tokform::flash(const QWidget *over, int milliseconds)
{
    if (over)
        move(over->geometry().center() - rect().center());
    show();
    raise();
    // A second save while the notice shows keeps it up for the full time again.
    m_hide->start(milliseconds);
}
