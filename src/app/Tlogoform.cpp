#include "Tlogoform.h"

#include "ui_Tlogoform.h"

#include "WindowHelpers.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>
#include <QTimer>

namespace {

QPixmap backgroundPicture(QSize size)
{
    QPixmap pixmap(size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(0x1f, 0x4e, 0x79));
    sky.setColorAt(1, QColor(0x0b, 0x1f, 0x33));
    painter.fillRect(pixmap.rect(), sky);
    // A weighbridge deck and a truck outline, drawn rather than shipped as a picture.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 40));
    painter.drawRect(40, 200, size.width() - 80, 8);
    painter.drawRoundedRect(120, 165, 120, 35, 4, 4);
    painter.drawRoundedRect(245, 175, 55, 25, 4, 4);
    painter.drawEllipse(QPoint(145, 203), 9, 9);
    painter.drawEllipse(QPoint(215, 203), 9, 9);
    painter.drawEllipse(QPoint(280, 203), 9, 9);
    return pixmap;
}

} // namespace

Tlogoform::Tlogoform(QWidget *parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Dialog)
    , m_ui(std::make_unique<Ui::Tlogoform>())
    , m_timer(new QTimer(this))
{
    m_ui->setupUi(this);
    setFixedSize(450, 315);
    m_ui->Image1->setPixmap(backgroundPicture(size()));

    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(0, 0, width(), height() - 20), 10, 10);
    setMask(QRegion(rounded.toFillPolygon().toPolygon()));
    attetszoseg(this, 200);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());

    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(1000);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_timer->stop();
        close();
    });

    for (QWidget *w : {static_cast<QWidget *>(m_ui->Image1), static_cast<QWidget *>(m_ui->verziolabel),
                       static_cast<QWidget *>(m_ui->Label3)})
        w->installEventFilter(this);
    // The product word lets clicks pass to nothing: it does not close the window.
    m_ui->Label1->setAttribute(Qt::WA_NoMousePropagation);
}

Tlogoform::~Tlogoform() = default;

void Tlogoform::setVersionText(double version)
{
    // A point whatever the machine's decimal mark.
    m_ui->verziolabel->setText(QStringLiteral("Verzió: ") + QString::number(version, 'f', 2));
}

bool Tlogoform::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        m_timer->stop();
        if (isModal())
            accept();
        else
            close();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
