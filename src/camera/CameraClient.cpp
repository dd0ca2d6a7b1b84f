#include "CameraClient.h"

#include <QAuthenticator>
#include <QBuffer>
#include <QFutureWatcher>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

struct CameraClient::Snapshot {
    quint64 request = 0;
    int index = 0; // within the request
    CameraSettings camera;
    QDateTime at;
    qint64 startedMs = 0;
    QByteArray body;
    bool answeredAuthentication = false;
    QString stopReason; // set when we end the reply ourselves (time limit, size)
    std::unique_ptr<QTimer> limit;
};

namespace {

QString noAnswerText(int ms)
{
    return QStringLiteral("Nincs válasz %1 ms alatt").arg(ms);
}

QString tooLargeText()
{
    return QStringLiteral("Túl nagy válasz (több mint %1 MB)").arg(CameraClient::kMaxBytes / (1024 * 1024));
}

// Whether the bytes decode as a JPEG. Decoding at an eighth of the size (libjpeg scales while it decodes) still
// reads the whole stream, and a camera's full-size picture costs no large image in memory.
bool isJpeg(const QByteArray &bytes)
{
    if (!bytes.startsWith("\xFF\xD8"))
        return false;
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    if (!size.isValid())
        return false;
    reader.setScaledSize(QSize(qMax(1, size.width() / 8), qMax(1, size.height() / 8)));
    return !reader.read().isNull();
}

} // namespace

CameraClient::CameraClient(QObject *parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this))
{
    qRegisterMetaType<CameraShot>();
    qRegisterMetaType<QList<CameraShot>>();
    m_clock.start();
    connect(m_network, &QNetworkAccessManager::authenticationRequired, this,
            &CameraClient::onAuthenticationRequired);
}

CameraClient::~CameraClient()
{
    // No outcome is reported from a client that is going away.
    for (auto &[reply, snapshot] : m_snapshots) {
        reply->disconnect(this);
        reply->abort();
        delete reply;
    }
}

quint64 CameraClient::takeShot(const CameraSettings &camera)
{
    return start({camera}, false);
}

quint64 CameraClient::takeAll(const QList<CameraSettings> &cameras)
{
    return start(cameras, true);
}

quint64 CameraClient::start(const QList<CameraSettings> &cameras, bool all)
{
    const quint64 request = m_nextRequest++;
    Request &r = m_requests[request];
    r.all = all;
    r.shots.resize(cameras.size());
    r.open = int(cameras.size());
    if (cameras.isEmpty()) {
        QMetaObject::invokeMethod(this, [this, request] {
            m_requests.erase(request);
            emit allTaken(request, {});
        }, Qt::QueuedConnection);
        return request;
    }
    for (int i = 0; i < cameras.size(); ++i)
        startSnapshot(request, i, cameras.at(i));
    return request;
}

void CameraClient::startSnapshot(quint64 request, int index, const CameraSettings &camera)
{
    const QUrl url(camera.url, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https")) {
        CameraShot shot;
        shot.camera = camera.number;
        shot.name = camera.name;
        shot.at = QDateTime::currentDateTime();
        shot.missing = QStringLiteral("Érvénytelen cím: %1").arg(camera.url);
        // Reported from the event loop, like every other outcome.
        QMetaObject::invokeMethod(this, [this, request, index, shot] { complete(request, index, shot); },
                                  Qt::QueuedConnection);
        return;
    }

    QNetworkRequest networkRequest(url);
    // Every answer must be a fresh picture.
    networkRequest.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    networkRequest.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    networkRequest.setRawHeader("Accept", "image/jpeg");

    auto snapshot = std::make_unique<Snapshot>();
    snapshot->request = request;
    snapshot->index = index;
    snapshot->camera = camera;
    snapshot->at = QDateTime::currentDateTime();
    snapshot->startedMs = m_clock.elapsed();
    QNetworkReply *reply = m_network->get(networkRequest);
    // Our own limit over the whole exchange: the transfer timeout of Qt restarts with every byte received.
    snapshot->limit = std::make_unique<QTimer>();
    snapshot->limit->setSingleShot(true);
    connect(snapshot->limit.get(), &QTimer::timeout, this,
            [this, reply, ms = camera.timeoutMs] { stopWith(reply, noAnswerText(ms)); });
    // A coarse timer may end the wait up to 5 % early: a camera answering just inside its limit would be missed.
    snapshot->limit->setTimerType(Qt::PreciseTimer);
    snapshot->limit->start(camera.timeoutMs);
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] { onReadyRead(reply); });
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64, qint64 total) {
        if (total > kMaxBytes)
            stopWith(reply, tooLargeText());
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onFinished(reply); });
    m_snapshots.emplace(reply, std::move(snapshot));
}

void CameraClient::onReadyRead(QNetworkReply *reply)
{
    const auto it = m_snapshots.find(reply);
    if (it == m_snapshots.end())
        return;
    Snapshot &s = *it->second;
    s.body += reply->read(kMaxBytes + 1 - s.body.size());
    if (s.body.size() > kMaxBytes)
        stopWith(reply, tooLargeText());
}

void CameraClient::stopWith(QNetworkReply *reply, const QString &reason)
{
    const auto it = m_snapshots.find(reply);
    if (it == m_snapshots.end() || !it->second->stopReason.isEmpty())
        return;
    it->second->stopReason = reason;
    reply->abort(); // finishes the reply, so onFinished reports the reason
}

void CameraClient::onAuthenticationRequired(QNetworkReply *reply, QAuthenticator *authenticator)
{
    const auto it = m_snapshots.find(reply);
    if (it == m_snapshots.end())
        return;
    Snapshot &s = *it->second;
    // Asked again means the camera refused what we gave: leaving the authenticator empty ends the reply.
    if (s.answeredAuthentication || s.camera.user.isEmpty())
        return;
    s.answeredAuthentication = true;
    authenticator->setUser(s.camera.user);
    authenticator->setPassword(s.camera.password);
}

void CameraClient::onFinished(QNetworkReply *reply)
{
    const auto it = m_snapshots.find(reply);
    if (it == m_snapshots.end())
        return;
    std::unique_ptr<Snapshot> s = std::move(it->second);
    m_snapshots.erase(it);
    s->limit->stop();
    // The reply may be finishing inside the limit's own timeout signal.
    s->limit.release()->deleteLater();
    reply->disconnect(this);
    reply->deleteLater();
    if (s->stopReason.isEmpty() && s->body.size() <= kMaxBytes)
        s->body += reply->read(kMaxBytes + 1 - s->body.size());

    CameraShot shot;
    shot.camera = s->camera.number;
    shot.name = s->camera.name;
    shot.at = s->at;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int code = status.isValid() ? status.toInt() : 0;
    if (!s->stopReason.isEmpty()) {
        shot.missing = s->stopReason;
    } else if (s->body.size() > kMaxBytes) {
        shot.missing = tooLargeText();
    } else if (reply->error() == QNetworkReply::AuthenticationRequiredError || code == 401) {
        shot.missing = QStringLiteral("Hitelesítés elutasítva (felhasználónév vagy jelszó)");
    } else if (code != 0 && (code < 200 || code > 299)) {
        const QString phrase = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        shot.missing = QStringLiteral("HTTP-hiba: %1 %2").arg(code).arg(phrase).trimmed();
    } else if (reply->error() != QNetworkReply::NoError) {
        shot.missing = QStringLiteral("Hálózati hiba: %1").arg(reply->errorString());
    }
    if (!shot.ok()) {
        shot.ms = m_clock.elapsed() - s->startedMs;
        complete(s->request, s->index, shot);
        return;
    }
    shot.jpeg = std::move(s->body);
    checkPicture(s->request, s->index, shot, s->startedMs);
}

void CameraClient::checkPicture(quint64 request, int index, CameraShot shot, qint64 startedMs)
{
    auto *watcher = new QFutureWatcher<bool>(this);
    connect(watcher, &QFutureWatcher<bool>::finished, this, [this, watcher, request, index, shot, startedMs]() mutable {
        watcher->deleteLater();
        if (!watcher->result()) {
            shot.jpeg.clear();
            shot.missing = QStringLiteral("A válasz nem JPEG-kép");
        }
        shot.ms = m_clock.elapsed() - startedMs;
        complete(request, index, shot);
    });
    watcher->setFuture(QtConcurrent::run(isJpeg, shot.jpeg));
}

void CameraClient::complete(quint64 request, int index, CameraShot shot)
{
    const auto it = m_requests.find(request);
    if (it == m_requests.end())
        return;
    Request &r = it->second;
    if (!r.all) {
        m_requests.erase(it);
        emit shotTaken(request, shot);
        return;
    }
    r.shots[index] = std::move(shot);
    if (--r.open > 0)
        return;
    const QList<CameraShot> shots = std::move(r.shots);
    m_requests.erase(it);
    emit allTaken(request, shots);
}
