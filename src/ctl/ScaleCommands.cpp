#include "Commands.h"

#include "ComError.h"
#include "FrameDecoder.h"
#include "Invocation.h"
#include "PortDetector.h"
#include "TerminatorNotation.h"

#include <QIODevice>

namespace {

void printFrame(const QByteArray &frame, const DecoderOptions &options, QTextStream &out)
{
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
    DecoderOptions options;
    options.micraorden = call.args().has(QStringLiteral("--micraorden"));
    options.bilanciai = call.args().has(QStringLiteral("--bilanciai"));
    options.disomatb = call.args().has(QStringLiteral("--disomatb"));
    QByteArray terminator;
    try {
        terminator = TerminatorNotation::parse(call.args().value(QStringLiteral("--terminator"), QStringLiteral("#13#10")));
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
        printFrame(input.mid(start, end - start), options, call.out());
        start = end;
    }
    if (start < input.size())
        printFrame(input.mid(start), options, call.out());
    return kDone;
}

int portsCommand(Invocation &call)
{
    for (const QString &line : call.ports().listComPorts(call.args().has(QStringLiteral("--descriptions"))))
        call.out() << line << '\n';
    return kDone;
}
