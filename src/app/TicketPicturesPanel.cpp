#include "TicketPicturesPanel.h"

#include "DatabaseWorker.h"
#include "WorkerCall.h"

#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QString caption(const Pictures::Picture &p)
{
    return QStringLiteral("%1. mérés – %2").arg(p.weighing).arg(p.name);
}

// A missing picture's place: a grey field, so that the row of pictures keeps its shape.
QImage missingThumb()
{
    QImage image(TicketPicturesPanel::kThumbSize, QImage::Format_RGB32);
    image.fill(QColor(0xd0, 0xd0, 0xd0));
    QPainter painter(&image);
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.drawLine(0, 0, image.width() - 1, image.height() - 1);
    painter.drawLine(0, image.height() - 1, image.width() - 1, 0);
    return image;
}

QList<TicketPicturesPanel::Item> readItems(const QSqlDatabase &db, qint64 serial)
{
    QList<TicketPicturesPanel::Item> items;
    for (Pictures::Picture &picture : Pictures::ofSerial(db, serial)) {
        TicketPicturesPanel::Item item;
        if (picture.present()) {
            // Decoded and made small here on the worker: a large JPEG would hold up the window thread.
            const QImage full = QImage::fromData(picture.jpeg, "JPEG");
            if (!full.isNull())
                item.thumb = full.scaled(TicketPicturesPanel::kThumbSize, Qt::KeepAspectRatio,
                                         Qt::SmoothTransformation);
        }
        item.picture = std::move(picture);
        items.append(std::move(item));
    }
    return items;
}

} // namespace

TicketPicturesPanel::TicketPicturesPanel(QWidget *parent)
    : QWidget(parent)
    , m_list(new QListWidget(this))
{
    setObjectName(QStringLiteral("kepek"));
    m_list->setObjectName(QStringLiteral("kepeklista"));
    m_list->setViewMode(QListView::IconMode);
    m_list->setFlow(QListView::LeftToRight);
    m_list->setWrapping(false);
    m_list->setMovement(QListView::Static);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setIconSize(kThumbSize);
    m_list->setWordWrap(true);
    m_list->setGridSize(QSize(kThumbSize.width() + 24, kThumbSize.height() + 48));
    m_list->setFixedHeight(kThumbSize.height() + 72);
    m_list->setToolTip(QStringLiteral("A kijelölt szállítás kamerás képei; dupla kattintás: nagyítás"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);

    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    setVisible(false);
    connect(&m_settle, &QTimer::timeout, this, &TicketPicturesPanel::read);
    connect(m_list, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) { enlarge(m_list->row(item)); });
}

TicketPicturesPanel::~TicketPicturesPanel() = default;

void TicketPicturesPanel::setWorker(DatabaseWorker *worker)
{
    m_worker = worker;
    showSerial(0);
}

void TicketPicturesPanel::showSerial(qint64 serial)
{
    if (serial == m_wanted && (serial == m_shown || m_settle.isActive() || m_reading))
        return;
    m_wanted = serial;
    if (serial == 0 || !m_worker) {
        m_settle.stop();
        fill(0, {});
        return;
    }
    // Each change of the chosen ticket waits again: only the one the operator stops at is read.
    m_settle.start();
}

void TicketPicturesPanel::read()
{
    if (m_reading || !m_worker || m_wanted == 0)
        return;
    if (!m_worker->online())
        return fill(m_wanted, {});
    m_reading = true;
    ++m_reads;
    const qint64 serial = m_wanted;
    const auto done = [this, serial](const QList<Item> &items) {
        m_reading = false;
        if (serial == m_wanted)
            fill(serial, items);
        else
            read(); // the operator moved on meanwhile: that ticket's pictures next
    };
    WorkerCall::then(m_worker->run([serial](QSqlDatabase db) { return readItems(db, serial); }), this, done, {},
                     [this, serial](const std::exception &e) {
                         m_reading = false;
                         Item failed;
                         failed.picture.missing = QString::fromUtf8(e.what());
                         if (serial == m_wanted)
                             fill(serial, {failed});
                         else
                             read();
                     });
}

void TicketPicturesPanel::fill(qint64 serial, const QList<Item> &items)
{
    m_items = items;
    m_shown = serial;
    m_list->clear();
    static const QImage missing = missingThumb();
    for (const Item &item : std::as_const(m_items)) {
        const Pictures::Picture &p = item.picture;
        QString text = p.camera > 0 ? caption(p) : QString();
        if (!p.present())
            text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + p.missing;
        auto *entry = new QListWidgetItem(QIcon(QPixmap::fromImage(item.thumb.isNull() ? missing : item.thumb)),
                                          text, m_list);
        entry->setToolTip(p.present() ? caption(p) + QStringLiteral(", ") + p.at.toString(QStringLiteral("yyyy.MM.dd hh:mm:ss"))
                                      : text);
    }
    // A station without cameras never shows the strip; with them, a ticket without pictures hides it too.
    setVisible(!m_items.isEmpty());
    if (m_large && m_large->isVisible() && serial != 0)
        m_large->hide();
    emit shown(serial);
}

void TicketPicturesPanel::enlarge(int row)
{
    if (row < 0 || row >= m_items.size())
        return;
    const Pictures::Picture &p = m_items.at(row).picture;
    if (!m_large) {
        m_large = new QDialog(window());
        m_large->setObjectName(QStringLiteral("kepnagyitas"));
        m_largeImage = new QLabel(m_large);
        m_largeImage->setAlignment(Qt::AlignCenter);
        m_largeCaption = new QLabel(m_large);
        m_largeCaption->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto *layout = new QVBoxLayout(m_large);
        layout->addWidget(m_largeImage, 1);
        layout->addWidget(m_largeCaption);
    }
    m_large->setWindowTitle(caption(p));
    QString text = caption(p) + QStringLiteral(", ") + p.at.toString(QStringLiteral("yyyy.MM.dd hh:mm:ss"));
    if (p.present()) {
        // One picture, on the operator's double click: decoded here.
        QImage image = QImage::fromData(p.jpeg, "JPEG");
        const QScreen *screen = window()->screen() ? window()->screen() : QGuiApplication::primaryScreen();
        const QSize room = screen ? screen->availableSize() * 0.8 : QSize(1024, 768);
        if (image.width() > room.width() || image.height() > room.height())
            image = image.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        m_largeImage->setPixmap(QPixmap::fromImage(image));
        text += QStringLiteral(", %1 bájt").arg(p.jpeg.size());
    } else {
        m_largeImage->setPixmap(QPixmap::fromImage(missingThumb()));
        text += QStringLiteral("\nNincs kép: ") + p.missing;
    }
    m_largeCaption->setText(text);
    m_large->adjustSize();
    m_large->show();
    m_large->raise();
}
