#include "CameraPage.h"

#include "CameraClient.h"
#include "Config.h"
#include "Seged.h"
#include "TextCodec.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr QSize kProbeSize{96, 72};

QLineEdit *lineEdit(const QString &name)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(name);
    return edit;
}

} // namespace

CameraPage::CameraPage(QWidget *parent)
    : QWidget(parent)
    , m_client(new CameraClient(this))
{
    setObjectName(QStringLiteral("pKamera"));
    auto *inner = new QWidget;
    auto *innerLayout = new QVBoxLayout(inner);
    innerLayout->setContentsMargins(0, 0, 0, 0);
    for (int number = 1; number <= CameraSettings::kCount; ++number) {
        Fields &f = m_cameras.at(number - 1);
        const QString n = QString::number(number);
        f.url = lineEdit(QStringLiteral("kamera%1url").arg(n));
        f.url->setPlaceholderText(QStringLiteral("nincs kamera (pl. http://192.168.1.64/snapshot.jpg)"));
        f.user = lineEdit(QStringLiteral("kamera%1user").arg(n));
        f.password = lineEdit(QStringLiteral("kamera%1password").arg(n));
        f.password->setEchoMode(QLineEdit::Password);
        f.name = lineEdit(QStringLiteral("kamera%1nev").arg(n));
        f.timeout = new QSpinBox;
        f.timeout->setObjectName(QStringLiteral("kamera%1timeout").arg(n));
        f.timeout->setRange(100, 60000);
        f.timeout->setSingleStep(100);
        f.timeout->setSuffix(QStringLiteral(" ms"));
        f.timeout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        f.probe = new QPushButton(QStringLiteral("Próba"));
        f.probe->setObjectName(QStringLiteral("kamera%1proba").arg(n));
        f.probe->setAutoDefault(false);
        f.picture = new QLabel;
        f.picture->setObjectName(QStringLiteral("kamera%1kep").arg(n));
        f.picture->setFixedSize(kProbeSize);
        f.picture->setAlignment(Qt::AlignCenter);
        f.picture->setFrameShape(QFrame::StyledPanel);
        f.result = new QLabel;
        f.result->setObjectName(QStringLiteral("kamera%1eredmeny").arg(n));
        f.result->setWordWrap(true);
        f.result->setTextInteractionFlags(Qt::TextSelectableByMouse);

        auto *box = new QGroupBox(QStringLiteral(" %1. kamera ").arg(n));
        auto *grid = new QGridLayout(box);
        grid->addWidget(new QLabel(QStringLiteral("URL:")), 0, 0);
        grid->addWidget(f.url, 0, 1, 1, 5);
        grid->addWidget(new QLabel(QStringLiteral("Név:")), 1, 0);
        grid->addWidget(f.name, 1, 1);
        grid->addWidget(new QLabel(QStringLiteral("Felhasználó:")), 1, 2);
        grid->addWidget(f.user, 1, 3);
        grid->addWidget(new QLabel(QStringLiteral("Jelszó:")), 1, 4);
        grid->addWidget(f.password, 1, 5);
        grid->addWidget(new QLabel(QStringLiteral("Időkorlát:")), 2, 0);
        grid->addWidget(f.timeout, 2, 1);
        auto *probeRow = new QHBoxLayout;
        probeRow->addWidget(f.probe, 0, Qt::AlignTop);
        probeRow->addWidget(f.picture);
        probeRow->addWidget(f.result, 1);
        grid->addLayout(probeRow, 3, 0, 1, 6);
        innerLayout->addWidget(box);
        connect(f.probe, &QPushButton::clicked, this, [this, number] { probe(number); });
    }
    innerLayout->addStretch(1);
    // Four cameras do not fit the dialog's height: the page scrolls.
    auto *scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(inner);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    connect(m_client, &CameraClient::shotTaken, this, &CameraPage::showProbe);
}

CameraPage::~CameraPage() = default;

void CameraPage::load(const Config &config)
{
    for (int number = 1; number <= CameraSettings::kCount; ++number) {
        const Keys::CameraKeys &keys = Keys::kamera[number - 1];
        Fields &f = m_cameras.at(number - 1);
        f.url->setText(config.string(keys.url).trimmed());
        f.user->setText(config.string(keys.user));
        f.password->setText(TextCodec::decode(dekodol(config.string(keys.password))));
        const qint64 timeout = config.integer(keys.timeout);
        f.timeout->setValue(timeout > 0 ? int(timeout) : CameraSettings::kDefaultTimeoutMs);
        f.name->setText(config.string(keys.name).trimmed());
        f.picture->clear();
        f.result->clear();
    }
}

bool CameraPage::save(Config &config) const
{
    bool written = true;
    for (int number = 1; number <= CameraSettings::kCount && written; ++number) {
        const Keys::CameraKeys &keys = Keys::kamera[number - 1];
        const Fields &f = m_cameras.at(number - 1);
        written = config.setString(keys.url, f.url->text().trimmed()) && config.setString(keys.user, f.user->text()) &&
                  config.setString(keys.password, f.password->text().isEmpty() ? QString() : kodol(f.password->text())) &&
                  config.setInteger(keys.timeout, f.timeout->value()) &&
                  config.setString(keys.name, f.name->text().trimmed());
    }
    return written;
}

CameraSettings CameraPage::entered(int number) const
{
    const Fields &f = m_cameras.at(number - 1);
    CameraSettings camera;
    camera.number = number;
    camera.url = f.url->text().trimmed();
    camera.user = f.user->text();
    camera.password = f.password->text();
    camera.timeoutMs = f.timeout->value();
    camera.name = f.name->text().trimmed();
    if (camera.name.isEmpty())
        camera.name = QStringLiteral("Kamera %1").arg(number);
    return camera;
}

void CameraPage::setEditable(bool editable)
{
    for (const Fields &f : m_cameras) {
        for (QWidget *w : {static_cast<QWidget *>(f.url), static_cast<QWidget *>(f.user),
                           static_cast<QWidget *>(f.password), static_cast<QWidget *>(f.timeout),
                           static_cast<QWidget *>(f.name)})
            w->setEnabled(editable);
    }
}

void CameraPage::probe(int number)
{
    Fields &f = m_cameras.at(number - 1);
    const CameraSettings camera = entered(number);
    if (camera.url.isEmpty()) {
        f.result->setText(QStringLiteral("Nincs megadva URL."));
        return;
    }
    f.probe->setEnabled(false);
    f.picture->clear();
    f.result->setText(QStringLiteral("Kép kérése..."));
    m_probes[m_client->takeShot(camera)] = number;
}

void CameraPage::showProbe(quint64 request, const CameraShot &shot)
{
    const auto it = m_probes.find(request);
    if (it == m_probes.end())
        return;
    const int number = it->second;
    m_probes.erase(it);
    Fields &f = m_cameras.at(number - 1);
    f.probe->setEnabled(true);
    if (shot.ok()) {
        // One small picture on the operator's click: decoded here.
        const QImage image = QImage::fromData(shot.jpeg, "JPEG");
        f.picture->setPixmap(QPixmap::fromImage(image.scaled(kProbeSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        f.result->setText(QStringLiteral("Rendben: %1×%2, %3 bájt, %4 ms")
                              .arg(image.width())
                              .arg(image.height())
                              .arg(shot.jpeg.size())
                              .arg(shot.ms));
    } else {
        f.picture->clear();
        f.result->setText(QStringLiteral("Nincs kép: %1 (%2 ms)").arg(shot.missing).arg(shot.ms));
    }
    emit probed(number, shot);
}
