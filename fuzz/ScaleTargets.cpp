#include "FuzzTarget.h"

#include "ComError.h"
#include "FrameDecoder.h"
#include "IndicatorProfile.h"
#include "TerminatorNotation.h"

#include <cstdlib>
#include <limits>
#include <variant>

namespace {

// Frames of every indicator family, as the scale tests and the simulator send them.
const QList<QByteArray> kFrames = {
    "+ 0 0 1 2 3 4 0 k g\r\n",
    "- 0000150 kg\r\n",
    "04321\r\n",
    "0510000-\r\n",
    "3001234\r\n",
    "\x02" "01#PC#SOG# 001234\x03" "J",
    "SOG#G-00150kg",
    "ST,GS,+00123.0kg\r\n",
    "US,NT,-00012.5kg\r\n",
    "ST,GS,+  12.345 t",
    "OL,GS,-      kg",
    "S S     100.00 kg\r\n",
    "S D      99.60 kg",
    "SI S  5000 kg",
    "S +",
    QByteArray("\x02\x22\x30\x20" "012340000000\r"),
    QByteArray("\x02\x23\x30\x20" "001235000000\r"),
    QByteArray("\x02\x25\x30\x22" "012345000000\r"),
    QByteArray("\x02\x22\x3a\x20" "000150000000\r"),
    "ST  +1234.4 kg",
    "W=0420",
    "2147483647\r\n",
    "-2147483648\r\n",
};

// Patterns as a site writes them; the matching runs on these, a fuzzed pattern is only parsed.
const QStringList kPatterns = {
    QStringLiteral("regex:(?<status>\\w+)\\s+(?<weight>[-+]?[\\d.]+)\\s*(?<unit>\\w*)"),
    QStringLiteral("regex:W=(?<weight>\\d+)"),
    QStringLiteral("regex:^(?<status>ST|US|OL),..,(?<weight>[-+ \\d.,]+)(?<unit>kg|g|t)$"),
};

const QList<IndicatorProfile> &profiles()
{
    static const QList<IndicatorProfile> list = [] {
        QList<IndicatorProfile> l;
        for (const QString &name : QStringList{QStringLiteral("digits"), QStringLiteral("csv-status"),
                                               QStringLiteral("command-set"), QStringLiteral("status-bytes")} +
                                       kPatterns)
            l.append(std::get<IndicatorProfile>(IndicatorProfile::parse(name)));
        return l;
    }();
    return list;
}

int digitCount(QByteArrayView frame)
{
    int n = 0;
    for (const char c : frame)
        n += c >= '0' && c <= '9';
    return n;
}

// Whether |weight| stays below 10^digits.
bool within(qint64 weight, int digits)
{
    qint64 bound = 1;
    for (int i = 0; i < digits; ++i) {
        if (bound > std::numeric_limits<qint32>::max())
            return true;
        bound *= 10;
    }
    return std::llabs(weight) < bound;
}

// Terminators to cut the stream with; the first byte of the input picks one, 0 reads the input as one frame.
const QList<QByteArray> kTerminators = {"\r\n", "\r", "\n", "\x03", "\x03J", "#", "\r\n\r\n", QByteArray(1, '\0')};

void decodeFrame(QByteArrayView frame, quint8 choice)
{
    const DecoderOptions options{(choice & 1) != 0, (choice & 2) != 0, (choice & 4) != 0};
    const int kind = (choice >> 3) % profiles().size();
    const IndicatorProfile &profile = profiles().at(kind);
    const ProfileReading reading = profile.read(frame, options);
    const int digits = digitCount(frame);

    if (profile.kind() == IndicatorProfile::Kind::Digits) {
        const DecodedFrame decoded = FrameDecoder::decode(frame, options);
        // The weight holds only digits of the frame; the Disomat field at most six of them.
        if (decoded.weight && !within(*decoded.weight, options.disomatb ? std::min(digits, 6) : digits))
            propertyFailed(QStringLiteral("weight %1 from a frame of %2 digits").arg(*decoded.weight).arg(digits));
        if (!decoded.ignored && decoded.weightText.isEmpty())
            propertyFailed(QStringLiteral("a frame read as no text at all"));
        return;
    }
    if (reading.weight) {
        // A unit of tonnes adds three digits, the status bytes' dummy zeros two more.
        const int extra = profile.kind() == IndicatorProfile::Kind::StatusBytes ? 5 : 3;
        if (!within(*reading.weight, digits + extra))
            propertyFailed(QStringLiteral("weight %1 from a frame of %2 digits").arg(*reading.weight).arg(digits));
        if (reading.state == WeightState::Overload || reading.state == WeightState::Underload)
            propertyFailed(QStringLiteral("a weight beside an over- or underload"));
    }
    // A pattern without a status group reports none; every other status family always does.
    if (profile.kind() != IndicatorProfile::Kind::Regex && profile.carriesStatus() && !reading.state)
        propertyFailed(QStringLiteral("a status profile gave no state"));
}

void runDecoder(const QByteArray &input, const QString &)
{
    if (input.size() < 2) {
        decodeFrame(input, 0);
        return;
    }
    const quint8 choice = quint8(input[0]);
    const quint8 cut = quint8(input[1]);
    const QByteArrayView stream = QByteArrayView(input).sliced(2);
    if (cut % 16 == 15) {
        // A pattern a site might type: it must be taken or refused, never crash. Only the parse, no matching: a
        // pattern's own run time is the site's choice.
        const qsizetype end = std::min<qsizetype>(stream.size(), 64);
        (void)IndicatorProfile::parse(QStringLiteral("regex:") + QString::fromLatin1(stream.first(end)));
        return;
    }
    if (cut % 16 >= kTerminators.size()) {
        decodeFrame(stream, choice);
        return;
    }
    // The stream cut into frames at the terminator as the port does it, the terminator kept with its frame.
    const QByteArray &terminator = kTerminators.at(cut % 16);
    qsizetype start = 0;
    for (;;) {
        const qsizetype at = stream.sliced(start).indexOf(terminator);
        if (at < 0)
            break;
        const qsizetype end = start + at + terminator.size();
        decodeFrame(stream.sliced(start, end - start), choice);
        start = end;
    }
}

void runNotation(const QByteArray &input, const QString &)
{
    const QString notation = input.startsWith('\xff') ? QString::fromLatin1(input.mid(1)) : QString::fromUtf8(input);
    QByteArray bytes;
    try {
        bytes = TerminatorNotation::parse(notation);
    } catch (const EComError &) {
        return;
    }
    if (bytes.isEmpty())
        propertyFailed(QStringLiteral("an empty terminator"));
    QByteArray again;
    try {
        again = TerminatorNotation::parse(TerminatorNotation::format(bytes));
    } catch (const EComError &) {
        propertyFailed(QStringLiteral("the written form of a terminator is refused"));
    }
    if (again != bytes)
        propertyFailed(QStringLiteral("a terminator changed on its way through the written form"));
}

} // namespace

QList<FuzzTarget> scaleTargets()
{
    QList<FuzzTarget> targets;

    FuzzTarget decoder;
    decoder.name = QStringLiteral("decoder");
    // Seeds: every frame under every profile and option, as one frame and cut at its terminator.
    for (const QByteArray &frame : kFrames) {
        for (int kind = 0; kind < 7; ++kind) {
            for (int options = 0; options < (kind == 0 ? 8 : 1); ++options) {
                decoder.seeds.append(QByteArray(1, char(kind << 3 | options)) + char(15 - 1) + frame);
                decoder.seeds.append(QByteArray(1, char(kind << 3 | options)) + char(0) + frame + frame + frame);
            }
        }
    }
    decoder.seeds.append(QByteArray("\0\x0f", 2) + "(?<weight>\\d+)(?<unit>kg)?");
    decoder.dictionary = {"SOG#", "ST", "US", "OL", "GS", "NT", "S S ", "S D ", "SI", "kg", "g", "t", "lb", "\x02",
                          "\r\n", "2147483648", "-2147483649", "999999999999999", "(?<weight>", "(?<status>", "(?<unit>",
                          "\\d+", "(", ")", "*", "+"};
    decoder.maxSize = 2048;
    decoder.run = runDecoder;
    targets.append(decoder);

    FuzzTarget notation;
    notation.name = QStringLiteral("notation");
    notation.seeds = {"#13#10", "#13", "#3", "13#10", "", "#", "#-1", "#256#-256", "#2147483647", "#+10", "x#65#66#67"};
    notation.dictionary = {"#", "13", "10", "-", "+", "2147483648", "4294967296", "00000000000000000000000013"};
    notation.maxSize = 256;
    notation.run = runNotation;
    targets.append(notation);
    return targets;
}
