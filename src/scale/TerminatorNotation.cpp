#include "TerminatorNotation.h"

#include "ComError.h"

#include <optional>

namespace {

// Decimal with an optional sign, as the old settings files hold it; anything else, the empty text included, is not
// a number.
std::optional<qint64> decimalValue(const QString &part)
{
    int i = 0;
    bool negative = false;
    if (i < part.size() && (part[i] == u'+' || part[i] == u'-')) {
        negative = part[i] == u'-';
        ++i;
    }
    if (i == part.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < part.size(); ++i) {
        const QChar c = part[i];
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > 0x7fffffffLL + 1)
            return std::nullopt;
    }
    if (!negative && value > 0x7fffffffLL)
        return std::nullopt;
    return negative ? -value : value;
}

} // namespace

namespace TerminatorNotation {

QString illegalTerminatorMessage()
{
    return QStringLiteral("Illegal terminator string.\rformat : #<asciicode>#<asciicode>#<...>\rexample: #13#10");
}

QByteArray parse(const QString &notation)
{
    QByteArray bytes;
    QString rest = notation.mid(1);
    while (!rest.isEmpty()) {
        const qsizetype hash = rest.indexOf(u'#');
        const QString part = hash < 0 ? rest : rest.left(hash);
        rest = hash < 0 ? QString() : rest.mid(hash + 1);
        const std::optional<qint64> value = decimalValue(part);
        if (!value)
            throw EComError(illegalTerminatorMessage());
        bytes.append(static_cast<char>(static_cast<quint8>(*value & 0xff)));
    }
    return bytes.isEmpty() ? kDefault : bytes;
}

QString format(const QByteArray &terminator)
{
    QString text;
    for (const char byte : terminator)
        text += u'#' + QString::number(static_cast<quint8>(byte));
    return text;
}

} // namespace TerminatorNotation
