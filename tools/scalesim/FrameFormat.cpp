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
    if (name == QLatin1String("csv-status"))
        return Format::CsvStatus;
    if (name == QLatin1String("command-set"))
        return Format::CommandSet;
    if (name == QLatin1String("status-bytes"))
        return Format::StatusBytes;
    return std::nullopt;
}

QByteArray frame(Format format, qint32 kilograms, bool moving)
{
    const qint64 kg = kilograms;
    // The range of the status families: six digits either way.
    const bool over = kg > 999999;
    const bool under = kg < -99999;
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
    case Format::CsvStatus:
        if (over || under)
            return QByteArray("OL,GS,") + (under ? "-" : "+") + "999999kg\r\n";
        return (moving ? "US,GS," : "ST,GS,") + QByteArray(kg < 0 ? "-" : "+") + digits(kg, 7) + "kg\r\n";
    case Format::CommandSet:
        if (over || under)
            return under ? "S -\r\n" : "S +\r\n";
        return (moving ? "S D " : "S S ") + QByteArray::number(kg).rightJustified(10, ' ') + " kg\r\n";
    case Format::StatusBytes: {
        // A: no decimals; B: kg, sign, out of range, motion; C: unit as B says.
        const char b = char(0x30 | (kg < 0 ? 0x02 : 0) | (over || under ? 0x04 : 0) | (moving ? 0x08 : 0));
        return QByteArray("\x02\x22") + b + "\x20" + digits(over || under ? 0 : kg, 6) + "000000\r";
    }
    }
    return {};
}

} // namespace FrameFormat
