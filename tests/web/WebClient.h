#pragma once

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

// One HTTP exchange with the office service on the loopback, redirects not followed, TLS errors of the test's own
// certificate ignored.
struct Answer {
    int status = 0;
    QByteArray body;
    QList<QNetworkReply::RawHeaderPair> headers;
    QByteArray header(const QByteArray &name) const
    {
        for (const auto &[n, v] : headers)
            if (n.compare(name, Qt::CaseInsensitive) == 0)
                return v;
        return {};
    }
    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};

inline Answer request(const QByteArray &method, const QUrl &url,
                      const QList<std::pair<QByteArray, QByteArray>> &headers = {}, const QByteArray &body = {})
{
    QNetworkAccessManager manager;
    QNetworkRequest r(url);
    r.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    for (const auto &[n, v] : headers)
        r.setRawHeader(n, v);
    if (!body.isEmpty())
        r.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
    QNetworkReply *reply = manager.sendCustomRequest(r, method, body);
    QObject::connect(reply, &QNetworkReply::sslErrors, reply, [reply] { reply->ignoreSslErrors(); });
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    Answer a{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
             reply->rawHeaderPairs()};
    delete reply;
    return a;
}
