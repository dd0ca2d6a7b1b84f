#pragma once

#include "OutboxQueue.h"
#include "WebhookSettings.h"

#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QTimer>

class QNetworkAccessManager;
class QNetworkReply;

// The delivery to one URL: the outbox's events in id order, one request at a time, each POSTed until the URL answers
// 2xx; then its progress moves past it in the database. A failure (no answer within the time limit, no connection, any
// other status) waits and tries the same event again, the wait doubling up to the settings' maximum; nothing after it
// goes meanwhile. Part of WebhookSender.
class WebhookChannel : public QObject
{
    Q_OBJECT

public:
    WebhookChannel(const QString &url, const WebhookSettings &settings, const QSqlDatabase &db,
                   QNetworkAccessManager &network, QObject *parent = nullptr);
    ~WebhookChannel() override;

    const QString &url() const { return m_url; }
    void start();
    // Drops a request on its way: its event goes again at the next start (at least once, never lost).
    void stop();

signals:
    void delivered(const QString &url, qint64 id);
    void failed(const QString &url, qint64 id, const QString &error);

private:
    void pump();
    void send(const OutboxQueue::Event &event);
    void answered();
    void fail(qint64 id, const QString &error);
    void dropReply();

    QString m_url;
    WebhookSettings m_settings;
    QSqlDatabase m_db;
    QNetworkAccessManager &m_network;
    bool m_running = false;
    bool m_loaded = false; // the progress was read from the database
    qint64 m_delivered = 0;
    int m_failures = 0;
    QList<OutboxQueue::Event> m_queue; // the next events, read a batch at a time
    QNetworkReply *m_reply = nullptr;
    bool m_timedOut = false;
    QTimer m_wait;  // the next look for events, or the next try after a failure
    QTimer m_limit; // the time limit of the request on its way
};
