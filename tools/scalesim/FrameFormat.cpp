#include "FrameFormat.h"

#include "IndicatorCommands.h"

#include <cstdlib>

namespace {

QByteArray digits(qint64 value, int width)
{
    return QByteArray::number(std::llabs(value)).rightJustified(width, '0');
}

} // namespace

namespace FrameFormat {

std::optional<Format> parse(const QString &name)
{
    if (name == QLatin1String("plain"))
        return Format::Plain;
    if (name == QLatin1String("micra"))
        return Format::Micra;
    if (name == QLatin1String("bilanciai"))
        return Format::Bilanciai;
    if (name == QLatin1String("disomat"))
        return Format::Disomat;
    return std::nullopt;
}

QByteArray frame(Format format, qint32 kilograms)
{
    const qint64 kg = kilograms;
    switch (format) {
    case Format::Plain:
        return (kg < 0 ? "- " : "+ ") + digits(kg, 7) + " kg\r\n";
    case Format::Micra: {
        QByteArray text = (kg < 0 ? "-" : "") + digits(kg, 7);
        std::reverse(text.begin(), text.end());
        return text + "\r\n";
    }
    case Format::Bilanciai:
        return (kg < 0 ? "3" : "0") + digits(kg, 6) + "\r\n";
    case Format::Disomat: {
        const QByteArray field = kg < 0 ? "-" + digits(kg, 5) : digits(kg, 6);
        return IndicatorCommands::disomatFrame("01#PC#SOG# " + field);
    }
    }
    return {};
}

} // namespace FrameFormat
