#include "Commands.h"

#include "ComError.h"
#include "Config.h"
#include "FrameDecoder.h"
#include "IndicatorProfile.h"
#include "Invocation.h"
#include "LiveLink.h"
#include "PortDetector.h"
#include "TerminatorNotation.h"
#include "WeightLink.h"

#include <QIODevice>

namespace {

void printFrame(const QByteArray &frame, const DecoderOptions &options, const std::optional<IndicatorProfile> &profile,
                QTextStream &out)
{
    if (profile) {
        const ProfileReading r = profile->read(frame, options);
        out << (r.weight ? QString::number(*r.weight) : QStringLiteral("-")) << ' '
            << (r.state ? weightStateName(*r.state) : QStringLiteral("-")) << '\n';
        return;
    }
    const DecodedFrame decoded = FrameDecoder::decode(frame, options);
    if (decoded.ignored || !decoded.weight)
        out << "ignored\n";
    else
        out << *decoded.weight << '\n';
}

} // namespace

// Cuts the input at the terminator and prints one line per frame, the decoded weight or "ignored". Bytes after
// the last terminator make one more frame.
int decodeCommand(Invocation &call)
{
    const CommandLine &args = call.args();
    DecoderOptions options;
    options.micraorden = args.has(QStringLiteral("--micraorden"));
    options.bilanciai = args.has(QStringLiteral("--bilanciai"));
    options.disomatb = args.has(QStringLiteral("--disomatb"));
    QString notation = args.value(QStringLiteral("--terminator"), QStringLiteral("#13#10"));
    // A named program folder with no switch given: decode as that station's scale link does.
    QString profileName = args.value(QStringLiteral("--profile"));
    const bool anySwitch = options.micraorden || options.bilanciai || options.disomatb
                           || args.has(QStringLiteral("--terminator")) || args.has(QStringLiteral("--profile"));
    if (call.homeGiven() && !anySwitch) {
        options = WeightLinkSettings::fromConfig(call.config()).decoder;
        notation = call.config().string(Keys::Terminator);
        if (call.config().ini().valueExists(QStringLiteral("ComPort1"), QStringLiteral("Profile")))
            profileName = call.config().string(Keys::Profile);
    }
    std::optional<IndicatorProfile> profile;
    if (!profileName.isNull()) {
        auto parsed = IndicatorProfile::parse(profileName);
        if (const auto *error = std::get_if<QString>(&parsed))
            throw BadArguments(*error);
        profile = std::get<IndicatorProfile>(parsed);
    }
    QByteArray terminator;
    try {
        terminator = TerminatorNotation::parse(notation);
    } catch (const EComError &e) {
        throw BadArguments(QString(e.message()).replace(u'\r', u'\n'));
    }
    if (!call.in().isReadable()) {
        call.err() << "kelvoctl decode: cannot read standard input\n";
        return kRefused;
    }

    const QByteArray input = call.in().readAll();
    qsizetype start = 0;
    for (;;) {
        const qsizetype at = input.indexOf(terminator, start);
        if (at < 0)
            break;
        const qsizetype end = at + terminator.size();
        printFrame(input.mid(start, end - start), options, profile, call.out());
        start = end;
    }
    if (start < input.size())
        printFrame(input.mid(start), options, profile, call.out());
    return kDone;
}

int portsCommand(Invocation &call)
{
    for (const QString &line : call.ports().listComPorts(call.args().has(QStringLiteral("--descriptions"))))
        call.out() << line << '\n';
    return kDone;
}

// The decoded weight and state of the program folder's scale link as each frame arrives, "WEIGHT STATE" ("-" for
// no weight), until SIGTERM, SIGINT or the end of --for.
int liveCommand(Invocation &call)
{
    const int ms = LiveLink::forOption(call);
    LiveLink live(call);
    WeightLink &link = live.link();
    QObject::connect(&link, &WeightLink::frameDecoded, &link, [&] {
        const std::optional<qint32> weight = link.liveWeight();
        call.out() << (weight ? QString::number(*weight) : QStringLiteral("-")) << ' '
                   << weightStateName(link.weightState()) << Qt::endl;
    });
    live.run(ms);
    return kDone;
}
