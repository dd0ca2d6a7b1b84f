// Decoder throughput: frames of every indicator make decoded with their options, frames per second.
#include "FrameDecoder.h"
#include "FrameFormat.h"

#include <QElapsedTimer>
#include <QList>

#include <cstdio>

namespace {

struct Case {
    const char *name;
    FrameFormat::Format format;
    DecoderOptions options;
};

} // namespace

int main(int argc, char *argv[])
{
    const long long frames = argc > 1 ? std::atoll(argv[1]) : 2000000;
    const Case cases[] = {
        {"plain", FrameFormat::Format::Plain, {}},
        {"micra", FrameFormat::Format::Micra, {true, false, false}},
        {"bilanciai", FrameFormat::Format::Bilanciai, {false, true, false}},
        {"disomat", FrameFormat::Format::Disomat, {false, false, true}},
    };
    std::printf("%-10s %14s %18s\n", "format", "frames/s", "with display text");
    for (const Case &c : cases) {
        QList<QByteArray> input;
        for (int w = -500; w < 1548; ++w)
            input.append(FrameFormat::frame(c.format, w * 97));
        long long checksum = 0;
        QElapsedTimer timer;
        timer.start();
        for (long long i = 0; i < frames; ++i)
            checksum += FrameDecoder::decode(input[i % input.size()], c.options).weight.value_or(0);
        const double decodeOnly = frames / (timer.nsecsElapsed() / 1e9);
        timer.restart();
        for (long long i = 0; i < frames; ++i) {
            const DecodedFrame d = FrameDecoder::decode(input[i % input.size()], c.options);
            checksum += formatWeight(d.weight.value_or(0)).size();
        }
        const double withText = frames / (timer.nsecsElapsed() / 1e9);
        std::printf("%-10s %14.0f %18.0f   (checksum %lld)\n", c.name, decodeOnly, withText, checksum);
    }
    return 0;
}
