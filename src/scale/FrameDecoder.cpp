#include "FrameDecoder.h"

#include <limits>

namespace {

bool isWeightChar(char c)
{
    return c == '-' || (c >= '0' && c <= '9');
}

} // namespace

namespace FrameDecoder {

QByteArray filter(QByteArrayView frame, bool reversed)
{
    QByteArray out;
    out.reserve(frame.size());
    if (reversed) {
        for (qsizetype i = frame.size() - 3; i >= 0; --i) {
            if (isWeightChar(frame[i]))
                out.append(frame[i]);
        }
    } else {
        for (const char c : frame) {
            if (isWeightChar(c))
                out.append(c);
        }
    }
    return out;
}

QByteArray disomatField(QByteArrayView frame)
{
    static constexpr QByteArrayView kMarker("SOG#");
    const qsizetype at = frame.indexOf(kMarker);
    if (at < 0)
        return QByteArrayLiteral("0");
    const qsizetype start = at + kMarker.size() + 1;
    QByteArray out;
    if (start < frame.size())
        out = filter(frame.sliced(start, std::min<qsizetype>(6, frame.size() - start)), false);
    return out.isEmpty() ? QByteArrayLiteral("0") : out;
}

std::optional<qint32> toInt32(QByteArrayView text)
{
    qsizetype i = 0;
    const bool negative = !text.isEmpty() && text[0] == '-';
    if (negative)
        ++i;
    if (i == text.size())
        return std::nullopt;
    // Accumulate towards the negative side so that the lowest value still fits.
    const qint64 limit = negative ? -qint64(std::numeric_limits<qint32>::min()) : std::numeric_limits<qint32>::max();
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<qint32>(negative ? -value : value);
}

DecodedFrame decode(QByteArrayView frame, const DecoderOptions &options)
{
    DecodedFrame result;
    QByteArray text = filter(frame, options.micraorden);
    if (options.bilanciai) {
        if (text.isEmpty()) {
            result.ignored = true;
            return result;
        }
        text[0] = text[0] == '3' ? '-' : '0';
    }
    if (options.disomatb)
        text = disomatField(frame);
    if (text.isEmpty())
        text = QByteArrayLiteral("0");
    result.weight = toInt32(text);
    result.weightText = std::move(text);
    return result;
}

} // namespace FrameDecoder

QString formatWeight(qint32 kilograms)
{
    const qint64 value = kilograms;
    const QString digits = QString::number(value < 0 ? -value : value);
    const qsizetype split = std::max<qsizetype>(0, digits.size() - 3);
    QString text = value < 0 ? QStringLiteral("-") : QString();
    text += digits.left(split);
    text += u' ';
    text += digits.mid(split);
    return text;
}
