#pragma once

#include "WebhookSettings.h"

#include <QObject>
#include <QSqlDatabase>
#include <QTimer>

#include <memory>
#include <vector>

class QNetworkAccessManager;
class WebhookChannel;

// Delivers the outbox (finished, cancelled and modified tickets, table kimeno) to every webhook URL: each event as a
// JSON POST (the payload as stored, Content-Type application/json, header X-Kelvo-Esemeny: ID), at least once and in
// the outbox's order, one request at a time per URL. A URL's progress is kept in the database (kimeno_cel), so a
// restart goes on where the last run stopped; a URL new to the database starts with the oldest event kept.
//
// The office service runs it like this, on the thread that owns db (its reads are small: a batch of events or one
// progress row at a time; the network is asynchronous, nothing waits):
//
//     WebhookSender sender(WebhookSettings::fromConfig(config), db);
//     sender.start();   // nothing to do when [Web] webhook is empty
//     ...
//     sender.stop();    // or destroy it; a request on its way is dropped and its event sent again next time
//
// Only one sender per database: start() forgets the progress of URLs its settings do not name.
class WebhookSender : public QObject
{
    Q_OBJECT

public:
    WebhookSender(const WebhookSettings &settings, const QSqlDatabase &db, QObject *parent = nullptr);
    ~WebhookSender() override;

    const WebhookSettings &settings() const { return m_settings; }
    bool isRunning() const { return m_running; }

    void start();
    void stop();

signals:
    // The URL answered 2xx to the event id and its progress moved past it.
    void delivered(const QString &url, qint64 id);
    // The event id was not taken (error says why); it is tried again after a wait.
    void failed(const QString &url, qint64 id, const QString &error);

private:
    void prune();

    WebhookSettings m_settings;
    QSqlDatabase m_db;
    bool m_running = false;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::vector<std::unique_ptr<WebhookChannel>> m_channels;
    QTimer m_prune;
};
