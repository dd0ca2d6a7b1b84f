#include "DigestChallenge.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace {

QByteArray md5Hex(const QByteArray &text)
{
    return QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex();
}

QByteArray randomHex(int bytes)
{
    QByteArray raw(bytes, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(raw.data()), bytes / 4);
    return raw.toHex();
}

} // namespace

DigestChallenge::DigestChallenge(QByteArray realm, QString user, QString password)
    : m_realm(std::move(realm))
    , m_user(user.toUtf8())
    , m_password(password.toUtf8())
    , m_opaque(randomHex(16))
{
}

QByteArray DigestChallenge::challenge()
{
    const QByteArray nonce = randomHex(16);
    m_nonces.append(nonce);
    if (m_nonces.size() > kNoncesKept)
        m_nonces.removeFirst();
    return "Digest realm=\"" + m_realm + "\", qop=\"auth\", algorithm=MD5, nonce=\"" + nonce + "\", opaque=\""
           + m_opaque + '"';
}

bool DigestChallenge::verify(const QByteArray &method, const QByteArray &target,
                             const QByteArray &authorization) const
{
    const QByteArray trimmed = authorization.trimmed();
    if (!trimmed.toLower().startsWith("digest "))
        return false;
    const QMap<QByteArray, QByteArray> p = parameters(trimmed.mid(7));
    const QByteArray algorithm = p.value("algorithm", "MD5");
    if (p.value("username") != m_user || p.value("realm") != m_realm || p.value("uri") != target
        || !m_nonces.contains(p.value("nonce")) || algorithm.toUpper() != "MD5"
        || (p.contains("opaque") && p.value("opaque") != m_opaque))
        return false;
    const QByteArray ha1 = md5Hex(m_user + ':' + m_realm + ':' + m_password);
    const QByteArray ha2 = md5Hex(method + ':' + p.value("uri"));
    QByteArray expected;
    if (p.contains("qop")) {
        if (p.value("qop") != "auth")
            return false;
        expected = md5Hex(ha1 + ':' + p.value("nonce") + ':' + p.value("nc") + ':' + p.value("cnonce") + ":auth:"
                          + ha2);
    } else {
        expected = md5Hex(ha1 + ':' + p.value("nonce") + ':' + ha2);
    }
    return p.value("response").toLower() == expected;
}

QMap<QByteArray, QByteArray> DigestChallenge::parameters(const QByteArray &text)
{
    QMap<QByteArray, QByteArray> result;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        while (i < n && (text.at(i) == ' ' || text.at(i) == ',' || text.at(i) == '\t'))
            ++i;
        const qsizetype equals = text.indexOf('=', i);
        if (equals < 0)
            break;
        const QByteArray name = text.mid(i, equals - i).trimmed().toLower();
        i = equals + 1;
        QByteArray value;
        if (i < n && text.at(i) == '"') {
            for (++i; i < n && text.at(i) != '"'; ++i) {
                if (text.at(i) == '\\' && i + 1 < n)
                    ++i;
                value += text.at(i);
            }
            ++i; // the closing quote
        } else {
            const qsizetype comma = text.indexOf(',', i);
            const qsizetype end = comma < 0 ? n : comma;
            value = text.mid(i, end - i).trimmed();
            i = end;
        }
        result.insert(name, value);
    }
    return result;
}
