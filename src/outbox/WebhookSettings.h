#pragma once

#include <QString>
#include <QStringList>

class Config;

// Where and how the outbox is delivered: [Web] webhook, webhooktimeout, webhookretry of Kelvo.ini.
struct WebhookSettings {
    QStringList urls;
    int timeoutMs = 10000;      // no whole answer within this is a failure
    int retryBaseMs = 1000;     // the wait after the first failure; it doubles with each further one
    int retryMaxMs = 5 * 60 * 1000;
    int pollMs = 2000;          // how often an idle URL looks for new events
    int batch = 20;             // events read from the database at a time

    static WebhookSettings fromConfig(const Config &config);
    // The URLs of a [Web] webhook value: separated by spaces or ";", each once, in the order given.
    static QStringList parseUrls(const QString &text);
    // The wait before the next try after failures failures in a row (1 or more).
    int retryDelayMs(int failures) const;
};
