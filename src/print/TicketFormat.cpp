#include "TicketFormat.h"

#include "Formats.h"
#include "Transport.h"

#include <cmath>

namespace {

QString groupThousands(const QString &digits)
{
    QString out;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out.append(QLatin1Char(' '));
        out.append(digits.at(i));
    }
    return out;
}

} // namespace

namespace TicketFormat {

QString weight(qint64 value)
{
    // Through unsigned so that the smallest qint64 keeps its digits.
    const quint64 magnitude = value < 0 ? 0 - static_cast<quint64>(value) : static_cast<quint64>(value);
    const QString text = groupThousands(QString::number(magnitude));
    return value < 0 ? QLatin1Char('-') + text : text;
}

QString decimal(double value)
{
    if (!std::isfinite(value))
        return QString::number(value);
    QString text = QString::number(value, 'f', 2);
    bool negative = text.startsWith(QLatin1Char('-'));
    if (negative)
        text.remove(0, 1);
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    const QString whole = groupThousands(text.left(dot));
    const QString fraction = text.mid(dot + 1);
    // A value that rounds to zero prints without a sign, as "0,00".
    if (whole == QLatin1String("0") && fraction == QLatin1String("00"))
        negative = false;
    return (negative ? QStringLiteral("-") : QString()) + whole + Formats::kDecimalSeparator + fraction;
}

QString serial(qint64 sorszam, bool withYear, const QDate &printDate)
{
    QString digits = QStringLiteral("%1").arg(sorszam < 0 ? -sorszam : sorszam, 5, 10, QLatin1Char('0'));
    if (sorszam < 0)
        digits.prepend(QLatin1Char('-'));
    if (!withYear)
        return digits;
    return QStringLiteral("%1/").arg(printDate.year(), 4, 10, QLatin1Char('0')) + digits;
}

QString dateTime(const QDateTime &value)
{
    if (!value.isValid())
        return {};
    return value.toString(QStringLiteral("yyyy.MM.dd HH:mm"));
}

QString htmlEscape(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        case '\'': out += QLatin1String("&#39;"); break;
        default: out += c;
        }
    }
    return out;
}

QList<std::pair<QString, QString>> marks(const Transport &t)
{
    // The gross is the larger weighing, as %brutto% shows it; on a tie the first weighing.
    const bool firstIsGross = t.suly1 >= t.suly2;
    return {
        {QStringLiteral("%jel1%"), t.jel1},
        {QStringLiteral("%jel2%"), t.jel2},
        {QStringLiteral("%bruttojel%"), firstIsGross ? t.jel1 : t.jel2},
        {QStringLiteral("%tarajel%"), firstIsGross ? t.jel2 : t.jel1},
        {QStringLiteral("%masolat%"), t.nyomtatva > 1 ? QStringLiteral("MÁSOLAT") : QString()},
    };
}

} // namespace TicketFormat
