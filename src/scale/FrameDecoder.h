#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Indicator options that change how a frame reads.
struct DecoderOptions {
    bool micraorden = false; // the indicator sends its digits last-to-first, followed by two more characters
    bool bilanciai = false;  // the first digit is a status digit: 3 means negative
    bool disomatb = false;   // the weight is the field after "SOG#"
};

struct DecodedFrame {
    // Digits and minus signs as filtered, leading zeros kept; "0" when nothing was found; empty when ignored.
    QByteArray weightText;
    // The status-digit rule found nothing to work on: the frame counts as received but carries no weight.
    bool ignored = false;
    // The weight when weightText is a valid signed 32-bit integer.
    std::optional<qint32> weight;
};

// Decoding of one received frame (a serial line with its terminator, or a socket frame) into kilograms.
namespace FrameDecoder {

DecodedFrame decode(QByteArrayView frame, const DecoderOptions &options);

// Every "-" and digit in order; reversed: the last two characters dropped and the rest read from the end.
QByteArray filter(QByteArrayView frame, bool reversed);
// Up to six characters after "SOG#" and one more character, keeping "-" and digits; "0" when none.
QByteArray disomatField(QByteArrayView frame);
// Optional leading "-" and at least one digit, within the signed 32-bit range.
std::optional<qint32> toInt32(QByteArrayView text);

} // namespace FrameDecoder

// The weight as the display shows it: pattern "### ##0", a blank always before the last three digits, no
// thousands separator, at least one digit, more than six digits in front ("12 340", " 0", "- 150", "1234 567").
QString formatWeight(qint32 kilograms);
