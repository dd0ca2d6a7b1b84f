#include "Simulator.h"

#include <algorithm>

Simulator::Simulator(WeightProfile profile, FrameFormat::Format format, Clock clock, QObject *parent)
    : QObject(parent)
    , m_profile(std::move(profile))
    , m_format(format)
    , m_clock(std::move(clock))
{
    m_started.start();
}

qint64 Simulator::now() const
{
    return m_clock ? m_clock() : m_started.elapsed();
}

qint32 Simulator::currentWeight() const
{
    return qint32(std::clamp<qint64>(m_profile.weightAt(now()) - m_zeroOffset, -99999, 999999));
}

QByteArray Simulator::currentFrame() const
{
    // Moving while the profile changes the load: it differs from a moment ago.
    const qint64 t = now();
    // The profile repeats, so a moment before its start is near its end.
    const qint64 before = t >= 300 ? t - 300 : t + m_profile.lengthMs() - 300;
    const bool moving = m_profile.weightAt(t) != m_profile.weightAt(std::max<qint64>(0, before));
    // The families with a status report a load beyond their range as such instead of a clipped number.
    const bool withStatus = m_format == FrameFormat::Format::CsvStatus ||
                            m_format == FrameFormat::Format::CommandSet || m_format == FrameFormat::Format::StatusBytes;
    const qint64 raw = m_profile.weightAt(t) - m_zeroOffset;
    const qint32 weight = withStatus ? qint32(std::clamp<qint64>(raw, -1000000, 1000000)) : currentWeight();
    return FrameFormat::frame(m_format, weight, moving);
}

QByteArray Simulator::handleInput(const QByteArray &bytes)
{
    QByteArray answer;
    for (const CommandParser::Command &command : m_parser.feed(bytes)) {
        emit logLine(QStringLiteral("command %1 (%2)")
                         .arg(CommandParser::printable(command.bytes), QLatin1String(CommandParser::kindName(command.kind))));
        switch (command.kind) {
        case CommandParser::Kind::Zero:
        case CommandParser::Kind::DisomatZero:
            m_zeroOffset = m_profile.weightAt(now());
            break;
        case CommandParser::Kind::Poll:
            answer += currentFrame();
            break;
        case CommandParser::Kind::DisomatPoll:
            answer += FrameFormat::frame(FrameFormat::Format::Disomat, currentWeight());
            break;
        case CommandParser::Kind::Unknown:
            break;
        }
    }
    return answer;
}
