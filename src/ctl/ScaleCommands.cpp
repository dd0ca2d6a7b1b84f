#include "ScaleCommands.h"

#include "ComError.h"
#include "FrameDecoder.h"
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

int runDecodeCommand(const QStringList &args, QIODevice &in, QTextStream &out, QTextStream &err)
{
    DecoderOptions options;
    QString notation = QStringLiteral("#13#10");
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QLatin1String("--micraorden")) {
            options.micraorden = true;
        } else if (arg == QLatin1String("--bilanciai")) {
            options.bilanciai = true;
        } else if (arg == QLatin1String("--disomatb")) {
            options.disomatb = true;
        } else if (arg == QLatin1String("--terminator") && i + 1 < args.size()) {
            notation = args[++i];
        } else if (arg.startsWith(QLatin1String("--terminator="))) {
            notation = arg.mid(int(qstrlen("--terminator=")));
        } else {
            err << "decode: unknown argument " << arg << '\n'
                << "usage: decode [--micraorden] [--bilanciai] [--disomatb] [--terminator NOTATION]\n";
            err.flush();
            return 2;
        }
    }
    QByteArray terminator;
    try {
        terminator = TerminatorNotation::parse(notation);
    } catch (const EComError &e) {
        err << "decode: " << QString(e.message()).replace(u'\r', u'\n') << '\n';
        err.flush();
        return 2;
    }

    const QByteArray input = in.readAll();
    qsizetype start = 0;
    for (;;) {
        const qsizetype at = input.indexOf(terminator, start);
        if (at < 0)
            break;
        const qsizetype end = at + terminator.size();
        printFrame(input.mid(start, end - start), options, out);
        start = end;
    }
    if (start < input.size())
        printFrame(input.mid(start), options, out);
    out.flush();
    return 0;
}

int runPortsCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    return runPortsCommand(args, out, err, PortDetector());
}

int runPortsCommand(const QStringList &args, QTextStream &out, QTextStream &err, const PortDetector &detector)
{
    bool descriptions = false;
    for (const QString &arg : args) {
        if (arg == QLatin1String("--descriptions")) {
            descriptions = true;
        } else {
            err << "ports: unknown argument " << arg << '\n' << "usage: ports [--descriptions]\n";
            err.flush();
            return 2;
        }
    }
    for (const QString &line : detector.listComPorts(descriptions))
        out << line << '\n';
    out.flush();
    return 0;
}
