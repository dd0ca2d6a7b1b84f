#include "Secrets.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QStringList>

namespace Secrets {

namespace {

constexpr char kScheme[] = "pbkdf2-sha256";
constexpr int kSaltBytes = 16;
constexpr int kHashBytes = 32;
// An absurd count in a stored hash would make every login hang.
constexpr int kMaxIterations = 10000000;

QByteArray randomBytes(int count)
{
    QByteArray bytes(count, Qt::Uninitialized);
    QRandomGenerator::system()->generate(reinterpret_cast<quint32 *>(bytes.data()),
                                         reinterpret_cast<quint32 *>(bytes.data()) + count / 4);
    return bytes;
}

QByteArray derive(const QString &password, const QByteArray &salt, int iterations)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), salt, iterations,
                                              kHashBytes);
}

} // namespace

QString hashPassword(const QString &password, int iterations)
{
    const QByteArray salt = randomBytes(kSaltBytes);
    return QStringLiteral("%1$%2$%3$%4")
        .arg(QLatin1String(kScheme))
        .arg(iterations)
        .arg(QString::fromLatin1(salt.toBase64()), QString::fromLatin1(derive(password, salt, iterations).toBase64()));
}

bool verifyPassword(const QString &password, const QString &stored)
{
    const QStringList parts = stored.split(QLatin1Char('$'));
    if (parts.size() != 4 || parts.at(0) != QLatin1String(kScheme))
        return false;
    bool ok = false;
    const int iterations = parts.at(1).toInt(&ok);
    if (!ok || iterations < 1 || iterations > kMaxIterations)
        return false;
    const QByteArray salt = QByteArray::fromBase64(parts.at(2).toLatin1());
    const QByteArray hash = QByteArray::fromBase64(parts.at(3).toLatin1());
    if (salt.isEmpty() || hash.size() != kHashBytes)
        return false;
    return constantTimeEquals(derive(password, salt, iterations), hash);
}

QString newToken()
{
    return QString::fromLatin1(
        randomBytes(32).toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString tokenHash(const QString &token)
{
    return QString::fromLatin1(QCryptographicHash::hash(token.toUtf8(), QCryptographicHash::Sha256).toHex());
}

bool constantTimeEquals(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a.at(i) ^ b.at(i));
    return diff == 0;
}

} // namespace Secrets
