#include "MonitorFormat.h"

namespace sorvik {

namespace {

constexpr const char *controlNames[32] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL",
                                          "BS",  "HT",  "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
                                          "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB",
                                          "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};

} // namespace

TDisplayMode displayModeFor(bool decimal, bool hexadecimal)
{
    if (decimal)
        return TDisplayMode::Decimal;
    return hexadecimal ? TDisplayMode::Hexadecimal : TDisplayMode::Ascii;
}

QString controlCodeName(int code)
{
    if (code < 0 || code > 31)
        return {};
    return QString::fromLatin1(controlNames[code]);
}

QString formatBurst(std::span<const std::int32_t> values, TDisplayMode mode)
{
    QString text;
    for (const std::int32_t value : values) {
        switch (mode) {
        case TDisplayMode::Decimal:
            text += QString::number(value) + u' ';
            break;
        case TDisplayMode::Hexadecimal:
            text += QString::number(std::uint32_t(value), 16).toUpper().rightJustified(2, u'0') + u' ';
            break;
        case TDisplayMode::Ascii: {
            const int code = value & 0xFF;
            if (code < 32)
                text += u'<' + controlCodeName(code) + u'>';
            else
                text += QChar(char16_t(code));   // the byte read as Latin-1
            break;
        }
        }
    }
    return text;
}

} // namespace sorvik
