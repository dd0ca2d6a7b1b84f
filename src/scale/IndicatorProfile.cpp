#include "IndicatorProfile.h"

#include <QList>

#include <cmath>
#include <limits>

namespace {

constexpr char kRegexPrefix[] = "regex:";

QByteArrayView trimmed(QByteArrayView text)
{
    return text.trimmed();
}

bool equalsNoCase(QByteArrayView a, const char *b)
{
    return a.compare(QByteArrayView(b), Qt::CaseInsensitive) == 0;
}

// The number and the unit letters after it, e.g. "+00123.0kg" or "-  12.5 t".
ProfileReading numberWithUnit(QByteArrayView text, WeightState state)
{
    text = trimmed(text);
    qsizetype end = text.size();
    while (end > 0 && std::isalpha(static_cast<unsigned char>(text[end - 1])))
        --end;
    return {IndicatorProfile::kilograms(text.first(end), trimmed(text.sliced(end))), state};
}

// "ST,GS,+00123.0kg": stability (ST, US, OL), gross or net, the weight with its unit.
ProfileReading readCsvStatus(QByteArrayView frame)
{
    const QList<QByteArray> fields = trimmed(frame).toByteArray().split(',');
    if (fields.size() < 3)
        return {std::nullopt, WeightState::Error};
    const QByteArrayView status = trimmed(fields.at(0));
    const QByteArrayView kind = trimmed(fields.at(1));
    if (!equalsNoCase(kind, "GS") && !equalsNoCase(kind, "NT") && !equalsNoCase(kind, "TR"))
        return {std::nullopt, WeightState::Error};
    const QByteArrayView weight = trimmed(fields.at(2));
    if (equalsNoCase(status, "OL"))
        return {std::nullopt, weight.startsWith('-') ? WeightState::Underload : WeightState::Overload};
    WeightState state;
    if (equalsNoCase(status, "ST"))
        state = WeightState::Stable;
    else if (equalsNoCase(status, "US"))
        state = WeightState::Motion;
    else
        return {std::nullopt, WeightState::Error};
    ProfileReading reading = numberWithUnit(weight, state);
    if (!reading.weight)
        reading.state = WeightState::Error;
    return reading;
}

// The standard serial command set: "S S     100.00 kg" at rest, "S D …" moving, "S +" / "S -" over- and
// underload; "SI" answers alike. Anything else ("S I", "ES", "EL") is an error reply.
ProfileReading readCommandSet(QByteArrayView frame)
{
    const QList<QByteArray> words = trimmed(frame).toByteArray().simplified().split(' ');
    if (words.size() >= 2 && (words.at(0) == "S" || words.at(0) == "SI")) {
        const QByteArray &status = words.at(1);
        if (status == "+")
            return {std::nullopt, WeightState::Overload};
        if (status == "-")
            return {std::nullopt, WeightState::Underload};
        if ((status == "S" || status == "D") && words.size() >= 3) {
            const QByteArray unit = words.size() >= 4 ? words.at(3) : QByteArray("kg");
            const auto weight = IndicatorProfile::kilograms(words.at(2), unit);
            if (weight)
                return {weight, status == "S" ? WeightState::Stable : WeightState::Motion};
        }
    }
    return {std::nullopt, WeightState::Error};
}

// Continuous status-byte output: STX, three status bytes, six weight digits, six tare digits. Status A holds
// the decimal point position; status B net, sign, out of range, motion and kg (else lb); status C a unit that
// overrides B's.
ProfileReading readStatusBytes(QByteArrayView frame)
{
    const qsizetype stx = frame.indexOf('\x02');
    if (stx < 0 || frame.size() - stx < 1 + 3 + 6)
        return {std::nullopt, WeightState::Error};
    const QByteArrayView body = frame.sliced(stx + 1);
    const auto a = static_cast<unsigned char>(body[0]);
    const auto b = static_cast<unsigned char>(body[1]);
    const auto c = static_cast<unsigned char>(body[2]);
    const QByteArrayView digits = body.sliced(3, 6);
    for (const char d : digits) {
        if (d < '0' || d > '9')
            return {std::nullopt, WeightState::Error};
    }
    const bool negative = b & 0x02;
    if (b & 0x04)
        return {std::nullopt, negative ? WeightState::Underload : WeightState::Overload};
    const WeightState state = (b & 0x08) ? WeightState::Motion : WeightState::Stable;

    // Position code 0 means two dummy zeros after the digits, 1 one, 2 none, 3..7 that many minus two decimals.
    const int position = a & 0x07;
    QByteArray number = negative ? QByteArray("-") : QByteArray();
    if (position <= 2) {
        number += digits.toByteArray() + QByteArray(2 - position, '0');
    } else {
        const int decimals = position - 2;
        number += digits.first(6 - decimals).toByteArray() + '.' + digits.last(decimals).toByteArray();
    }
    QByteArrayView unit;
    switch (c & 0x07) {
    case 0:
        unit = (b & 0x10) ? "kg" : "lb";
        break;
    case 1:
        unit = "g";
        break;
    case 2:
        unit = "t";
        break;
    default:
        unit = "?";
    }
    const auto weight = IndicatorProfile::kilograms(number, unit);
    return weight ? ProfileReading{weight, state} : ProfileReading{std::nullopt, WeightState::Error};
}

std::optional<WeightState> statusWord(QByteArrayView word)
{
    const QByteArrayView w = trimmed(word);
    for (const char *s : {"ST", "S", "STABLE"}) {
        if (equalsNoCase(w, s))
            return WeightState::Stable;
    }
    for (const char *s : {"US", "D", "M", "MOTION"}) {
        if (equalsNoCase(w, s))
            return WeightState::Motion;
    }
    for (const char *s : {"OL", "+", "OVERLOAD"}) {
        if (equalsNoCase(w, s))
            return WeightState::Overload;
    }
    for (const char *s : {"UL", "-", "UNDERLOAD"}) {
        if (equalsNoCase(w, s))
            return WeightState::Underload;
    }
    return WeightState::Error;
}

ProfileReading readRegex(const QRegularExpression &pattern, QByteArrayView frame)
{
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(frame));
    if (!match.hasMatch())
        return {std::nullopt, WeightState::Error};
    std::optional<WeightState> state;
    if (match.capturedStart(QStringLiteral("status")) >= 0)
        state = statusWord(match.captured(QStringLiteral("status")).toLatin1());
    if (state == WeightState::Overload || state == WeightState::Underload)
        return {std::nullopt, state};
    const auto weight = IndicatorProfile::kilograms(match.captured(QStringLiteral("weight")).toLatin1(),
                                                    match.captured(QStringLiteral("unit")).toLatin1());
    if (!weight)
        return {std::nullopt, WeightState::Error};
    return {weight, state};
}

} // namespace

QString weightStateName(WeightState state)
{
    switch (state) {
    case WeightState::Stable:
        return QStringLiteral("stable");
    case WeightState::Motion:
        return QStringLiteral("motion");
    case WeightState::Overload:
        return QStringLiteral("overload");
    case WeightState::Underload:
        return QStringLiteral("underload");
    case WeightState::Error:
        break;
    }
    return QStringLiteral("error");
}

std::variant<IndicatorProfile, QString> IndicatorProfile::parse(const QString &name)
{
    IndicatorProfile profile;
    const QString n = name.trimmed();
    if (n.isEmpty() || n == QLatin1String("digits")) {
        profile.m_kind = Kind::Digits;
    } else if (n == QLatin1String("csv-status")) {
        profile.m_kind = Kind::CsvStatus;
    } else if (n == QLatin1String("command-set")) {
        profile.m_kind = Kind::CommandSet;
    } else if (n == QLatin1String("status-bytes")) {
        profile.m_kind = Kind::StatusBytes;
    } else if (n.startsWith(QLatin1String(kRegexPrefix))) {
        profile.m_kind = Kind::Regex;
        profile.m_pattern = QRegularExpression(n.mid(int(sizeof kRegexPrefix) - 1));
        if (!profile.m_pattern.isValid())
            return QStringLiteral("Hibás reguláris kifejezés: %1").arg(profile.m_pattern.errorString());
        if (!profile.m_pattern.namedCaptureGroups().contains(QStringLiteral("weight")))
            return QStringLiteral("A reguláris kifejezésből hiányzik a (?<weight>…) csoport.");
    } else {
        return QStringLiteral("Ismeretlen kijelzőprofil: %1 (digits, csv-status, command-set, status-bytes, "
                              "regex:MINTA)")
            .arg(n);
    }
    return profile;
}

QString IndicatorProfile::name() const
{
    switch (m_kind) {
    case Kind::Digits:
        return QStringLiteral("digits");
    case Kind::CsvStatus:
        return QStringLiteral("csv-status");
    case Kind::CommandSet:
        return QStringLiteral("command-set");
    case Kind::StatusBytes:
        return QStringLiteral("status-bytes");
    case Kind::Regex:
        break;
    }
    return QLatin1String(kRegexPrefix) + m_pattern.pattern();
}

ProfileReading IndicatorProfile::read(QByteArrayView frame, const DecoderOptions &options) const
{
    switch (m_kind) {
    case Kind::Digits: {
        const DecodedFrame decoded = FrameDecoder::decode(frame, options);
        return {decoded.ignored ? std::nullopt : decoded.weight, std::nullopt};
    }
    case Kind::CsvStatus:
        return readCsvStatus(frame);
    case Kind::CommandSet:
        return readCommandSet(frame);
    case Kind::StatusBytes:
        return readStatusBytes(frame);
    case Kind::Regex:
        break;
    }
    return readRegex(m_pattern, frame);
}

std::optional<qint32> IndicatorProfile::kilograms(QByteArrayView number, QByteArrayView unit)
{
    int exponent; // powers of ten from the unit to kg
    const QByteArrayView u = trimmed(unit);
    if (u.isEmpty() || equalsNoCase(u, "kg"))
        exponent = 0;
    else if (equalsNoCase(u, "g"))
        exponent = -3;
    else if (equalsNoCase(u, "t"))
        exponent = 3;
    else
        return std::nullopt;

    QByteArrayView n = trimmed(number);
    bool negative = false;
    if (!n.isEmpty() && (n[0] == '+' || n[0] == '-')) {
        negative = n[0] == '-';
        n = trimmed(n.sliced(1));
    }
    // Digits with at most one decimal mark, as a whole mantissa and its count of decimals.
    qint64 mantissa = 0;
    int decimals = 0;
    bool mark = false;
    int digits = 0;
    for (const char c : n) {
        if (c == '.' || c == ',') {
            if (mark)
                return std::nullopt;
            mark = true;
        } else if (c >= '0' && c <= '9') {
            if (++digits > 15)
                return std::nullopt;
            mantissa = mantissa * 10 + (c - '0');
            decimals += mark ? 1 : 0;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    int shift = exponent - decimals;
    for (; shift > 0; --shift) {
        mantissa *= 10;
        if (mantissa > std::numeric_limits<qint32>::max())
            return std::nullopt;
    }
    if (shift < 0) {
        qint64 divisor = 1;
        for (; shift < 0; ++shift)
            divisor *= 10;
        mantissa = (mantissa + divisor / 2) / divisor; // half away from zero, the sign comes after
    }
    if (mantissa > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(negative ? -mantissa : mantissa);
}
