#include "WebhookSettings.h"

#include "Config.h"

#include <QRegularExpression>

#include <algorithm>

WebhookSettings WebhookSettings::fromConfig(const Config &config)
{
    WebhookSettings s;
    s.urls = parseUrls(config.string(Keys::WebWebhook));
    // A zero or negative value would retry in a tight loop or never time out.
    if (const qint64 ms = config.integer(Keys::WebWebhookTimeout); ms > 0)
        s.timeoutMs = int(std::min<qint64>(ms, 24 * 3600 * 1000));
    if (const qint64 ms = config.integer(Keys::WebWebhookRetry); ms > 0)
        s.retryBaseMs = int(std::min<qint64>(ms, s.retryMaxMs));
    return s;
}

QStringList WebhookSettings::parseUrls(const QString &text)
{
    static const QRegularExpression separators(QStringLiteral("[\\s;]+"));
    QStringList urls;
    for (const QString &url : text.split(separators, Qt::SkipEmptyParts)) {
        if (!urls.contains(url))
            urls.append(url);
    }
    return urls;
}

int WebhookSettings::retryDelayMs(int failures) const
{
    qint64 ms = retryBaseMs;
    for (int i = 1; i < failures && ms < retryMaxMs; ++i)
        ms *= 2;
    return int(std::min<qint64>(ms, retryMaxMs));
}
