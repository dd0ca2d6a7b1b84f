#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

// The server side of HTTP digest authentication as cameras speak it (RFC 7616, MD5, qop "auth"): issues
// challenges with fresh nonces and checks the answers against the user and password.
class DigestChallenge
{
public:
    DigestChallenge(QByteArray realm, QString user, QString password);

    // A WWW-Authenticate value with a new nonce.
    QByteArray challenge();
    // Whether an Authorization header value answers one of our challenges for this method and request target.
    bool verify(const QByteArray &method, const QByteArray &target, const QByteArray &authorization) const;

    // The name=value and name="quoted value" pairs after the scheme; names in lower case.
    static QMap<QByteArray, QByteArray> parameters(const QByteArray &text);

private:
    static constexpr int kNoncesKept = 256;

    QByteArray m_realm;
    QByteArray m_user;
    QByteArray m_password;
    QByteArray m_opaque;
    QList<QByteArray> m_nonces; // the newest kNoncesKept
};
