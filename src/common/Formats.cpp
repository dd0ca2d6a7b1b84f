#include "Formats.h"

#include <charconv>
#include <cmath>

#include <QLocale>
#include <QRegularExpression>

namespace Formats {

QString date(const QDate &d)
{
    return d.toString(QLatin1String(kDateFormat));
}

QString dbDateTime(const QDateTime &dt)
{
    return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString dbDayStart(const QDate &day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00");
}

QString dbDayEnd(const QDate &day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 23:59:59");
}

QDateTime parseDbDateTime(const QString &text)
{
    return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString dateTime(const QDateTime &dt)
{
    return dt.toString(QLatin1String(kDateTimeFormat));
}

bool isStoredDateTime(QByteArrayView t)
{
    if (t.size() != 19 || t[4] != '-' || t[7] != '-' || t[10] != ' ' || t[13] != ':' || t[16] != ':')
        return false;
    const auto digits = [&t](int at, int count) {
        int value = 0;
        for (int i = at; i < at + count; ++i) {
            if (t[i] < '0' || t[i] > '9')
                return -1;
            value = value * 10 + (t[i] - '0');
        }
        return value;
    };
    return QDate::isValid(digits(0, 4), digits(5, 2), digits(8, 2))
        && QTime::isValid(digits(11, 2), digits(14, 2), digits(17, 2));
}

QDate parseDate(const QString &text)
{
    static const QRegularExpression re(QStringLiteral(R"(^\s*(\d{1,4})\.(\d{1,2})\.(\d{1,2})\.?\s*$)"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return {};
    int year = m.captured(1).toInt();
    if (m.captured(1).size() <= 2)
        year += year < 50 ? 2000 : 1900;
    return QDate(year, m.captured(2).toInt(), m.captured(3).toInt());
}

QString number(double value)
{
    QString text = QString::number(value, 'g', 15);
    if (text.contains(QLatin1Char('e')))
        text = QString::number(value, 'f', 6);
    if (text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    text.replace(QLatin1Char('.'), kDecimalSeparator);
    return text;
}

void appendNumber(QByteArray &out, double value)
{
    if (value == 0) {
        out.append('0');
        return;
    }
    // With at most 15 significant digits the shortest text is the digits of the scaled whole number.
    const double magnitude = std::fabs(value);
    if (magnitude >= 1e-4 && magnitude < 1e15) {
        static constexpr double kScales[] = {1, 10, 100, 1000, 10000};
        for (int decimals = 0; decimals < int(std::size(kScales)); ++decimals) {
            const double scaled = magnitude * kScales[decimals];
            if (scaled >= 1e15)
                break;
            if (std::nearbyint(scaled) != scaled)
                continue;
            char digits[24];
            char *end = std::to_chars(digits, digits + sizeof digits, static_cast<qint64>(scaled)).ptr;
            int count = int(end - digits);
            if (value < 0)
                out.append('-');
            if (decimals == 0) {
                out.append(digits, count);
                return;
            }
            while (decimals > 0 && digits[count - 1] == '0') {
                --count;
                --decimals;
            }
            const int whole = count - decimals;
            if (whole <= 0)
                out.append('0');
            else
                out.append(digits, whole);
            if (decimals > 0) {
                out.append(',');
                out.append(QByteArray(std::max(0, -whole), '0'));
                out.append(digits + std::max(0, whole), count - std::max(0, whole));
            }
            return;
        }
    }
    out.append(number(value).toUtf8());
}

double parseNumber(const QString &text, bool *ok)
{
    QString t = text.trimmed();
    t.replace(kDecimalSeparator, QLatin1Char('.'));
    static const QRegularExpression re(QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)"));
    if (!re.match(t).hasMatch()) {
        if (ok)
            *ok = false;
        return 0.0;
    }
    return t.toDouble(ok);
}

bool parseInteger(const QString &text, qint64 *value)
{
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = t.startsWith(QLatin1Char('-'));
        t.remove(0, 1);
    }
    int base = 10;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        t.remove(0, 2);
    } else if (t.startsWith(QLatin1Char('$'))) {
        base = 16;
        t.remove(0, 1);
    }
    if (t.isEmpty())
        return false;
    for (const QChar c : t) {
        if (base == 10 ? !c.isDigit() : !isxdigit(c.toLatin1()))
            return false;
    }
    bool ok = false;
    const qint64 v = t.toLongLong(&ok, base);
    if (!ok)
        return false;
    if (value)
        *value = negative ? -v : v;
    return true;
}

} // namespace Formats
