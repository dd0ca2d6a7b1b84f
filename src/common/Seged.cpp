#include "Seged.h"

#include "Formats.h"

#include <QDateTime>
#include <QDir>
#include <QHostInfo>

#include <pwd.h>
#include <unistd.h>

namespace {

constexpr char kAlphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz+/";

int alphabetPosition(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'Z')
        return 10 + (u - 'A');
    if (u >= 'a' && u <= 'z')
        return 36 + (u - 'a');
    if (u == '+')
        return 62;
    if (u == '/')
        return 63;
    return -1;
}

} // namespace

QString kodol(const QByteArray &bytes)
{
    QString out;
    out.reserve((bytes.size() * 8 + 5) / 6);
    quint32 acc = 0;
    int bits = 0;
    for (const char c : bytes) {
        acc = (acc << 8) | static_cast<unsigned char>(c);
        bits += 8;
        while (bits >= 6) {
            bits -= 6;
            out.append(QLatin1Char(kAlphabet[acc >> bits]));
            acc &= (1u << bits) - 1;
        }
    }
    if (bits > 0)
        out.append(QLatin1Char(kAlphabet[acc << (6 - bits)]));
    return out;
}

QByteArray dekodol(const QString &text)
{
    QByteArray out;
    quint32 acc = 0;
    int bits = 0;
    for (const QChar c : text) {
        const int p = alphabetPosition(c);
        if (p < 0)
            break;
        acc = (acc << 6) | static_cast<quint32>(p);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.append(static_cast<char>((acc >> bits) & 0xFF));
            acc &= (1u << bits) - 1;
        }
    }
    return out;
}

QString ertekszoveg(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return Formats::number(value.toDouble());
    case QMetaType::QDate:
        return Formats::date(value.toDate());
    case QMetaType::QDateTime:
        return Formats::dateTime(value.toDateTime());
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return value.toString();
    }
}

QString gepnev()
{
    return QHostInfo::localHostName().left(255);
}

QString felhasznalonev()
{
    // The owner of the process, not $USER, which the caller's environment may set to anything.
    if (const passwd *pw = getpwuid(geteuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name).left(252);
    return qEnvironmentVariable("USER").left(252);
}

void fajllista(const QString &folder, const QString &mask, QStringList &list)
{
    const QDir dir(folder);
    // Unsorted: the order the file system returns; hidden and read-only plain files count too.
    const QStringList names =
        dir.entryList({mask}, QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    list.append(names);
}
