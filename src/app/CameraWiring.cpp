#include "CameraWiring.h"

#include "CameraClient.h"
#include "Config.h"
#include "Kelvo.h"

#include "TFoform.h"
#include "ui_TFoform.h"

#include <QLabel>
#include <QStatusBar>

namespace {

constexpr int kCameraPanelWidth = 220;

} // namespace

CameraWiring::CameraWiring(Kelvo &kelvo)
    : m_kelvo(kelvo)
    , m_client(new CameraClient(this))
    , m_panel(new QLabel(kelvo.Foform()))
{
    m_panel->setObjectName(QStringLiteral("StatusPanelKamera"));
    m_panel->setStyleSheet(QStringLiteral("#StatusPanelKamera { color: white; background: #c00000; padding: 0 6px; }"));
    m_panel->setVisible(false);
    kelvo.Foform()->ui()->StatusBar1->addWidget(m_panel);
    connect(m_client, &CameraClient::allTaken, this, &CameraWiring::allTaken);
}

CameraWiring::~CameraWiring() = default;

void CameraWiring::configure()
{
    m_cameras = m_kelvo.config() ? CameraSettings::allFromConfig(*m_kelvo.config()) : QList<CameraSettings>{};
    // A camera taken out of the settings is no longer one to warn about.
    for (auto it = m_missing.begin(); it != m_missing.end();) {
        const bool still = std::any_of(m_cameras.cbegin(), m_cameras.cend(),
                                       [&](const CameraSettings &c) { return c.number == it.key(); });
        it = still ? std::next(it) : m_missing.erase(it);
    }
    showMissing();
}

void CameraWiring::close()
{
    m_waiting.clear();
    m_cameras.clear();
}

void CameraWiring::take(QObject *context, Done done)
{
    if (m_cameras.isEmpty()) {
        done({});
        return;
    }
    const quint64 request = m_client->takeAll(m_cameras);
    m_waiting[request] = Waiting{context, std::move(done)};
}

Pictures::Shots CameraWiring::toPictures(const QList<CameraShot> &shots)
{
    Pictures::Shots pictures;
    pictures.reserve(shots.size());
    for (const CameraShot &shot : shots)
        pictures.append(Pictures::Shot{shot.camera, shot.name, shot.jpeg, shot.missing, shot.at});
    return pictures;
}

void CameraWiring::allTaken(quint64 request, const QList<CameraShot> &shots)
{
    for (const CameraShot &shot : shots) {
        if (shot.ok())
            m_missing.remove(shot.camera);
        else
            m_missing.insert(shot.camera, {shot.name, shot.missing});
    }
    showMissing();
    emit taken(shots);
    const auto it = m_waiting.find(request);
    if (it == m_waiting.end())
        return;
    Waiting waiting = std::move(it->second);
    m_waiting.erase(it);
    if (waiting.context)
        waiting.done(toPictures(shots));
}

void CameraWiring::showMissing()
{
    if (m_missing.isEmpty()) {
        m_panel->setVisible(false);
        m_panel->clear();
        m_panel->setToolTip(QString());
        return;
    }
    QStringList names;
    QStringList lines;
    for (auto it = m_missing.cbegin(); it != m_missing.cend(); ++it) {
        names.append(it.value().first);
        lines.append(it.value().first + QStringLiteral(": ") + it.value().second);
    }
    const QString text = m_missing.size() == 1
                             ? QStringLiteral("Kamera: %1 – %2").arg(names.first(), m_missing.first().second)
                             : QStringLiteral("Kamera: %1 – nincs kép").arg(names.join(QStringLiteral(", ")));
    m_panel->setText(m_panel->fontMetrics().elidedText(text, Qt::ElideRight, kCameraPanelWidth));
    m_panel->setToolTip(lines.join(QLatin1Char('\n')));
    m_panel->setVisible(true);
}
