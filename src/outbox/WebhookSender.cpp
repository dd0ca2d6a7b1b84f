#include "WebhookSender.h"

#include "Outbox.h"
#include "OutboxQueue.h"
#include "Sql.h"
#include "WebhookChannel.h"

#include <QNetworkAccessManager>

namespace {

constexpr int kPruneIntervalMs = 60 * 60 * 1000;

} // namespace

WebhookSender::WebhookSender(const WebhookSettings &settings, const QSqlDatabase &db, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_db(db)
{
    connect(&m_prune, &QTimer::timeout, this, &WebhookSender::prune);
}

WebhookSender::~WebhookSender()
{
    stop();
}

void WebhookSender::start()
{
    if (m_running)
        return;
    m_running = true;
    try {
        OutboxQueue::keepOnly(m_db, m_settings.urls);
    } catch (const DatabaseError &e) {
        // Each URL's channel meets the same failure and reports it with its retries.
        qWarning("webhooks: %s", e.what());
    }
    prune();
    m_prune.start(kPruneIntervalMs);
    if (!m_network)
        m_network = std::make_unique<QNetworkAccessManager>();
    for (const QString &url : std::as_const(m_settings.urls)) {
        auto channel = std::make_unique<WebhookChannel>(url, m_settings, m_db, *m_network);
        connect(channel.get(), &WebhookChannel::delivered, this, &WebhookSender::delivered);
        connect(channel.get(), &WebhookChannel::failed, this, &WebhookSender::failed);
        m_channels.push_back(std::move(channel));
    }
    for (const auto &channel : m_channels)
        channel->start();
}

void WebhookSender::stop()
{
    m_running = false;
    m_prune.stop();
    // Channels go before the network manager they post through.
    m_channels.clear();
}

void WebhookSender::prune()
{
    try {
        Outbox::prune(m_db);
    } catch (const DatabaseError &e) {
        qWarning("webhooks: %s", e.what());
    }
}
