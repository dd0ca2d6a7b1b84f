#include "WebhookChannel.h"

#include "Sql.h"

#include <QDateTime>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QUrl>

WebhookChannel::WebhookChannel(const QString &url, const WebhookSettings &settings, const QSqlDatabase &db,
                               QNetworkAccessManager &network, QObject *parent)
    : QObject(parent)
    , m_url(url)
    , m_settings(settings)
    , m_db(db)
    , m_network(network)
{
    m_wait.setSingleShot(true);
    m_limit.setSingleShot(true);
    connect(&m_wait, &QTimer::timeout, this, &WebhookChannel::pump);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        if (m_reply)
            m_reply->abort();
    });
}

WebhookChannel::~WebhookChannel()
{
    stop();
}

void WebhookChannel::start()
{
    if (m_running)
        return;
    m_running = true;
    m_loaded = false;
    m_queue.clear();
    pump();
}

void WebhookChannel::stop()
{
    m_running = false;
    m_wait.stop();
    m_limit.stop();
    dropReply();
    m_queue.clear();
}

void WebhookChannel::pump()
{
    if (!m_running || m_reply || m_wait.isActive())
        return;
    try {
        if (!m_loaded) {
            const OutboxQueue::Target target = OutboxQueue::target(m_db, m_url);
            m_delivered = target.delivered;
            m_failures = target.failures;
            m_loaded = true;
        }
        if (m_queue.isEmpty())
            m_queue = OutboxQueue::after(m_db, m_delivered, m_settings.batch);
    } catch (const DatabaseError &e) {
        fail(m_queue.isEmpty() ? 0 : m_queue.first().id, QString::fromUtf8(e.what()));
        return;
    }
    if (m_queue.isEmpty()) {
        m_wait.start(m_settings.pollMs);
        return;
    }
    send(m_queue.first());
}

void WebhookChannel::send(const OutboxQueue::Event &event)
{
    QNetworkRequest request{QUrl(m_url)};
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    // The receiver drops an event it has already booked by this id: a resend after a lost answer is no new event.
    request.setRawHeader(QByteArrayLiteral("X-Kelvo-Esemeny"), QByteArray::number(event.id));
    // A redirect is no acceptance; a POST turned into a GET elsewhere would pass for delivered.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    m_timedOut = false;
    m_reply = m_network.post(request, event.payload);
    // The answer's body is not needed; reading it as it comes keeps a large one from piling up.
    connect(m_reply, &QNetworkReply::readyRead, this, [reply = m_reply] { reply->skip(reply->bytesAvailable()); });
    connect(m_reply, &QNetworkReply::finished, this, &WebhookChannel::answered);
    m_limit.start(m_settings.timeoutMs);
}

void WebhookChannel::answered()
{
    m_limit.stop();
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->deleteLater();
    if (m_queue.isEmpty())
        return;
    const qint64 id = m_queue.first().id;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_timedOut) {
        fail(id, QStringLiteral("no answer within %1 ms").arg(m_settings.timeoutMs));
        return;
    }
    if (status < 200 || status > 299) {
        const QString reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        fail(id, status > 0 ? QStringLiteral("HTTP %1 %2").arg(status).arg(reason).trimmed() : reply->errorString());
        return;
    }
    try {
        OutboxQueue::delivered(m_db, m_url, id);
    } catch (const DatabaseError &e) {
        // Taken but not noted: sent again after the wait, which the receiver drops by its id.
        fail(id, QString::fromUtf8(e.what()));
        return;
    }
    m_delivered = id;
    m_failures = 0;
    m_queue.removeFirst();
    // A receiver of the signal may stop or delete the sender, and this channel with it.
    const QPointer<WebhookChannel> alive(this);
    emit delivered(m_url, id);
    if (alive)
        pump();
}

void WebhookChannel::fail(qint64 id, const QString &error)
{
    ++m_failures;
    const int delay = m_settings.retryDelayMs(m_failures);
    try {
        OutboxQueue::failed(m_db, m_url, m_failures, error, QDateTime::currentDateTime().addMSecs(delay));
    } catch (const DatabaseError &) {
        // The listing misses this failure; the delivery itself goes on as it would.
    }
    m_wait.start(delay);
    emit failed(m_url, id, error);
}

void WebhookChannel::dropReply()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}
